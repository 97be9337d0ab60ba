// The string functions against plain reference loops on random units, at
// every 2-byte alignment, and with strings that end right before an
// unreadable page; then the cases a random test does not reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "child.h"
#include "guard_page.h"
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

// ---- Reference loops ----------------------------------------------------------

size_t refLen(const charU16 *s) {
    size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}

size_t refNlen(const charU16 *s, size_t maxlen) {
    size_t n = 0;
    while (n < maxlen && s[n] != 0) ++n;
    return n;
}

int32_t refCmp(const charU16 *a, const charU16 *b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i] || a[i] == 0) return static_cast<int32_t>(a[i]) - static_cast<int32_t>(b[i]);
    }
    return 0;
}

bool refIn(charU16 c, const charU16 *set) {
    for (; *set; ++set)
        if (*set == c) return true;
    return false;
}

// Index of the first unit equal to c (the terminator counts), or -1.
ptrdiff_t refChr(const charU16 *s, charU16 c) {
    for (size_t i = 0;; ++i) {
        if (s[i] == c) return static_cast<ptrdiff_t>(i);
        if (s[i] == 0) return -1;
    }
}

ptrdiff_t refRchr(const charU16 *s, charU16 c) {
    ptrdiff_t last = -1;
    for (size_t i = 0;; ++i) {
        if (s[i] == c) last = static_cast<ptrdiff_t>(i);
        if (s[i] == 0) return last;
    }
}

ptrdiff_t refStr(const charU16 *s, const charU16 *sub) {
    const size_t n = refLen(s), m = refLen(sub);
    for (size_t i = 0; i + m <= n; ++i) {
        size_t k = 0;
        while (k < m && s[i + k] == sub[k]) ++k;
        if (k == m) return static_cast<ptrdiff_t>(i);
    }
    return -1;
}

size_t refSpan(const charU16 *s, const charU16 *set, bool inside) {
    size_t n = 0;
    while (s[n] != 0 && refIn(s[n], set) == inside) ++n;
    return n;
}

ptrdiff_t offsetOf(const charU16 *base, const charU16 *p) { return p == nullptr ? -1 : p - base; }

// ---- Placement ------------------------------------------------------------------

// A string whose units mostly come from a few values, so sets and searches
// meet often.
Units smallAlphabetString(UnitSource &rnd, size_t length) {
    static constexpr charU16 alphabet[] = {u'a', u'b', 0x8000, 0xFFFF, 0xD800, 0xDC00};
    Units v;
    for (size_t i = 0; i < length; ++i)
        v.push_back(rnd.chance(80) ? alphabet[rnd.below(std::size(alphabet))] : rnd.unit());
    v.push_back(0);
    return v;
}

// ---- Random comparisons -----------------------------------------------------------

TEST(StringRandom, LengthsMatchTheReference) {
    UnitSource rnd(11);
    GuardPage guard;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Arena arena;
        const Units s = rnd.string(rnd.length());
        const charU16 *p = placeSomewhere(rnd, arena, guard, s);
        EXPECT_EQ(strlenU16(p), refLen(p));
        const size_t maxlen = rnd.below(s.size() + 10);
        EXPECT_EQ(strnlenU16(p, maxlen), refNlen(p, maxlen));

        // Without a terminator, maxlen units ending at the unreadable page.
        const Units raw = rnd.units(rnd.length());
        charU16 *q = guard.tail<charU16>(raw.size());
        std::copy(raw.begin(), raw.end(), q);
        EXPECT_EQ(strnlenU16(q, raw.size()), raw.size());
    }
}

