// The memory functions, the bounds-checked copies and the narrow path
// operations against plain reference loops on random data, at every
// alignment, with sources ending right before an unreadable page and
// canaries after the destination's size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "guard_page.h"
#include "i18n/qoru16/u16_path.h"
#include "qorucum.h"
#include "random_units.h"

namespace {

using qoru_test::Arena;
using qoru_test::arenaUnits;
using qoru_test::GuardPage;
using qoru_test::UnitSource;
using Units = std::vector<charU16>;

constexpr int iterations = 3000;

Units unitsWithZeros(UnitSource &rnd, size_t n) {
    Units v(n);
    for (auto &u : v) u = rnd.unitOrZero();
    return v;
}

template <class T>
size_t refNlen(const T *s, size_t max) {
    size_t n = 0;
    while (n < max && s[n] != 0) ++n;
    return n;
}

TEST(MemoryRandom, CompareAndSearchMatchTheReference) {
    UnitSource rnd(21);
    GuardPage guardA, guardB;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Arena arenaA, arenaB;
        const size_t n = rnd.length();
        const Units a = unitsWithZeros(rnd, n);
        Units b = a;
        if (n > 0 && rnd.chance(70)) b[rnd.below(n)] = rnd.unitOrZero();
        const charU16 *pa = placeSomewhere(rnd, arenaA, guardA, a);
        const charU16 *pb = placeSomewhere(rnd, arenaB, guardB, b);
        const size_t diff = static_cast<size_t>(std::mismatch(a.begin(), a.end(), b.begin()).first - a.begin());
        const int32_t want = diff == n ? 0 : static_cast<int32_t>(a[diff]) - static_cast<int32_t>(b[diff]);
        EXPECT_EQ(memcmpU16(pa, pb, n), want);
        EXPECT_EQ(memcmpU16(pb, pa, n), -want);
        const charU16 c = n > 0 && rnd.chance(60) ? a[rnd.below(n)] : rnd.unitOrZero();
        const charU16 *found = std::find(pa, pa + n, c);
        EXPECT_EQ(memchrU16(pa, c, n), found == pa + n ? nullptr : found);
    }
}

TEST(MemoryRandom, FillCopyAndMoveMatchTheReference) {
    UnitSource rnd(22);
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Arena ours, ref, src;
        const Units data = unitsWithZeros(rnd, arenaUnits);
        std::copy(data.begin(), data.end(), ours.units.begin());
        std::copy(data.begin(), data.end(), src.units.begin());
        ref.units = ours.units;
        const size_t n = rnd.length(), from = rnd.below(arenaUnits - n), to = rnd.below(arenaUnits - n);
        charU16 *base = ours.units.data(), *refBase = ref.units.data();
        const charU16 c = rnd.unitOrZero();
        switch (it % 3) {
            case 0:
                EXPECT_EQ(memsetU16(base + to, c, n), base + to);
                std::fill(refBase + to, refBase + to + n, c);
                break;
            case 1:  // from a separate array, as memcpy requires
                EXPECT_EQ(memcpyU(base + to, src.units.data() + from, n), base + to);
                std::copy(src.units.data() + from, src.units.data() + from + n, refBase + to);
                break;
            default:  // overlapping ranges in either direction
                EXPECT_EQ(memmoveU(base + to, base + from, n), base + to);
                std::copy(data.begin() + static_cast<ptrdiff_t>(from), data.begin() + static_cast<ptrdiff_t>(from + n),
                          refBase + to);
        }
        EXPECT_EQ(ours.units, ref.units);
    }
}

TEST(MemoryRandom, AllocationsCountInUnits) {
    // AddressSanitizer checks that exactly 2·n bytes are usable.
    UnitSource rnd(23);
    for (int it = 0; it < 200; ++it) {
        const size_t n = 1 + rnd.below(100), grown = n + rnd.below(100), count = 1 + rnd.below(8);
        auto *p = static_cast<charU16 *>(mallocU(n));
        ASSERT_NE(p, nullptr);
        memsetU16(p, 0x8000, n);
        p = static_cast<charU16 *>(reallocU(p, grown));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(memchrU16(p, 0, n), nullptr);  // the old units survive
        memsetU16(p, 0xFFFF, grown);
        free(p);
        auto *z = static_cast<charU16 *>(callocU(count, n));
        ASSERT_NE(z, nullptr);
        EXPECT_EQ(std::count(z, z + count * n, 0), static_cast<ptrdiff_t>(count * n));
        free(z);
    }
}

