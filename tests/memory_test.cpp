// The memory functions and the bounds-checked copies against plain reference
// loops on random units, at every 2-byte alignment, with data ending right
// before an unreadable page and canaries after the destination's size; then
// the cases a random test does not reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
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

using qoru_test::GuardPage;
using qoru_test::Arena;
using qoru_test::UnitSource;
using qoru_test::arenaUnits;
using qoru_test::canary;
using qoru_test::placeSomewhere;
using Units = std::vector<charU16>;

constexpr int iterations = 3000;
constexpr int32_t rangeError = 34;  // the bounds-checked copies' one failure code

Units randomUnitsWithZeros(UnitSource &rnd, size_t n) {
    Units v(n);
    for (auto &u : v) u = rnd.unitOrZero();
    return v;
}

size_t refNlen(const charU16 *s, size_t max) {
    size_t n = 0;
    while (n < max && s[n] != 0) ++n;
    return n;
}

// ---- Memory operations --------------------------------------------------------------

TEST(MemoryRandom, CompareAndSearchMatchTheReference) {
    UnitSource rnd(21);
    GuardPage guardA, guardB;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Arena arenaA, arenaB;
        const size_t n = rnd.length();
        const Units a = randomUnitsWithZeros(rnd, n);
        Units b = a;
        if (n > 0 && rnd.chance(70)) b[rnd.below(n)] = rnd.unitOrZero();
        const charU16 *pa = placeSomewhere(rnd, arenaA, guardA, a);
        const charU16 *pb = placeSomewhere(rnd, arenaB, guardB, b);
        int32_t want = 0;
        for (size_t i = 0; i < n; ++i)
            if (a[i] != b[i]) {
                want = static_cast<int32_t>(a[i]) - static_cast<int32_t>(b[i]);
                break;
            }
        EXPECT_EQ(memcmpU16(pa, pb, n), want);
        EXPECT_EQ(memcmpU16(pb, pa, n), -want);

        const charU16 c = n > 0 && rnd.chance(60) ? a[rnd.below(n)] : rnd.unitOrZero();
        const charU16 *found = nullptr;
        for (size_t i = 0; i < n && found == nullptr; ++i)
            if (pa[i] == c) found = pa + i;
        EXPECT_EQ(memchrU16(pa, c, n), found);
    }
}

TEST(MemoryRandom, FillCopyAndMoveMatchTheReference) {
    UnitSource rnd(22);
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Arena ours, ref;
        const Units data = randomUnitsWithZeros(rnd, arenaUnits);
        ours.units = {};
        std::copy(data.begin(), data.end(), ours.units.begin());
        ref.units = ours.units;
        const size_t n = rnd.length();
        const size_t from = rnd.below(arenaUnits - n);
        const size_t to = rnd.below(arenaUnits - n);
        charU16 *base = ours.units.data();
        charU16 *refBase = ref.units.data();
        switch (it % 3) {
            case 0: {
                const charU16 c = rnd.unitOrZero();
                EXPECT_EQ(memsetU16(base + to, c, n), base + to);
                for (size_t i = 0; i < n; ++i) refBase[to + i] = c;
                break;
            }
            case 1: {
                // Separate arrays, so that memcpy's rule holds.
                Arena src;
                std::copy(data.begin(), data.end(), src.units.begin());
                EXPECT_EQ(memcpyU(base + to, src.units.data() + from, n), base + to);
                for (size_t i = 0; i < n; ++i) refBase[to + i] = src.units[from + i];
                break;
            }
            default: {
                // Overlapping ranges in either direction.
                EXPECT_EQ(memmoveU(base + to, base + from, n), base + to);
                const Units moved(refBase + from, refBase + from + n);
                for (size_t i = 0; i < n; ++i) refBase[to + i] = moved[i];
                break;
            }
        }
        EXPECT_EQ(ours.units, ref.units);
    }
}

