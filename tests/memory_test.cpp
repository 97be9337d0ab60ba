// The memory functions, the bounds-checked copies and the narrow path operations against plain references
// on random data, at every alignment, sources ending at an unreadable page, canaries after the size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "errno_after.h"
#include "guard_page.h"
#include "i18n/qoru16/u16_path.h"
#include "qorucum.h"
#include "random_units.h"

namespace {

using qoru_test::Arena;
using qoru_test::GuardPage;
using qoru_test::refNlen;
using qoru_test::UnitSource;
using Units = std::vector<charU16>;

constexpr int iterations = 3000;
constexpr size_t arenaUnits = 1024;  // the part of an arena the fills and copies use

TEST(MemoryRandom, CompareSearchFillCopyMoveAndAllocationsMatchTheReference) {
    UnitSource rnd(21);
    GuardPage guardA, guardB;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Arena arenaA, arenaB, ours, ref;
        const size_t n = rnd.length();
        Units a = rnd.units(n, true), b = a;
        if (n > 0 && rnd.chance(70)) b[rnd.below(n)] = rnd.unitOrZero();
        const charU16 *pa = placeSomewhere(rnd, arenaA, guardA, a), *pb = placeSomewhere(rnd, arenaB, guardB, b);
        const size_t diff = static_cast<size_t>(std::mismatch(a.begin(), a.end(), b.begin()).first - a.begin());
        const int32_t want = diff == n ? 0 : a[diff] - b[diff];
        EXPECT_EQ(memcmpU16(pa, pb, n), want);  // of either sign: b's changed unit is random
        const charU16 c = n > 0 && rnd.chance(60) ? a[rnd.below(n)] : rnd.unitOrZero();
        const charU16 *found = std::find(pa, pa + n, c);
        EXPECT_EQ(memchrU16(pa, c, n), found == pa + n ? nullptr : found);
        // Fill, copy from a separate array (as memcpy requires), or move overlapping either way.
        const Units data = rnd.units(arenaUnits, true);
        std::copy(data.begin(), data.end(), ours.units.begin());
        ref.units = ours.units;
        const size_t from = rnd.below(arenaUnits - n), to = rnd.below(arenaUnits - n);
        charU16 *const d = ours.units.data() + to, *const r = ref.units.data() + to;
        if (it % 3 == 0) EXPECT_EQ(memsetU16(d, c, n), d);
        else EXPECT_EQ(it % 3 == 1 ? memcpyU(d, data.data() + from, n) : memmoveU(d, ours.units.data() + from, n), d);
        if (it % 3 == 0) std::fill(r, r + n, c);
        else std::copy(data.data() + from, data.data() + from + n, r);
        EXPECT_EQ(ours.units, ref.units);
        // Allocations count in units: AddressSanitizer checks that 2·n bytes are usable.
        const size_t k = 1 + it % 8, m = n + 1;
        auto *p = static_cast<charU16 *>(reallocU(memsetU16(static_cast<charU16 *>(mallocU(m)), 0x8000, m), m + k));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(memchrU16(p, 0, m), nullptr);  // the old units survive
        free(memsetU16(p, 0xFFFF, m + k));
        auto *z = static_cast<charU16 *>(callocU(k, m));
        EXPECT_EQ(std::count(z, z + k * m, 0), static_cast<ptrdiff_t>(k * m));
        free(z);
    }
    // A unit count whose byte size wraps is refused, not turned into a tiny block.
    const size_t wraps = SIZE_MAX / 2 + 2;
    void *kept = mallocU(4);
    for (void *refused : {mallocU(wraps), reallocU(kept, wraps), callocU(1, wraps)}) EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(qoru_test::errnoAfter([] { mallocU(SIZE_MAX / 2 + 1); }), ENOMEM);
    free(kept);  // still the caller's: reallocU left it alone
}

// Plain references, shared by the bounds-checked copies (size > 0) and the path operations: copy src
// with its terminator within size units, or ERANGE with *clear set to 0 (the whole destination's start).
template <class T>
int32_t refCopy(T *dst, size_t size, const T *src, T *clear) {
    for (size_t i = 0; i < size; ++i)
        if ((dst[i] = src[i]) == 0) return 0;
    return *clear = 0, ERANGE;
}

template <class T>
int32_t refAppend(T *dst, size_t size, const T *src) {
    const size_t k = refNlen(dst, size);  // no room, or no terminator: unchanged
    return size == 0 || k == size ? ERANGE : refCopy(dst + k, size - k, src, dst);
}

int32_t refStrncatS(charU16 *dst, size_t size, const charU16 *src, size_t count) {
    const size_t k = refNlen(dst, size), n = refNlen(src, count);
    if (size == 0 || k == size) return ERANGE;
    if (n >= size - k) return dst[0] = 0, ERANGE;
    *std::copy(src, src + n, dst + k) = 0;
    return 0;
}

int32_t refMemcpyS(charU16 *dst, size_t size, const charU16 *src, size_t count) {
    return count > size ? (std::fill(dst, dst + size, 0), ERANGE) : (memmove(dst, src, 2 * count), 0);
}