// ---- References written straight from the rules, one unit at a time ----------
// Shared by the bounds-checked copies (size > 0) and the path operations.

// Copies src with its terminator within size units: 0, or ERANGE with *clear
// set to 0 (the start of the whole destination).
template <class T>
int32_t refCopy(T *dst, size_t size, const T *src, T *clear) {
    for (size_t i = 0; i < size; ++i)
        if ((dst[i] = src[i]) == 0) return 0;
    *clear = 0;
    return ERANGE;
}

template <class T>
int32_t refAppend(T *dst, size_t size, const T *src) {
    const size_t k = refNlen(dst, size);
    if (size == 0 || k == size) return ERANGE;  // no room, or no terminator: unchanged
    return refCopy(dst + k, size - k, src, dst);
}

int32_t refStrncpyS(charU16 *dst, size_t size, const charU16 *src, size_t count) {
    if (size == 0) return 0;
    // The all-ones count copies what fits, like any count above the room.
    const size_t n = refNlen(src, std::min(count, size - 1));
    std::copy(src, src + n, dst);
    dst[n] = 0;
    return 0;
}

int32_t refStrncatS(charU16 *dst, size_t size, const charU16 *src, size_t count) {
    const size_t k = refNlen(dst, size);
    if (size == 0 || k == size) return ERANGE;
    const size_t n = refNlen(src, count);
    if (n >= size - k) return dst[0] = 0, ERANGE;
    std::copy(src, src + n, dst + k);
    dst[k + n] = 0;
    return 0;
}

int32_t refMemcpyS(charU16 *dst, size_t size, const charU16 *src, size_t count) {
    if (count > size) return std::fill(dst, dst + size, 0), ERANGE;
    const Units copy(src, src + count);
    std::copy(copy.begin(), copy.end(), dst);
    return 0;
}

TEST(MemoryRandom, BoundedCopiesMatchTheReferenceAndKeepTheCanaries) {
    UnitSource rnd(24);
    GuardPage guard;
    for (int it = 0; it < 6 * iterations; ++it) {
        SCOPED_TRACE(it);
        Arena srcArena, ours, ref;
        const Units s = rnd.string(rnd.length());
        charU16 *src = placeSomewhere(rnd, srcArena, guard, s);
        const size_t len = s.size() - 1;
        // Sizes and counts around the length, so both outcomes happen often.
        const size_t size = rnd.chance(10) ? 0 : rnd.below(len + 12);
        const size_t count = rnd.chance(10) ? SIZE_MAX : rnd.below(len + 12);
        // The destination: a string, or (sometimes) units without a terminator.
        Units d = rnd.chance(15) ? rnd.units(size) : rnd.string(rnd.below(size));
        d.resize(size, 0);
        const size_t at = rnd.below(8);
        charU16 *o = ours.units.data() + at, *r = ref.units.data() + at;
        std::copy(d.begin(), d.end(), o);
        std::copy(d.begin(), d.end(), r);
        int32_t got = 0, want = 0;
        errno = 0;
        switch (it % 6) {
            case 0: got = strcpy_sU16(o, size, src), want = size == 0 ? 0 : refCopy(r, size, src, r); break;
            case 1: got = strcat_sU16(o, size, src), want = refAppend(r, size, src); break;
            case 2: got = strncpy_sU16(o, size, src, count), want = refStrncpyS(r, size, src, count); break;
            case 3: got = strncat_sU16(o, size, src, count), want = refStrncatS(r, size, src, count); break;
            case 4: {
                const size_t n = std::min(count, len + 1);
                got = memcpy_sU16(o, size, src, n), want = refMemcpyS(r, size, src, n);
                break;
            }
            default: {  // overlapping move inside the arena
                const size_t n = std::min(count, size + 2), from = rnd.below(16);
                got = memmove_sU16(o, size, ours.units.data() + from, n);
                want = refMemcpyS(r, size, ref.units.data() + from, n);
            }
        }
        EXPECT_EQ(got, want) << it % 6;
        EXPECT_EQ(errno, 0);
        EXPECT_EQ(ours.units, ref.units) << it % 6;
    }
}