TEST(MemoryRandom, AllocationsCountInUnits) {
    // AddressSanitizer checks that exactly 2·n bytes are usable.
    UnitSource rnd(23);
    for (int it = 0; it < 200; ++it) {
        const size_t n = 1 + rnd.below(100);
        auto *p = static_cast<charU16 *>(mallocU(n));
        ASSERT_NE(p, nullptr);
        memsetU16(p, 0x8000, n);
        const size_t grown = n + rnd.below(100);
        p = static_cast<charU16 *>(reallocU(p, grown));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(memchrU16(p, 0, n), nullptr);  // the old units survive
        memsetU16(p, 0xFFFF, grown);
        free(p);

        const size_t count = 1 + rnd.below(8);
        auto *z = static_cast<charU16 *>(callocU(count, n));
        ASSERT_NE(z, nullptr);
        for (size_t i = 0; i < count * n; ++i) ASSERT_EQ(z[i], 0) << i;
        free(z);
    }
}

// ---- Bounds-checked copies ------------------------------------------------------------
// References written straight from the rules, one unit at a time.

int32_t refStrcpyS(charU16 *dst, size_t size, const charU16 *src) {
    if (size == 0) return 0;
    for (size_t i = 0; i < size; ++i) {
        dst[i] = src[i];
        if (src[i] == 0) return 0;
    }
    dst[0] = 0;
    return rangeError;
}

int32_t refStrcatS(charU16 *dst, size_t size, const charU16 *src) {
    if (size == 0) return rangeError;
    const size_t k = refNlen(dst, size);
    if (k == size) return rangeError;
    for (size_t i = 0;; ++i) {
        if (k + i >= size) {
            dst[0] = 0;
            return rangeError;
        }
        dst[k + i] = src[i];
        if (src[i] == 0) return 0;
    }
}

int32_t refStrncpyS(charU16 *dst, size_t size, const charU16 *src, size_t count) {
    if (size == 0) return 0;
    size_t i = 0;
    while (i < count && i < size - 1 && src[i] != 0) {
        dst[i] = src[i];
        ++i;
    }
    dst[i] = 0;
    return 0;
}

int32_t refStrncatS(charU16 *dst, size_t size, const charU16 *src, size_t count) {
    if (size == 0) return rangeError;
    const size_t k = refNlen(dst, size);
    if (k == size) return rangeError;
    const size_t room = size - k;
    if (count >= room && refNlen(src, room) >= room) {
        dst[0] = 0;
        return rangeError;
    }
    size_t i = 0;
    for (; i < count && src[i] != 0; ++i) dst[k + i] = src[i];
    dst[k + i] = 0;
    return 0;
}

int32_t refMemcpyS(charU16 *dst, size_t size, const charU16 *src, size_t count) {
    if (count > size) {
        for (size_t i = 0; i < size; ++i) dst[i] = 0;
        return rangeError;
    }
    const Units copy(src, src + count);
    for (size_t i = 0; i < count; ++i) dst[i] = copy[i];
    return 0;
}

// A destination of size units: a terminated string, or (sometimes) units
// without a terminator; the arena's canaries follow it.
Units randomDestination(UnitSource &rnd, size_t size) {
    if (size == 0) return {};
    if (rnd.chance(15)) return rnd.units(size);
    Units d = rnd.string(rnd.below(size));
    while (d.size() < size) d.push_back(rnd.unitOrZero());
    return d;
}

