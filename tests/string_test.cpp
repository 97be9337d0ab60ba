// The string functions against plain reference loops on random units, at
// every 2-byte alignment and ending right before an unreadable page (the
// word-at-a-time paths read ahead within a page); then the tokenizer state
// that a random test does not reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "child.h"
#include "guard_page.h"
#include "qorucum.h"
#include "random_units.h"

namespace {

using qoru_test::Arena;
using qoru_test::GuardPage;
using qoru_test::UnitSource;
using Units = std::vector<charU16>;

constexpr int iterations = 3000;

size_t refNlen(const charU16 *s, size_t maxlen = SIZE_MAX) {
    size_t n = 0;
    while (n < maxlen && s[n] != 0) ++n;
    return n;
}

int32_t refCmp(const charU16 *a, const charU16 *b, size_t n) {
    size_t i = 0;
    while (i < n && a[i] == b[i] && a[i] != 0) ++i;
    return i == n ? 0 : static_cast<int32_t>(a[i]) - static_cast<int32_t>(b[i]);
}

bool refIn(charU16 c, const charU16 *set) {
    const charU16 *end = set + refNlen(set);
    return std::find(set, end, c) != end;
}

// Index of the first (or last) unit equal to c, the terminator included, or -1.
ptrdiff_t refChr(const charU16 *s, charU16 c, bool last) {
    ptrdiff_t found = -1;
    for (ptrdiff_t i = 0;; ++i) {
        if (s[i] == c && (last || found < 0)) found = i;
        if (s[i] == 0) return found;
    }
}

ptrdiff_t refStr(const charU16 *s, const charU16 *sub) {
    const size_t n = refNlen(s), m = refNlen(sub);
    for (size_t i = 0; i + m <= n; ++i)
        if (std::equal(sub, sub + m, s + i)) return static_cast<ptrdiff_t>(i);
    return -1;
}

size_t refSpan(const charU16 *s, const charU16 *set, bool inside) {
    size_t n = 0;
    while (s[n] != 0 && refIn(s[n], set) == inside) ++n;
    return n;
}

ptrdiff_t offsetOf(const charU16 *base, const charU16 *p) { return p == nullptr ? -1 : p - base; }

// A string mostly of a few values, so that sets and searches meet often.
Units smallAlphabetString(UnitSource &rnd, size_t length) {
    static constexpr charU16 alphabet[] = {u'a', u'b', 0x8000, 0xFFFF, 0xD800, 0xDC00};
    Units v;
    for (size_t i = 0; i < length; ++i)
        v.push_back(rnd.chance(80) ? alphabet[rnd.below(std::size(alphabet))] : rnd.unit());
    v.push_back(0);
    return v;
}

TEST(StringRandom, LengthsAndComparisonsMatchTheReference) {
    UnitSource rnd(12);
    GuardPage guardA, guardB;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Arena arenaA, arenaB;
        Units a = rnd.string(rnd.length());
        Units b = a;
        switch (rnd.below(5)) {  // equal, differing somewhere, shorter, unrelated, or longer
            case 0: break;
            case 1: b[rnd.below(b.size())] = rnd.unitOrZero(); break;
            case 2: b.resize(rnd.below(b.size())), b.push_back(0); break;
            case 3: b = rnd.string(rnd.length()); break;
            default: {
                const Units more = rnd.string(rnd.below(20));
                a.pop_back(), a.insert(a.end(), more.begin(), more.end());
            }
        }
        const charU16 *pa = placeSomewhere(rnd, arenaA, guardA, a);
        const charU16 *pb = placeSomewhere(rnd, arenaB, guardB, b);
        EXPECT_EQ(strlenU16(pa), refNlen(pa));
        const size_t maxlen = rnd.below(a.size() + 10);
        EXPECT_EQ(strnlenU16(pa, maxlen), refNlen(pa, maxlen));
        const size_t limit = std::max(a.size(), b.size());
        EXPECT_EQ(strcmpU16(pa, pb), refCmp(pa, pb, limit));
        EXPECT_EQ(strcmpU16(pb, pa), refCmp(pb, pa, limit));
        const size_t n = rnd.below(limit + 4);
        EXPECT_EQ(strncmpU16(pa, pb, n), refCmp(pa, pb, n));

        // b without its terminator, ending at the unreadable page (often a
        // prefix of a, so that the comparison runs up to the page).
        const size_t m = b.size() - 1;
        charU16 *q = guardB.tail<charU16>(m);
        std::copy(b.begin(), b.end() - 1, q);
        EXPECT_EQ(strnlenU16(q, m), refNlen(q, m));
        EXPECT_EQ(strncmpU16(pa, q, m), refCmp(pa, q, m));
    }
}