TEST(MemoryRandom, BoundedCopiesMatchTheReferenceAndKeepTheCanaries) {
    UnitSource rnd(24);
    GuardPage guard;
    for (int it = 0; it < 6 * iterations; ++it) {
        SCOPED_TRACE(it);
        Arena srcArena, ours, ref;
        const Units s = rnd.string(rnd.length());
        charU16 *src = placeSomewhere(rnd, srcArena, guard, s);
        // Sizes and counts around the length; the destination a string, or units without a terminator.
        const size_t len = s.size() - 1, size = rnd.chance(10) ? 0 : rnd.below(len + 12), at = rnd.below(8);
        const size_t count = rnd.chance(10) ? SIZE_MAX : rnd.below(len + 12), from = rnd.below(16);
        const size_t nCopy = std::min(count, len + 1), nMove = std::min(count, size + 2);
        Units d = rnd.chance(15) ? rnd.units(size) : rnd.string(rnd.below(size));
        d.resize(size, 0);
        charU16 *o = ours.units.data() + at, *r = ref.units.data() + at;
        std::copy(d.begin(), d.end(), o), std::copy(d.begin(), d.end(), r);
        // strncpy_s with the all-ones count copies what fits, like any count beyond the room.
        Units prefix(src, src + refNlen(src, size == 0 ? 0 : std::min(count, size - 1)));
        prefix.push_back(0);
        int32_t got = 0, want = (errno = 0);
        switch (it % 6) {
            case 0: got = strcpy_sU16(o, size, src), want = size == 0 ? 0 : refCopy(r, size, src, r); break;
            case 1: got = strcat_sU16(o, size, src), want = refAppend(r, size, src); break;
            case 2: got = strncpy_sU16(o, size, src, count), want = size ? refCopy(r, size, prefix.data(), r) : 0; break;
            case 3: got = strncat_sU16(o, size, src, count), want = refStrncatS(r, size, src, count); break;
            case 4: got = memcpy_sU16(o, size, src, nCopy), want = refMemcpyS(r, size, src, nCopy); break;
            default:  // overlapping move inside the arena
                got = memmove_sU16(o, size, ours.units.data() + from, nMove);
                want = refMemcpyS(r, size, ref.units.data() + from, nMove);
        }
        EXPECT_EQ(got, want) << it % 6;
        EXPECT_EQ(errno, 0);
        EXPECT_EQ(ours.units, ref.units) << it % 6;
    }
    // A size above SIZE_MAX / 2 is no array's: every bounded copy (and gets_sU16) refuses it, writing nothing.
    charU16 d[4] = {u'q', u'q', u'q', u'q'};
    for (size_t n : {SIZE_MAX / 2 + 1, SIZE_MAX})
        EXPECT_EQ(std::vector<int32_t>({strcpy_sU16(d, n, u"ab"), strcat_sU16(d, n, u"ab"), strncpy_sU16(d, n, u"ab", 2), strncat_sU16(d, n, u"ab", 2),
                                        memcpy_sU16(d, n, u"ab", 2), memmove_sU16(d, n, u"ab", 2), (errno = 0, gets_sU16(d, n)) ? 0 : errno}),
                  std::vector<int32_t>(7, EINVAL));
    EXPECT_EQ(std::u16string(d, 4), u"qqqq");
}

std::string randomPath(UnitSource &rnd, size_t length) {
    std::string b;
    while (b.size() < length) b += static_cast<char>(1 + rnd.below(255));
    return b;
}

TEST(MemoryRandom, PathOperationsMatchTheReference) {
    constexpr size_t cap = qoru::pathCapacity;
    UnitSource rnd(25);
    GuardPage guard;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        const std::string raw = randomPath(rnd, cap);  // unterminated at the page: no read past 260 bytes
        EXPECT_EQ(qoru::pathLength(static_cast<char *>(memcpy(guard.tail<char>(cap), raw.data(), cap))), cap);
        // A source at any byte offset, or ending at the unreadable page; an old path, sometimes unterminated.
        const std::string s = randomPath(rnd, rnd.chance(50) ? rnd.below(20) : 240 + rnd.below(30));
        alignas(16) char srcArena[300 + 16], ours[cap + 40], ref[cap + 40];
        char *src = rnd.chance(30) ? guard.tail<char>(s.size() + 1) : srcArena + rnd.below(16);
        memcpy(src, s.c_str(), s.size() + 1);
        EXPECT_EQ(qoru::pathLength(src), std::min(s.size(), cap));
        const size_t off = rnd.below(16), size = rnd.below(cap + 1);  // size 0: no room, not even for a terminator
        memset(ours, 0x5A, sizeof ours), memset(ref, 0x5A, sizeof ref);
        const std::string old = rnd.chance(10) ? std::string(cap, 'x') : randomPath(rnd, rnd.below(cap));
        memcpy(ours + off, old.c_str(), old.size() + 1), memcpy(ref + off, old.c_str(), old.size() + 1);
        if (it % 2 == 0)
            EXPECT_EQ(qoru::pathCopy(ours + off, src, size), size == 0 ? ERANGE : refCopy(ref + off, size, src, ref + off));
        else
            EXPECT_EQ(qoru::pathAppend(ours + off, src), refAppend(ref + off, cap, src));
        EXPECT_EQ(std::string(ours, sizeof ours), std::string(ref, sizeof ref));
    }
}

}  // namespace