TEST(MemoryRandom, BoundedCopiesMatchTheReferenceAndKeepTheCanaries) {
    UnitSource rnd(24);
    GuardPage guard;
    for (int it = 0; it < 6 * iterations; ++it) {
        SCOPED_TRACE(it);
        Arena srcArena;
        const Units s = rnd.string(rnd.length());
        charU16 *src = placeSomewhere(rnd, srcArena, guard, s);
        const size_t len = s.size() - 1;
        // Sizes around the length, so both outcomes happen often.
        const size_t size = rnd.chance(10) ? 0 : rnd.below(len + 12);
        const size_t count = rnd.chance(10) ? SIZE_MAX : rnd.below(len + 12);
        const size_t dstOffset = rnd.below(8);
        const Units d = randomDestination(rnd, size);

        Arena ours, ref;
        charU16 *o = ours.units.data() + dstOffset;
        charU16 *r = ref.units.data() + dstOffset;
        std::copy(d.begin(), d.end(), o);
        std::copy(d.begin(), d.end(), r);
        int32_t got = 0, want = 0;
        const int which = it % 6;
        errno = 0;
        switch (which) {
            case 0: got = strcpy_sU16(o, size, src), want = refStrcpyS(r, size, src); break;
            case 1: got = strcat_sU16(o, size, src), want = refStrcatS(r, size, src); break;
            case 2: got = strncpy_sU16(o, size, src, count), want = refStrncpyS(r, size, src, count); break;
            case 3: got = strncat_sU16(o, size, src, count), want = refStrncatS(r, size, src, count); break;
            case 4: {
                const size_t n = std::min(count, len + 1);
                got = memcpy_sU16(o, size, src, n), want = refMemcpyS(r, size, src, n);
                break;
            }
            default: {
                // Overlapping move inside the arena.
                const size_t n = std::min(count, size + 2);
                const size_t from = rnd.below(16);
                got = memmove_sU16(o, size, ours.units.data() + from, n);
                want = refMemcpyS(r, size, ref.units.data() + from, n);
                break;
            }
        }
        SCOPED_TRACE(which);
        EXPECT_EQ(got, want);
        EXPECT_EQ(errno, 0);
        EXPECT_EQ(ours.units, ref.units);
    }
}

// ---- Narrow path operations -------------------------------------------------------------

using Bytes = std::vector<char>;

Bytes randomPath(UnitSource &rnd, size_t length) {
    Bytes b;
    for (size_t i = 0; i < length; ++i) b.push_back(static_cast<char>(1 + rnd.below(255)));
    b.push_back(0);
    return b;
}

size_t pathLengthFor(UnitSource &rnd) {
    return rnd.chance(50) ? rnd.below(20) : 240 + rnd.below(30);
}

TEST(MemoryRandom, PathOperationsMatchTheReference) {
    constexpr size_t cap = qoru::pathCapacity;
    UnitSource rnd(25);
    GuardPage guard;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        // Unterminated bytes at the page: no read past 260 of them.
        const Bytes raw = randomPath(rnd, cap);
        char *q = guard.tail<char>(cap);
        memcpy(q, raw.data(), cap);
        EXPECT_EQ(qoru::pathLength(q), cap);

        // Source anywhere, at any byte offset, or ending at the unreadable page.
        const Bytes s = randomPath(rnd, pathLengthFor(rnd));
        alignas(16) char srcArena[300 + 16];
        char *src = rnd.chance(30) ? guard.tail<char>(s.size()) : srcArena + rnd.below(16);
        memcpy(src, s.data(), s.size());
        EXPECT_EQ(qoru::pathLength(src), std::min(s.size() - 1, cap));

        const size_t off = rnd.below(16);
        alignas(16) char ours[cap + 40], ref[cap + 40];
        memset(ours, 0x5A, sizeof ours);
        memset(ref, 0x5A, sizeof ref);
        const Bytes old = randomPath(rnd, pathLengthFor(rnd) % cap);
        if (it % 2 == 0) {
            const size_t size = 1 + rnd.below(cap);
            const int32_t got = qoru::pathCopy(ours + off, src, size);
            int32_t want = rangeError;
            for (size_t i = 0; i < size; ++i) {
                ref[off + i] = src[i];
                if (src[i] == 0) {
                    want = 0;
                    break;
                }
            }
            if (want != 0) ref[off] = 0;
            EXPECT_EQ(got, want);
        } else {
            memcpy(ours + off, old.data(), old.size());
            memcpy(ref + off, old.data(), old.size());
            if (rnd.chance(10)) {  // no terminator within the capacity
                memset(ours + off, 'x', cap);
                memset(ref + off, 'x', cap);
            }
            const int32_t got = qoru::pathAppend(ours + off, src);
            int32_t want = rangeError;
            const size_t k = strnlen(ref + off, cap);
            if (k < cap) {
                for (size_t i = 0;; ++i) {
                    if (k + i >= cap) {
                        ref[off] = 0;
                        break;
                    }
                    ref[off + k + i] = src[i];
                    if (src[i] == 0) {
                        want = 0;
                        break;
                    }
                }
            }
            EXPECT_EQ(got, want);
        }
        EXPECT_EQ(std::string(ours, sizeof ours), std::string(ref, sizeof ref));
    }
}

