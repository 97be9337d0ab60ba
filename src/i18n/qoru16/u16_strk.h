// What the string functions and the string scan kernels of every CPU level
// share. The kernels (u16_cpu.h) read under the page rule of u16_pagerule.h.
#ifndef QORU_U16_STRK_H
#define QORU_U16_STRK_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_pagerule.h"

namespace qoru {

// The difference of two units as unsigned 16-bit values: the comparison
// result of the string and memory functions.
inline int32_t unitDifference(char16_t a, char16_t b) { return static_cast<int32_t>(a) - static_cast<int32_t>(b); }

// s less its offset within an aligned block of `bytes`.
inline const char16_t *alignedBlockStart(const char16_t *s, size_t bytes) {
    return reinterpret_cast<const char16_t *>(reinterpret_cast<uintptr_t>(s) & ~(uintptr_t{bytes} - 1));
}

// Moves the first and the last `step` of `bytes` bytes (step <= bytes <=
// 2 * step), all read before any is written.
template <size_t step>
inline void moveEnds(char *d, const char *s, size_t bytes) {
    char first[step], last[step];
    memcpy(first, s, step);
    memcpy(last, s + bytes - step, step);
    memcpy(d, first, step);
    memcpy(d + bytes - step, last, step);
}

// Copies n units, 1 to 16, all of them readable at src, in moves of fixed
// size that overlap when n is not a power of two.
inline void copyFewUnits(char16_t *dst, const char16_t *src, size_t n) {
    auto *d = reinterpret_cast<char *>(dst);
    const auto *s = reinterpret_cast<const char *>(src);
    const size_t bytes = n * sizeof(char16_t);
    if (bytes >= 16) {
        moveEnds<16>(d, s, bytes);
    } else if (bytes >= 8) {
        moveEnds<8>(d, s, bytes);
    } else if (bytes >= 4) {
        moveEnds<4>(d, s, bytes);
    } else {
        moveEnds<2>(d, s, bytes);
    }
}

// n units (0 to 31) of c at dst, in stores of fixed size that overlap when
// n is not a power of two.
inline void fillFewUnits(char16_t *dst, char16_t c, size_t n) {
    const uint64_t word = c * uint64_t{0x0001000100010001};
    const uint64_t pattern[4] = {word, word, word, word};
    auto *d = reinterpret_cast<char *>(dst);
    const size_t bytes = n * sizeof(char16_t);
    if (bytes >= 32) {
        memcpy(d, pattern, 32);
        memcpy(d + bytes - 32, pattern, 32);
    } else if (bytes >= 16) {
        memcpy(d, pattern, 16);
        memcpy(d + bytes - 16, pattern, 16);
    } else if (bytes >= 8) {
        memcpy(d, pattern, 8);
        memcpy(d + bytes - 8, pattern, 8);
    } else if (bytes >= 4) {
        memcpy(d, pattern, 4);
        memcpy(d + bytes - 4, pattern, 4);
    } else if (bytes != 0) {
        memcpy(d, pattern, 2);
    }
}

// The first unit at or after s that is 0 or c, at any address: odd ones unit
// by unit, even ones through the chosen kernel.
inline const char16_t *findZeroOrUnitAnywhere(const char16_t *s, char16_t c) {
    if ((reinterpret_cast<uintptr_t>(s) & 1) != 0) {
        while (*s != 0 && *s != c) ++s;
        return s;
    }
    const char16_t *p = chosen<&Kernels::findZeroOrUnit>()(s, c);
    checkReportedRead(s, p + 1);
    return p;
}

// The plain level's kernels of the memory scans and strrchr, for a level
// without its own (neon).
char16_t *findLastPlain(const char16_t *s, char16_t c);
char16_t *findUnitWithinPlain(const char16_t *s, char16_t c, size_t n);
char16_t *fillPlain(char16_t *s, char16_t c, size_t n);

}  // namespace qoru

#endif
