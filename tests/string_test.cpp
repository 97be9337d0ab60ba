// The string functions against plain reference loops on random units, at every 2-byte alignment, across
// a page end and ending right before an unreadable page (the word-at-a-time paths read aligned blocks).
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <tuple>
#include <cstdlib>
#include <vector>

#include "child.h"
#include "errno_after.h"
#include "guard_page.h"
#include "i18n/qoru16/u16_strstr.h"
#include "qorucum.h"
#include "random_units.h"

namespace {

using qoru_test::Arena;
using qoru_test::refNlen;
using qoru_test::UnitSource;
using Units = std::vector<charU16>;

int32_t refCmp(const charU16 *a, const charU16 *b, size_t n) {
    size_t i = 0;
    while (i < n && a[i] == b[i] && a[i] != 0) ++i;
    return i == n ? 0 : a[i] - b[i];
}

bool refIn(charU16 c, const charU16 *set) { return std::find(set, set + refNlen(set), c) != set + refNlen(set); }

size_t refSpan(const charU16 *s, const charU16 *set, bool inside) {
    size_t n = 0;
    while (s[n] != 0 && refIn(s[n], set) == inside) ++n;
    return n;
}

// A string mostly of a few values, so that sets and searches meet often.
Units smallAlphabetString(UnitSource &rnd, size_t length) {
    static constexpr charU16 alphabet[] = {u'a', u'b', 0x8000, 0xFFFF, 0xD800, 0xDC00};
    Units v;
    for (size_t i = 0; i < length; ++i) v.push_back(rnd.chance(80) ? alphabet[rnd.below(std::size(alphabet))] : rnd.unit());
    v.push_back(0);
    return v;
}

TEST(StringRandom, LengthsComparisonsSearchesTokensAndCopiesMatchTheReference) {
    UnitSource rnd(12);
    qoru_test::GuardPage guardA, guardB;
    for (int it = 0; it < 3000; ++it) {
        SCOPED_TRACE(it);
        Arena arenaA, arenaB, arenaSet;
        Units a = smallAlphabetString(rnd, rnd.length()), b = a;
        const size_t from = rnd.chance(50) ? 0 : rnd.below(a.size()), len = rnd.below(a.size() - from);
        switch (rnd.below(4)) {  // equal, differing somewhere, a piece of a (often a prefix), or unrelated
            case 0: break;
            case 1: b[rnd.below(b.size() - 1)] = b.size() > 1 ? rnd.unitOrZero() : 0; break;
            case 2: b = Units(&a[from], &a[from + len]), b.push_back(0); break;
            default: b = rnd.chance(50) ? rnd.string(rnd.length()) : smallAlphabetString(rnd, rnd.below(4));
        }
        const charU16 *pa = placeSomewhere(rnd, arenaA, guardA, a), *pb = placeSomewhere(rnd, arenaB, guardB, b);
        const size_t maxlen = rnd.below(a.size() + 10), limit = std::max(a.size(), b.size()), n = rnd.below(limit + 4);
        EXPECT_EQ(strlenU16(pa), refNlen(pa));
        EXPECT_EQ(strnlenU16(pa, maxlen), refNlen(pa, maxlen));
        EXPECT_EQ(strcmpU16(pa, pb), refCmp(pa, pb, limit));
        EXPECT_EQ(strcmpU16(pb, pa), refCmp(pb, pa, limit));
        EXPECT_EQ(strncmpU16(pa, pb, n), refCmp(pa, pb, n));
        const charU16 *found = std::search(pa, pa + refNlen(pa), pb, pb + refNlen(pb));
        EXPECT_EQ(strstrU16(pa, pb), *found == 0 && *pb != 0 ? nullptr : found);

        const charU16 c = rnd.chance(10) ? 0 : (rnd.chance(70) && a.size() > 1 ? a[rnd.below(a.size())] : rnd.unit());
        const charU16 *end = pa + refNlen(pa) + 1;  // the terminator is searched too
        const charU16 *first = std::find(pa, end, c), *last = nullptr;
        for (const charU16 *p = pa; p != end; ++p) last = *p == c ? p : last;
        EXPECT_EQ(strchrU16(pa, c), first == end ? nullptr : first);
        EXPECT_EQ(strrchrU16(pa, c), last);
        const charU16 *set = placeSomewhere(rnd, arenaSet, guardB, smallAlphabetString(rnd, rnd.below(5)));
        const size_t cspan = refSpan(pa, set, false);
        EXPECT_EQ(strspnU16(pa, set), refSpan(pa, set, true));
        EXPECT_EQ(strcspnU16(pa, set), cspan);
        EXPECT_EQ(strpbrkU16(pa, set), pa[cspan] == 0 ? nullptr : pa + cspan);
        // Copies of a cut into tokens by the set, as a plain tokenizer does (want: the string it leaves).
        Units want = a, r = a, g = a;
        std::vector<ptrdiff_t> starts, gotR, gotG;
        for (size_t i = 0; want[i] != 0;) {
            while (want[i] != 0 && refIn(want[i], set)) ++i;
            if (want[i] != 0) starts.push_back(static_cast<ptrdiff_t>(i));
            while (want[i] != 0 && !refIn(want[i], set)) ++i;
            if (want[i] != 0) want[i++] = 0;
        }
        charU16 *save = nullptr;
        for (charU16 *t = strtok_rU16(r.data(), set, &save); t; t = strtok_rU16(nullptr, set, &save))
            gotR.push_back(t - r.data());  // after the last token (save null) the next call fails
        for (charU16 *t = strtokU16(g.data(), set); t; t = strtokU16(nullptr, set)) gotG.push_back(t - g.data());
        EXPECT_EQ(std::tie(gotR, gotG, r, g), std::tie(starts, starts, want, want));
        EXPECT_EQ(save, nullptr);
        EXPECT_EQ(strtokU16(nullptr, set), nullptr);  // and again after the end

        // b without its terminator, ending at the unreadable page.
        const size_t m = b.size() - 1;
        charU16 *q = std::copy(b.begin(), b.end() - 1, guardB.tail<charU16>(m)) - m;
        EXPECT_EQ(strnlenU16(q, m), refNlen(q, m));
        EXPECT_EQ(strncmpU16(pa, q, m), refCmp(pa, q, m));

        // Copies of a (strdupU16's too) over an old string at one of eight offsets, the canaries kept.
        Arena ours, ref;
        const Units old = rnd.string(rnd.below(30));
        const size_t length = a.size() - 1, count = rnd.below(length + 8), at = rnd.below(8);
        charU16 *o = ours.units.data() + at, *w = ref.units.data() + at, *tail = w + old.size() - 1;
        std::copy(old.begin(), old.end(), o), std::copy(old.begin(), old.end(), w);
        switch (it % 5) {
            case 0:
            case 1:
                EXPECT_EQ(it % 5 == 0 ? strcpyU16(o, pa) : strcatU16(o, pa), o);
                std::copy(a.begin(), a.end(), it % 5 == 0 ? w : tail);
                break;
            case 2:
                EXPECT_EQ(strncpyU16(o, pa, count), o);
                for (size_t i = 0; i < count; ++i) w[i] = i < length ? a[i] : 0;
                break;
            case 3:
                EXPECT_EQ(strncatU16(o, pa, count), o);
                *std::copy(a.begin(), a.begin() + static_cast<ptrdiff_t>(std::min(count, length)), tail) = 0;
                break;
            default: {
                charU16 *copy = strdupU16(pa);
                ASSERT_NE(copy, nullptr);
                EXPECT_EQ(Units(copy, copy + a.size()), a);
                free(copy);
            }
        }
        EXPECT_EQ(ours.units, ref.units);
    }
}

// Two letters, often repeating a short pattern, make periodic needles and overlapping partial matches; a million
// "a" searched for "a...ab" takes a naive search about a billion steps (the benchmark times it).
TEST(StringEdge, SearchesTwoLetterTextsAndAMillionUnits) {
    UnitSource rnd(18);
    const auto twoLetters = [&](size_t n, unsigned flips, const Units &pattern) {  // pattern's units, some flipped
        Units v(n + 1, 0);
        for (size_t i = 0; i < n; ++i) v[i] = pattern[i % pattern.size()] ^ (rnd.chance(flips) ? 3 : 0);  // a <-> b
        return v;
    };
    for (int it = 0; it < 30000; ++it) {
        Units pattern = twoLetters(1 + rnd.below(4), 50, {u'a'});
        pattern.pop_back();
        if (rnd.chance(50)) pattern = {u'a'};
        const unsigned flips = rnd.chance(50) ? 50 : 4;
        const Units h = twoLetters(rnd.below(flips > 4 ? 24 : 300), flips, pattern);
        const Units n = twoLetters(2 + rnd.below(flips > 4 ? 8 : 30), flips, pattern);
        const auto found = std::search(h.begin(), h.end() - 1, n.begin(), n.end() - 1);
        const charU16 *want = found == h.end() - 1 ? nullptr : &*found;
        EXPECT_EQ(strstrU16(h.data(), n.data()), want) << it;
        EXPECT_EQ(qoru::twoWaySearch(h.data(), n.data(), 0, 0), want) << it;  // which strstrU16 reaches late
    }
    Units big = twoLetters(size_t{1} << 20, 0, {u'a'}), needle = twoLetters(1001, 0, {u'a'});
    needle[1000] = u'b';
    EXPECT_EQ(strstrU16(big.data(), needle.data()), nullptr);
    big[big.size() - 2] = u'b';
    EXPECT_EQ(strstrU16(big.data(), needle.data()), big.data() + big.size() - 1002);
}

const qoru_test::Child firstStrtok("strtok-first-null", [](const std::vector<std::string> &) {
    charU16 s[] = u"x y";
    return !strtokU16(nullptr, u" ") && strtokU16(s, u" ") == s && strtokU16(nullptr, u" ") == s + 2 ? 0 : 1;
});

// A caller's bug that memcheck must still report: the test command runs this child under Valgrind only.
const qoru_test::Child unterminated("strlen-unterminated", [](const std::vector<std::string> &) {
    const std::vector<charU16> s(3, u'x');
    return strlenU16(s.data()) >= 3 ? 0 : 1;
});

TEST(StringEdge, TokenizerState) {
    // A new string without tokens ends tokenizing: no going back to the previous one.
    charU16 first[] = u"a b", second[] = u"   ";
    EXPECT_EQ(strtokU16(first, u" "), first);
    EXPECT_EQ(strtokU16(second, u" "), nullptr);
    EXPECT_EQ(strtokU16(nullptr, u" "), nullptr);
    charU16 *save = nullptr;  // strtok_rU16: a null string after the last token (save null), or a null save pointer
    for (charU16 **saved : {&save, static_cast<charU16 **>(nullptr)})
        EXPECT_EQ(qoru_test::errnoAfter([&] { EXPECT_EQ(strtok_rU16(nullptr, u",", saved), nullptr); }), EINVAL);
    EXPECT_EQ(qoru_test::runChild("strtok-first-null").exitCode, 0);
}

}  // namespace