TEST(StringRandom, SearchesMatchTheReference) {
    UnitSource rnd(14);
    GuardPage guardS, guardSet;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Arena arenaS, arenaSet, arenaSub;
        const Units s = smallAlphabetString(rnd, rnd.length());
        const charU16 *p = placeSomewhere(rnd, arenaS, guardS, s);
        const charU16 c = rnd.chance(10) ? 0 : (rnd.chance(70) && s.size() > 1 ? s[rnd.below(s.size())] : rnd.unit());
        EXPECT_EQ(offsetOf(p, strchrU16(p, c)), refChr(p, c, false));
        EXPECT_EQ(offsetOf(p, strrchrU16(p, c)), refChr(p, c, true));

        const Units set = smallAlphabetString(rnd, rnd.below(5));
        const charU16 *pset = placeSomewhere(rnd, arenaSet, guardSet, set);
        const size_t cspan = refSpan(p, pset, false);
        EXPECT_EQ(strspnU16(p, pset), refSpan(p, pset, true));
        EXPECT_EQ(strcspnU16(p, pset), cspan);
        EXPECT_EQ(offsetOf(p, strpbrkU16(p, pset)), p[cspan] == 0 ? -1 : static_cast<ptrdiff_t>(cspan));

        // A piece of s (found), or a random string (mostly not).
        Units sub = smallAlphabetString(rnd, rnd.below(4));
        if (rnd.chance(60) && s.size() > 1) {
            const size_t from = rnd.below(s.size() - 1);
            const size_t len = rnd.below(std::min<size_t>(s.size() - 1 - from, 6) + 1);
            sub.assign(s.begin() + static_cast<ptrdiff_t>(from), s.begin() + static_cast<ptrdiff_t>(from + len));
            sub.push_back(0);
        }
        const charU16 *psub = placeSomewhere(rnd, arenaSub, guardSet, sub);
        EXPECT_EQ(offsetOf(p, strstrU16(p, psub)), refStr(p, psub));
    }
}

TEST(StringRandom, CopiesMatchTheReferenceAndKeepTheCanaries) {
    UnitSource rnd(15);
    GuardPage guard;
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        Arena srcArena, ours, ref;
        const Units s = rnd.string(rnd.length());
        const charU16 *src = placeSomewhere(rnd, srcArena, guard, s);
        const size_t len = s.size() - 1, n = rnd.below(len + 8), at = rnd.below(8);
        const Units old = rnd.string(rnd.below(30));
        charU16 *d = ours.units.data() + at, *r = ref.units.data() + at;
        std::copy(old.begin(), old.end(), d);
        std::copy(old.begin(), old.end(), r);
        charU16 *const tail = r + old.size() - 1;
        switch (it % 5) {
            case 0:
                EXPECT_EQ(strcpyU16(d, src), d);
                std::copy(s.begin(), s.end(), r);
                break;
            case 1:
                EXPECT_EQ(strcatU16(d, src), d);
                std::copy(s.begin(), s.end(), tail);
                break;
            case 2:
                EXPECT_EQ(strncpyU16(d, src, n), d);
                for (size_t i = 0; i < n; ++i) r[i] = i < len ? s[i] : 0;
                break;
            case 3:
                EXPECT_EQ(strncatU16(d, src, n), d);
                std::copy(s.begin(), s.begin() + static_cast<ptrdiff_t>(std::min(n, len)), tail);
                tail[std::min(n, len)] = 0;
                break;
            default: {
                charU16 *copy = strdupU16(src);
                ASSERT_NE(copy, nullptr);
                EXPECT_EQ(Units(copy, copy + s.size()), s);
                free(copy);
            }
        }
        EXPECT_EQ(ours.units, ref.units);
    }
}