TEST(MemoryEdge, BoundedCopiesPinnedDown) {
    // A few literal results that hold the references above to the rules.
    charU16 dst[8] = u"ab";
    EXPECT_EQ(strncpy_sU16(dst, 5, u"0123456789", SIZE_MAX), 0);  // the all-ones count truncates
    EXPECT_EQ(std::u16string(dst), u"0123");
    EXPECT_EQ(strcat_sU16(dst, 5, u"x"), ERANGE);
    EXPECT_EQ(dst[0], 0);
    EXPECT_EQ(strcat_sU16(dst, 4, u"abcd"), ERANGE);
    EXPECT_EQ(strncat_sU16(dst, 5, u"abcd", 3), 0);
    EXPECT_EQ(strncat_sU16(dst, 5, u"abcd", 1), 0);
    EXPECT_EQ(std::u16string(dst), u"abca");
    EXPECT_EQ(memcpy_sU16(dst, 3, u"abcd", 4), ERANGE);
    EXPECT_EQ(std::u16string(dst, 4), std::u16string(u"\0\0\0a", 4));
    EXPECT_EQ(strcpy_sU16(dst, 0, u"x"), 0);
    EXPECT_EQ(memmove_sU16(dst, 0, u"x", 1), ERANGE);
    EXPECT_EQ(dst[3], u'a');
}

// ---- Narrow path operations -------------------------------------------------------------

std::string randomPath(UnitSource &rnd, size_t length) {
    std::string b;
    for (size_t i = 0; i < length; ++i) b += static_cast<char>(1 + rnd.below(255));
    return b;
}

TEST(MemoryRandom, PathOperationsMatchTheReference) {
    constexpr size_t cap = qoru::pathCapacity;
    UnitSource rnd(25);
    GuardPage guard;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        // Unterminated bytes at the page: no read past 260 of them.
        const std::string raw = randomPath(rnd, cap);
        EXPECT_EQ(qoru::pathLength(static_cast<char *>(memcpy(guard.tail<char>(cap), raw.data(), cap))), cap);

        // Source at any byte offset, or ending at the unreadable page.
        const std::string s = randomPath(rnd, rnd.chance(50) ? rnd.below(20) : 240 + rnd.below(30));
        alignas(16) char srcArena[300 + 16];
        char *src = rnd.chance(30) ? guard.tail<char>(s.size() + 1) : srcArena + rnd.below(16);
        memcpy(src, s.c_str(), s.size() + 1);
        EXPECT_EQ(qoru::pathLength(src), std::min(s.size(), cap));

        const size_t off = rnd.below(16);
        alignas(16) char ours[cap + 40], ref[cap + 40];
        memset(ours, 0x5A, sizeof ours);
        memset(ref, 0x5A, sizeof ref);
        int32_t got, want;
        if (it % 2 == 0) {
            const size_t size = rnd.below(cap + 1);  // 0 leaves no room, not even for a terminator
            got = qoru::pathCopy(ours + off, src, size);
            want = size == 0 ? ERANGE : refCopy(ref + off, size, src, ref + off);
        } else {
            // An old path, sometimes without a terminator within the capacity.
            const std::string old = rnd.chance(10) ? std::string(cap, 'x') : randomPath(rnd, rnd.below(cap));
            memcpy(ours + off, old.c_str(), old.size() + 1);
            memcpy(ref + off, old.c_str(), old.size() + 1);
            got = qoru::pathAppend(ours + off, src);
            want = refAppend(ref + off, cap, src);
        }
        EXPECT_EQ(got, want);
        EXPECT_EQ(std::string(ours, sizeof ours), std::string(ref, sizeof ref));
    }
}

}  // namespace