// ---- Cases a random test does not reach -------------------------------------------------

struct BoundedCase {
    const char *name;
    int32_t (*op)(charU16 *, size_t, const charU16 *, size_t);
    const char16_t *dst;  // initial contents (terminated)
    size_t size;
    const char16_t *src;
    size_t count;
    int32_t result;
    const char16_t *after;  // dst as a string afterwards; null: dst[0] is 0
};

int32_t strcpyS(charU16 *d, size_t n, const charU16 *s, size_t) { return strcpy_sU16(d, n, s); }
int32_t strcatS(charU16 *d, size_t n, const charU16 *s, size_t) { return strcat_sU16(d, n, s); }

const BoundedCase boundedCases[] = {
    {"strcpy_s fits", strcpyS, u"", 5, u"abcd", 0, 0, u"abcd"},
    {"strcpy_s one short", strcpyS, u"", 4, u"abcd", 0, rangeError, nullptr},
    {"strcat_s fits", strcatS, u"ab", 5, u"cd", 0, 0, u"abcd"},
    {"strcat_s one short", strcatS, u"ab", 4, u"cd", 0, rangeError, nullptr},
    {"strncat_s count 2", strncat_sU16, u"ab", 5, u"0123456789", 2, 0, u"ab01"},
    {"strncat_s count 3", strncat_sU16, u"ab", 5, u"0123456789", 3, rangeError, nullptr},
    {"strncat_s short source", strncat_sU16, u"ab", 5, u"0", 9, 0, u"ab0"},
    {"strncpy_s cut by size", strncpy_sU16, u"", 5, u"0123456789", 8, 0, u"0123"},
    {"strncpy_s cut by count", strncpy_sU16, u"", 5, u"0123456789", 2, 0, u"01"},
    {"strncpy_s all-ones count", strncpy_sU16, u"zz", 5, u"0123456789", SIZE_MAX, 0, u"0123"},
    {"strncpy_s all-ones count, short", strncpy_sU16, u"zz", 5, u"01", SIZE_MAX, 0, u"01"},
    {"strncpy_s count 0", strncpy_sU16, u"zz", 5, u"01", 0, 0, u""},
};

class BoundedEdge : public testing::TestWithParam<BoundedCase> {};

TEST_P(BoundedEdge, ResultAndDestination) {
    const BoundedCase &c = GetParam();
    charU16 dst[16];
    std::fill(std::begin(dst), std::end(dst), canary);
    memcpy(dst, c.dst, (std::char_traits<char16_t>::length(c.dst) + 1) * sizeof(charU16));
    EXPECT_EQ(c.op(dst, c.size, c.src, c.count), c.result);
    if (c.after != nullptr)
        EXPECT_EQ(std::u16string(dst), std::u16string(c.after));
    else
        EXPECT_EQ(dst[0], 0);
    for (size_t i = c.size; i < 16; ++i) EXPECT_EQ(dst[i], canary) << i;
}