TEST(StringRandom, ComparisonsMatchTheReference) {
    UnitSource rnd(12);
    GuardPage guardA, guardB;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Arena arenaA, arenaB;
        Units a = rnd.string(rnd.length());
        Units b = a;
        // Differ somewhere (or not at all), or end earlier.
        switch (rnd.below(4)) {
            case 0: break;
            case 1: b[rnd.below(b.size())] = rnd.unitOrZero(); break;
            case 2: b.resize(rnd.below(b.size())), b.push_back(0); break;
            default: b = rnd.string(rnd.length()); break;
        }
        const charU16 *pa = placeSomewhere(rnd, arenaA, guardA, a);
        const charU16 *pb = placeSomewhere(rnd, arenaB, guardB, b);
        const size_t limit = std::max(a.size(), b.size());
        EXPECT_EQ(strcmpU16(pa, pb), refCmp(pa, pb, limit));
        EXPECT_EQ(strcmpU16(pb, pa), refCmp(pb, pa, limit));
        const size_t n = rnd.below(limit + 4);
        EXPECT_EQ(strncmpU16(pa, pb, n), refCmp(pa, pb, n));
    }
}

TEST(StringRandom, EqualPrefixesUpToTheUnreadablePage) {
    // b ends at the unreadable page while a, at another alignment, goes on:
    // the comparison reads b no further than its terminator's block allows.
    UnitSource rnd(13);
    GuardPage guard;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Arena arena;
        const Units b = rnd.string(rnd.length());
        Units a(b.begin(), b.end() - 1);
        const Units more = rnd.string(rnd.below(20));
        a.insert(a.end(), more.begin(), more.end());
        charU16 *pa = arena.units.data() + rnd.below(8);
        std::copy(a.begin(), a.end(), pa);
        charU16 *pb = guard.tail<charU16>(b.size());
        std::copy(b.begin(), b.end(), pb);
        EXPECT_EQ(strcmpU16(pa, pb), refCmp(pa, pb, a.size()));
        EXPECT_EQ(strcmpU16(pb, pa), refCmp(pb, pa, a.size()));
        // Unterminated arrays of n equal units ending at the page.
        const size_t n = b.size() - 1;
        charU16 *pc = guard.tail<charU16>(n);
        memcpy(pc, a.data(), n * sizeof(charU16));
        EXPECT_EQ(strncmpU16(pa, pc, n), 0);
    }
}

TEST(StringRandom, SearchesMatchTheReference) {
    UnitSource rnd(14);
    GuardPage guardS, guardSet;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Arena arenaS, arenaSet;
        const Units s = smallAlphabetString(rnd, rnd.length());
        const charU16 *p = placeSomewhere(rnd, arenaS, guardS, s);
        const charU16 c = rnd.chance(10) ? 0 : (rnd.chance(70) && s.size() > 1 ? s[rnd.below(s.size())] : rnd.unit());
        EXPECT_EQ(offsetOf(p, strchrU16(p, c)), refChr(p, c));
        EXPECT_EQ(offsetOf(p, strrchrU16(p, c)), refRchr(p, c));

        const Units set = smallAlphabetString(rnd, rnd.below(5));
        const charU16 *pset = placeSomewhere(rnd, arenaSet, guardSet, set);
        const size_t cspan = refSpan(p, pset, false);
        EXPECT_EQ(strspnU16(p, pset), refSpan(p, pset, true));
        EXPECT_EQ(strcspnU16(p, pset), cspan);
        EXPECT_EQ(offsetOf(p, strpbrkU16(p, pset)), p[cspan] == 0 ? -1 : static_cast<ptrdiff_t>(cspan));

        // A sub-string taken from s (found), or a random one (mostly not).
        Units sub;
        if (rnd.chance(60) && s.size() > 1) {
            const size_t from = rnd.below(s.size() - 1);
            const size_t len = rnd.below(std::min<size_t>(s.size() - 1 - from, 6) + 1);
            sub.assign(s.begin() + static_cast<ptrdiff_t>(from), s.begin() + static_cast<ptrdiff_t>(from + len));
            sub.push_back(0);
        } else {
            sub = smallAlphabetString(rnd, rnd.below(4));
        }
        Arena arenaSub;
        const charU16 *psub = placeSomewhere(rnd, arenaSub, guardSet, sub);
        EXPECT_EQ(offsetOf(p, strstrU16(p, psub)), refStr(p, psub));
    }
}

