// Random code units meeting the extremes, the 16-bit sign bit and surrogates often, and a small alphabet so
// that searches and comparisons find matches; where the tests place them, and the string kernels against plain.
#ifndef QORU_TEST_RANDOM_UNITS_H
#define QORU_TEST_RANDOM_UNITS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "guard_page.h"
#include "i18n/qoru16/u16_cpu.h"

namespace qoru_test {

inline constexpr char16_t interestingUnits[] = {
    1,      u'a',   u'b',   u' ',   0x7F,   0x80,   0xFF,   0x100,  0x7FFF, 0x8000,
    0x8001, 0xD7FF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFD, 0xFFFE, 0xFFFF};

class UnitSource {
public:
    explicit UnitSource(uint32_t seed) : rng_(seed) {}

    // A number in [0, n).
    size_t below(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
    bool chance(unsigned percent) { return below(100) < percent; }

    // A non-zero unit.
    char16_t unit() {
        switch (below(4)) {
            case 0:
            case 1: return interestingUnits[below(std::size(interestingUnits))];
            case 2: return static_cast<char16_t>(u'a' + below(3));
            default: return static_cast<char16_t>(1 + below(0xFFFF));
        }
    }
    // A unit that is 0 about one time in ten.
    char16_t unitOrZero() { return chance(10) ? 0 : unit(); }

    // count units, none of them 0 unless zeros is set.
    std::vector<char16_t> units(size_t count, bool zeros = false) {
        std::vector<char16_t> v(count);
        for (auto &u : v) u = zeros ? unitOrZero() : unit();
        return v;
    }
    // A zero-terminated string of length units.
    std::vector<char16_t> string(size_t length) {
        std::vector<char16_t> v = units(length);
        v.push_back(0);
        return v;
    }
    // Units mostly of one class (ASCII, two-byte, three-byte, surrogates, above them), or of all mixed, so
    // that every path of the UTF-8 kernels and writer is reached; 0 now and then only when zeros is set.
    std::vector<char16_t> classMix(size_t length, bool zeros = false) {
        static constexpr char16_t base[] = {1, 0x80, 0x800, 0xD800, 0xE000};
        static constexpr char16_t span[] = {0x7F, 0x780, 0xD000, 0x800, 0x2000};
        const size_t mix = below(7);
        std::vector<char16_t> v(length);
        for (auto &u : v) {
            const size_t k = mix < 5 && chance(95) ? mix : below(5);
            u = chance(3) ? (zeros ? unitOrZero() : unit()) : static_cast<char16_t>(base[k] + below(span[k]));
        }
        return v;
    }
    // A length that is usually short but sometimes spans many blocks.
    size_t length() { return chance(80) ? below(40) : below(300); }

private:
    std::mt19937 rng_;
};

// Units before the first zero, at most max: the plain length the tests compare with.
template <class T>
size_t refNlen(const T *s, size_t max = SIZE_MAX) {
    size_t n = 0;
    while (n < max && s[n] != 0) ++n;
    return n;
}

inline constexpr char16_t canary = 0xCCCC;
inline constexpr size_t pageUnits = 2048;  // in a 4096-byte page

// Units filled with canaries around a whole page, where tests place their strings.
struct Arena {
    std::vector<char16_t> units = std::vector<char16_t>(3 * pageUnits, canary);
    char16_t *page() { return units.data() + pageUnits - (reinterpret_cast<uintptr_t>(units.data()) % 4096) / 2; }
};

// Puts units at a random place: at any 2-byte offset of a 256-byte block in the arena, across the end of
// its page, or ending right before the unreadable page.
inline char16_t *placeSomewhere(UnitSource &rnd, Arena &arena, const GuardPage &guard,
                                const std::vector<char16_t> &units) {
    const size_t n = units.size();
    char16_t *p = rnd.chance(30)   ? guard.tail<char16_t>(n)
                  : rnd.chance(50) ? arena.page() + pageUnits - rnd.below(std::min(n, pageUnits) + 1)
                                   : arena.page() + rnd.below(128);
    std::copy(units.begin(), units.end(), p);
    return p;
}

// What a level's string scan kernels (k) do otherwise than plain's on strings a and b, with c to find in a, n
// units to compare (within both), a copied to offset to of a canary-filled block: the first such kernel, or "".
template <class Kernels>
std::string scanKernelFault(const Kernels &k, const char16_t *a, const char16_t *b, char16_t c, size_t n, size_t to) {
    const Kernels &plain = qoru::plainKernels;
    if (k.stringLength(a) != plain.stringLength(a)) return "stringLength";
    if (k.findZeroOrUnit(a, c) != plain.findZeroOrUnit(a, c)) return "findZeroOrUnit";
    if (k.findUnit(a, c) != plain.findUnit(a, c) || k.findLast(a, c) != plain.findLast(a, c)) return "findUnit/Last";
    if (k.compare(a, b) != plain.compare(a, b)) return "compare";
    if (k.compareWithin(a, b, n) != plain.compareWithin(a, b, n)) return "compareWithin";
    if (k.findZeroWithin(a, n) != plain.findZeroWithin(a, n)) return "findZeroWithin";
    // A length past a's end where c is in a, as C's memchr allows.
    const char16_t *cAt = plain.findUnit(a, c);
    if (k.findUnitWithin(a, c, n) != plain.findUnitWithin(a, c, n) || (cAt && k.findUnitWithin(a, c, SIZE_MAX) != cAt))
        return "findUnitWithin";
    const size_t len = refNlen(a);
    std::vector<char16_t> ours(to + len + 129, canary), ref = ours;
    if (k.fill(ours.data() + to, c, len) != ours.data() + to || (plain.fill(ref.data() + to, c, len), ours != ref))
        return "fill";
    return k.copy(ours.data() + to, a) == ours.data() + to && plain.copy(ref.data() + to, a) && ours == ref ? "" : "copy";
}

}  // namespace qoru_test

#endif