INSTANTIATE_TEST_SUITE_P(Table, BoundedEdge, testing::ValuesIn(boundedCases),
                         [](const testing::TestParamInfo<BoundedCase> &param) {
                             std::string n;
                             for (const char *p = param.param.name; *p; ++p)
                                 n += (isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
                             return n;
                         });

TEST(MemoryEdge, SizeZeroWritesNothing) {
    charU16 dst[2] = {canary, canary};
    EXPECT_EQ(strcpy_sU16(dst, 0, u"a"), 0);
    EXPECT_EQ(strncpy_sU16(dst, 0, u"a", 1), 0);
    EXPECT_EQ(strcat_sU16(dst, 0, u"a"), rangeError);
    EXPECT_EQ(strncat_sU16(dst, 0, u"a", 1), rangeError);
    EXPECT_EQ(memcpy_sU16(dst, 0, u"a", 0), 0);
    EXPECT_EQ(memcpy_sU16(dst, 0, u"a", 1), rangeError);
    EXPECT_EQ(memmove_sU16(dst, 0, u"a", 0), 0);
    EXPECT_EQ(memmove_sU16(dst, 0, u"a", 1), rangeError);
    EXPECT_EQ(dst[0], canary);
    EXPECT_EQ(dst[1], canary);
}

TEST(MemoryEdge, UnterminatedDestinationStaysUnchanged) {
    charU16 dst[4] = {u'w', u'x', u'y', u'z'};
    EXPECT_EQ(strcat_sU16(dst, 4, u"a"), rangeError);
    EXPECT_EQ(strncat_sU16(dst, 4, u"a", 1), rangeError);
    EXPECT_EQ(std::u16string(dst, 4), u"wxyz");
}

TEST(MemoryEdge, MemcpySCountAboveSizeClearsTheDestination) {
    charU16 dst[6];
    std::fill(std::begin(dst), std::end(dst), canary);
    EXPECT_EQ(memcpy_sU16(dst, 5, u"abcdef", 6), rangeError);
    EXPECT_EQ(std::u16string(dst, 5), std::u16string(5, u'\0'));
    EXPECT_EQ(dst[5], canary);
}

TEST(MemoryEdge, CodeUnitOrderAndEmptyRanges) {
    const charU16 high[] = {0xD83D};
    const charU16 priv[] = {0xE000};
    EXPECT_LT(memcmpU16(high, priv, 1), 0);
    EXPECT_EQ(memcmpU16(high, priv, 0), 0);
    EXPECT_EQ(memchrU16(high, 0xD83D, 0), nullptr);
}

TEST(PathEdge, SizeZeroAndTheFixedCapacity) {
    char dst[4] = "abc";
    // A size of 0 leaves no room for anything, not even a terminator.
    EXPECT_EQ(qoru::pathCopy(dst, "x", 0), rangeError);
    EXPECT_STREQ(dst, "abc");
    EXPECT_EQ(qoru::pathCopy(dst, "xyz", 4), 0);
    EXPECT_STREQ(dst, "xyz");
    EXPECT_EQ(qoru::pathCopy(dst, "wxyz", 4), rangeError);
    EXPECT_EQ(dst[0], 0);

    // 259 characters and a terminator fill the capacity exactly.
    std::string path(250, 'p');
    char buf[qoru::pathCapacity + 8];
    memset(buf, 0x5A, sizeof buf);
    memcpy(buf, path.c_str(), path.size() + 1);
    EXPECT_EQ(qoru::pathAppend(buf, "/123456789"), rangeError);
    EXPECT_EQ(buf[0], 0);
    memcpy(buf, path.c_str(), path.size() + 1);
    EXPECT_EQ(qoru::pathAppend(buf, "/12345678"), 0);
    EXPECT_EQ(qoru::pathLength(buf), 259u);
    EXPECT_EQ(buf[qoru::pathCapacity], 0x5A);
}

}  // namespace