TEST(StringRandom, CopiesMatchTheReferenceAndKeepTheCanaries) {
    UnitSource rnd(15);
    GuardPage guard;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Arena srcArena;
        const Units s = rnd.string(rnd.length());
        const charU16 *src = placeSomewhere(rnd, srcArena, guard, s);
        const size_t len = s.size() - 1;
        const size_t dstOffset = rnd.below(8);
        const Units old = rnd.string(rnd.below(30));

        Arena ours, ref;
        charU16 *d = ours.units.data() + dstOffset;
        charU16 *r = ref.units.data() + dstOffset;
        const size_t n = rnd.below(len + 8);
        switch (it % 4) {
            case 0:
                EXPECT_EQ(strcpyU16(d, src), d);
                std::copy(s.begin(), s.end(), r);
                break;
            case 1:
                std::copy(old.begin(), old.end(), d);
                std::copy(old.begin(), old.end(), r);
                EXPECT_EQ(strcatU16(d, src), d);
                std::copy(s.begin(), s.end(), r + old.size() - 1);
                break;
            case 2:
                EXPECT_EQ(strncpyU16(d, src, n), d);
                for (size_t i = 0; i < n; ++i) r[i] = i < len ? s[i] : 0;
                break;
            default: {
                std::copy(old.begin(), old.end(), d);
                std::copy(old.begin(), old.end(), r);
                EXPECT_EQ(strncatU16(d, src, n), d);
                size_t k = old.size() - 1, i = 0;
                for (; i < n && s[i] != 0; ++i) r[k++] = s[i];
                r[k] = 0;
                break;
            }
        }
        EXPECT_EQ(ours.units, ref.units);
    }
}

TEST(StringRandom, DuplicatesAreEqualCopies) {
    UnitSource rnd(16);
    GuardPage guard;
    for (int it = 0; it < 300; ++it) {
        Arena arena;
        const Units s = rnd.string(rnd.length());
        const charU16 *p = placeSomewhere(rnd, arena, guard, s);
        charU16 *copy = strdupU16(p);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(Units(copy, copy + s.size()), s);
        free(copy);
    }
}

// Token start offsets and the string as a plain tokenizer leaves it.
struct Tokens {
    std::vector<ptrdiff_t> starts;
    Units after;
};

Tokens refTokens(Units s, const charU16 *delims) {
    Tokens t;
    size_t i = 0;
    for (;;) {
        while (s[i] != 0 && refIn(s[i], delims)) ++i;
        if (s[i] == 0) break;
        t.starts.push_back(static_cast<ptrdiff_t>(i));
        while (s[i] != 0 && !refIn(s[i], delims)) ++i;
        if (s[i] == 0) break;
        s[i++] = 0;
    }
    t.after = s;
    return t;
}

TEST(StringRandom, TokenizersMatchTheReference) {
    UnitSource rnd(17);
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Units s = smallAlphabetString(rnd, rnd.length());
        const Units delims = smallAlphabetString(rnd, rnd.below(3));
        const Tokens want = refTokens(s, delims.data());

        Units r = s;
        charU16 *save = nullptr;
        std::vector<ptrdiff_t> got;
        for (charU16 *tok = strtok_rU16(r.data(), delims.data(), &save); tok != nullptr;
             tok = strtok_rU16(nullptr, delims.data(), &save)) {
            got.push_back(tok - r.data());
            if (save == nullptr) break;
        }
        EXPECT_EQ(got, want.starts);
        EXPECT_EQ(r, want.after);
        EXPECT_EQ(save, nullptr);

        Units g = s;
        got.clear();
        for (charU16 *tok = strtokU16(g.data(), delims.data()); tok != nullptr;
             tok = strtokU16(nullptr, delims.data()))
            got.push_back(tok - g.data());
        EXPECT_EQ(got, want.starts);
        EXPECT_EQ(g, want.after);
        EXPECT_EQ(strtokU16(nullptr, delims.data()), nullptr);
    }
}

// ---- Cases a random test does not reach ------------------------------------------------

TEST(StringEdge, ComparisonOrderIsCodeUnitOrder) {
    const charU16 replacement[] = {0xFFFD, 0};
    const charU16 grin[] = {0xD83D, 0xDE00, 0};
    EXPECT_GT(strcmpU16(replacement, grin), 0);
    EXPECT_EQ(strcmpU16(u"a", u"ab"), -0x62);
    EXPECT_EQ(strcmpU16(u"\xFFFF", u"\x8000"), 0xFFFF - 0x8000);
    EXPECT_EQ(strncmpU16(u"ab", u"xy", 0), 0);
}