// Token start offsets and the string as a plain tokenizer leaves it.
std::pair<std::vector<ptrdiff_t>, Units> refTokens(Units s, const charU16 *delims) {
    std::vector<ptrdiff_t> starts;
    for (size_t i = 0;;) {
        while (s[i] != 0 && refIn(s[i], delims)) ++i;
        if (s[i] == 0) break;
        starts.push_back(static_cast<ptrdiff_t>(i));
        while (s[i] != 0 && !refIn(s[i], delims)) ++i;
        if (s[i] == 0) break;
        s[i++] = 0;
    }
    return {starts, s};
}

TEST(StringRandom, TokenizersMatchTheReference) {
    UnitSource rnd(17);
    for (int it = 0; it < iterations; ++it) {
        SCOPED_TRACE(it);
        const Units s = smallAlphabetString(rnd, rnd.length());
        const Units delims = smallAlphabetString(rnd, rnd.below(3));
        const auto want = refTokens(s, delims.data());
        Units r = s, g = s;
        charU16 *save = nullptr;
        std::vector<ptrdiff_t> gotR, gotG;
        for (charU16 *t = strtok_rU16(r.data(), delims.data(), &save); t; t = strtok_rU16(nullptr, delims.data(), &save)) {
            gotR.push_back(t - r.data());
            if (save == nullptr) break;  // after the last token a new string is needed
        }
        for (charU16 *t = strtokU16(g.data(), delims.data()); t; t = strtokU16(nullptr, delims.data()))
            gotG.push_back(t - g.data());
        EXPECT_EQ(gotR, want.first);
        EXPECT_EQ(gotG, want.first);
        EXPECT_EQ(r, want.second);
        EXPECT_EQ(g, want.second);
        EXPECT_EQ(save, nullptr);
        EXPECT_EQ(strtokU16(nullptr, delims.data()), nullptr);  // and again after the end
    }
}

TEST(StringEdge, TokenizerState) {
    // A new string without tokens ends tokenizing: the next call with a null
    // string must not go back to the previous one, which may be released.
    charU16 first[] = u"a b c", second[] = u"   ";
    EXPECT_EQ(strtokU16(first, u" "), first);
    EXPECT_EQ(strtokU16(second, u" "), nullptr);
    EXPECT_EQ(strtokU16(nullptr, u" "), nullptr);
    EXPECT_EQ(Units(first, first + 6), (Units{u'a', 0, u'b', u' ', u'c', 0}));

    // strtok_rU16: null string after the last token, or a null save pointer.
    charU16 s[] = u"a,b";
    charU16 *save = nullptr;
    EXPECT_EQ(strtok_rU16(s, u",", &save), s);
    EXPECT_EQ(save, s + 2);
    EXPECT_EQ(strtok_rU16(nullptr, u",", &save), s + 2);
    EXPECT_EQ(save, nullptr);
    for (charU16 **saved : {&save, static_cast<charU16 **>(nullptr)}) {
        errno = 0;
        EXPECT_EQ(strtok_rU16(nullptr, u",", saved), nullptr);
        EXPECT_EQ(errno, EINVAL);
    }
}

// The first strtokU16 of a process with a null string: the saved position is
// still null, so the result is null and nothing is touched.
const qoru_test::Child firstStrtok("strtok-first-null", [](const std::vector<std::string> &) {
    if (strtokU16(nullptr, u" ") != nullptr) return 1;
    charU16 s[] = u"x y";
    if (strtokU16(s, u" ") != s || strtokU16(nullptr, u" ") != s + 2) return 2;
    return strtokU16(nullptr, u" ") == nullptr ? 0 : 3;
});

TEST(StringEdge, FirstStrtokOfTheProcessWithNullStringReturnsNull) {
    EXPECT_EQ(qoru_test::runChild("strtok-first-null").exitCode, 0);
}

}  // namespace
