// strstrU16 by the two-way algorithm of Crochemore and Perrin. The needle is
// cut at a critical factorization; each window compares the right part
// forwards, then the left part backwards, and moves by the needle's period
// (remembering the prefix a periodic needle is known to match) or past the
// mismatch. Each unit of the haystack is compared a few times at most, so the time
// is linear in the haystack's length whatever the texts: a naive search of
// a million "a" for "a...ab" would take about a billion steps.
//
// Between windows with nothing remembered, the search jumps to the next unit
// equal to the needle's first. strstrU16 itself searches plainly
// first and hands over to the two-way search only once that does too much.
#include <cstring>

#include "i18n/qoru16/u16_strstr.h"
#include "qorucum/string.h"

namespace qoru {
namespace {

// The next unit equal to c (not zero) from p on, or null at the terminator:
// a few units one by one first, since a frequent unit is near and a call to
// the vector search costs more than those, then the vector search.
inline const charU16 *nextUnit(const charU16 *p, charU16 c) {
    constexpr int nearUnits = 8;
    for (int i = 0; i < nearUnits; ++i, ++p) {
        if (*p == c) return p;
        if (*p == 0) return nullptr;
    }
    return strchrU16(p, c);
}

// A maximal suffix of the needle under one order of the units: where it
// starts, and its period.
struct Suffix {
    size_t start;
    size_t period;
};

// The classic single pass: the best suffix so far starts at s, a rival
// starts at c, and k units of both have been found equal.
Suffix maximalSuffix(const charU16 *n, size_t length, bool reversedOrder) {
    size_t s = 0, c = 1, k = 0, period = 1;
    while (c + k < length) {
        const charU16 rival = n[c + k], best = n[s + k];
        if (rival == best) {
            if (k + 1 == period) {
                c += period;
                k = 0;
            } else {
                ++k;
            }
        } else if ((rival < best) != reversedOrder) {
            // The rival is smaller: every suffix starting up to its mismatch is too.
            c += k + 1;
            k = 0;
            period = c - s;
        } else {
            s = c;
            c = s + 1;
            k = 0;
            period = 1;
        }
    }
    return {s, period};
}

}  // namespace

// The haystack is read no further than its terminator: units before
// `checked` are known to come before it, and each is checked once.
const charU16 *twoWaySearch(const charU16 *s, const charU16 *sub, size_t j, size_t checked) {
    const size_t length = strlenU16(sub);

    // The critical factorization: the later of the two maximal suffixes.
    const Suffix forward = maximalSuffix(sub, length, false);
    const Suffix backward = maximalSuffix(sub, length, true);
    const Suffix critical = forward.start > backward.start ? forward : backward;
    const size_t cut = critical.start;
    size_t period = critical.period;
    // The needle has that period if its left part recurs one period later;
    // otherwise no two occurrences overlap by more than the larger part.
    const bool periodic = memcmp(sub, sub + period, cut * sizeof(charU16)) == 0;
    if (!periodic) period = (cut > length - cut ? cut : length - cut) + 1;

    size_t remembered = 0;  // leading units of the window known to match
    for (;;) {
        // (A window that starts on a unit already read and equal needs no call.)
        if (remembered == 0 && !(j < checked && s[j] == sub[0])) {
            const charU16 *next = nextUnit(s + j, sub[0]);
            if (next == nullptr) return nullptr;
            j = static_cast<size_t>(next - s);
            if (checked <= j) checked = j + 1;
        }
        // Units of the left part not read before are checked on the way; one
        // that differs from the needle moves the window on by one.
        size_t i = cut > remembered ? cut : remembered;
        for (; checked < j + i; ++checked)
            if (s[checked] != sub[checked - j]) break;
        if (checked < j + i) {
            if (s[checked] == 0) return nullptr;
            ++checked;
            ++j;
            remembered = 0;
            continue;
        }
        // The right part, forwards: a mismatch on the terminator ends the search.
        while (i < length && sub[i] == s[j + i]) ++i;
        if (checked < j + i) checked = j + i;
        if (i < length) {
            if (s[j + i] == 0) return nullptr;
            j += i - cut + 1;
            remembered = 0;
            continue;
        }
        size_t k = cut;
        while (k > remembered && sub[k - 1] == s[j + k - 1]) --k;
        if (k <= remembered) return s + j;
        j += period;
        remembered = periodic ? length - period : 0;
    }
}

}  // namespace qoru

// The plain search first: while it compares few units per position it is the
// quickest on ordinary text. Once its comparisons outrun the distance covered
// (a needle with long partial matches), the two-way search takes over from
// where it stands; either way the work stays linear.
extern "C" QORUCUM_API charU16 *strstrU16(const charU16 *s, const charU16 *sub) {
    if (sub[0] == 0) return const_cast<charU16 *>(s);
    size_t compared = 0;
    for (const charU16 *p = qoru::nextUnit(s, sub[0]); p != nullptr; p = qoru::nextUnit(p + 1, sub[0])) {
        size_t x = 1;
        while (sub[x] != 0 && p[x] == sub[x]) ++x;
        if (sub[x] == 0) return const_cast<charU16 *>(p);
        if (p[x] == 0) return nullptr;  // the haystack ends inside this window, and so inside every later one
        compared += x;
        const auto position = static_cast<size_t>(p - s);
        if (compared > 2 * position + 16)
            return const_cast<charU16 *>(qoru::twoWaySearch(s, sub, position + 1, position + x + 1));
    }
    return nullptr;
}