TEST(StringEdge, TerminatorSearchesAndEmptySets) {
    const charU16 *s = u"abc";
    EXPECT_EQ(strchrU16(s, 0), s + 3);
    EXPECT_EQ(strrchrU16(s, 0), s + 3);
    EXPECT_EQ(strstrU16(s, u""), s);
    EXPECT_EQ(strstrU16(u"ab", u"abc"), nullptr);
    EXPECT_EQ(strpbrkU16(u"", u"a"), nullptr);
    EXPECT_EQ(strspnU16(s, u""), 0u);
    EXPECT_EQ(strcspnU16(s, u""), 3u);
}

TEST(StringEdge, BoundedCopiesAtTheirLimits) {
    charU16 d[8];
    std::fill(std::begin(d), std::end(d), canary);
    strncpyU16(d, u"abc", 3);
    EXPECT_EQ(d[3], canary);  // no terminator with n equal to the length
    charU16 cat[8] = u"xy";
    strncatU16(cat, u"abcde", 0);
    EXPECT_EQ(Units(cat, cat + 3), (Units{u'x', u'y', 0}));
}

TEST(StringEdge, StrtokKeepsReturningNullAfterTheEnd) {
    charU16 s[] = u"  a,b";
    EXPECT_EQ(strtokU16(s, u", "), s + 2);
    EXPECT_EQ(strtokU16(nullptr, u", "), s + 4);
    EXPECT_EQ(strtokU16(nullptr, u", "), nullptr);
    EXPECT_EQ(strtokU16(nullptr, u", "), nullptr);
}

TEST(StringEdge, StrtokOnAStringWithoutTokensForgetsTheOldString) {
    // A new string without tokens ends tokenizing: the next call with a null
    // string must not go back to the previous string, which the caller may
    // have released.
    charU16 first[] = u"a b c";
    charU16 second[] = u"   ";
    EXPECT_EQ(strtokU16(first, u" "), first);
    EXPECT_EQ(strtokU16(second, u" "), nullptr);
    EXPECT_EQ(strtokU16(nullptr, u" "), nullptr);
    EXPECT_EQ(Units(first, first + 6), (Units{u'a', 0, u'b', u' ', u'c', 0}));
}

TEST(StringEdge, StrtokRAfterTheLastTokenNeedsANewString) {
    charU16 s[] = u"a,b";
    charU16 *save = nullptr;
    EXPECT_EQ(strtok_rU16(s, u",", &save), s);
    EXPECT_EQ(save, s + 2);
    EXPECT_EQ(strtok_rU16(nullptr, u",", &save), s + 2);
    EXPECT_EQ(save, nullptr);
    errno = 0;
    EXPECT_EQ(strtok_rU16(nullptr, u",", &save), nullptr);
    EXPECT_EQ(errno, EINVAL);

    // Only delimiters: null, and the saved position is null too.
    charU16 d[] = u",,";
    save = d;
    EXPECT_EQ(strtok_rU16(d, u",", &save), nullptr);
    EXPECT_EQ(save, nullptr);
    errno = 0;
    EXPECT_EQ(strtok_rU16(nullptr, u",", nullptr), nullptr);
    EXPECT_EQ(errno, EINVAL);
}

// The first strtokU16 of a process with a null string: the saved position is
// still null, so the result is null and nothing is touched.
const qoru_test::Child firstStrtok("strtok-first-null", [](const std::vector<std::string> &) {
    if (strtokU16(nullptr, u" ") != nullptr) return 1;
    charU16 s[] = u"x y";
    if (strtokU16(s, u" ") != s) return 2;
    if (strtokU16(nullptr, u" ") != s + 2) return 3;
    return strtokU16(nullptr, u" ") == nullptr ? 0 : 4;
});

TEST(StringEdge, FirstStrtokOfTheProcessWithNullStringReturnsNull) {
    EXPECT_EQ(qoru_test::runChild("strtok-first-null").exitCode, 0);
}

}  // namespace
