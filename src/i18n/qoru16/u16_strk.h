// The string scan kernels of each CPU level, which the dispatch table
// (u16_cpu.h) hands to the string functions. Every kernel takes strings at
// even addresses (odd ones keep the plain unit loops of their callers) and
// reads under the page rule of u16_pagerule.h.
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

// A pointer `bytes` below p, as an address only (it may lie before the
// string; it is read only where staysInPage keeps the read in p's page).
inline const char16_t *bytesBelow(const char16_t *p, size_t bytes) {
    return reinterpret_cast<const char16_t *>(reinterpret_cast<uintptr_t>(p) - bytes);
}

// A pointer `bytes` below p, as an address only, for masked writes.
inline void *bytesBelow(char16_t *p, size_t bytes) {
    return reinterpret_cast<void *>(reinterpret_cast<uintptr_t>(p) - bytes);
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

// The first unit at or after s that is 0 or c, at any address: odd ones unit
// by unit, even ones through the chosen kernel.
inline const char16_t *findZeroOrUnitAnywhere(const char16_t *s, char16_t c) {
    if ((reinterpret_cast<uintptr_t>(s) & 1) != 0) {
        while (*s != 0 && *s != c) ++s;
        return s;
    }
    const char16_t *p = chosen<&qoru::Kernels::findZeroOrUnit>()(s, c);
    checkReportedRead(s, p + 1);
    return p;
}

// The first of `units` positions (a multiple of eight) where a is 0 or
// differs from b, else units. a is 16-byte aligned; where b's 16 bytes would
// cross into the next page, unit by unit. The wider kernels' step for the
// one block of b in a page that crosses its end.
size_t findStopInBlocks(const char16_t *a, const char16_t *b, size_t units);

// The first position where a is 0 or differs from b, looked for only up to
// the first position where a is `bytes`-aligned (a multiple of 16), which
// is the result when there is none before it: the start of a wider
// kernel's comparison when its first block of b would cross a page.
size_t findStopBeforeAlignment(const char16_t *a, const char16_t *b, size_t bytes);

const char16_t *findZeroSse2(const char16_t *s);
const char16_t *findZeroOrUnitSse2(const char16_t *s, char16_t c);
size_t findStopSse2(const char16_t *a, const char16_t *b);
size_t findDifferenceSse2(const char16_t *a, const char16_t *b, size_t n);
size_t copyStringSse2(char16_t *dst, const char16_t *src);
size_t findZeroWithinSse2(const char16_t *s, size_t n);

const char16_t *findZeroAvx2(const char16_t *s);
const char16_t *findZeroOrUnitAvx2(const char16_t *s, char16_t c);
size_t findStopAvx2(const char16_t *a, const char16_t *b);
size_t findDifferenceAvx2(const char16_t *a, const char16_t *b, size_t n);
size_t copyStringAvx2(char16_t *dst, const char16_t *src);

const char16_t *findZeroAvx512(const char16_t *s);
const char16_t *findZeroOrUnitAvx512(const char16_t *s, char16_t c);
size_t findStopAvx512(const char16_t *a, const char16_t *b);
size_t findDifferenceAvx512(const char16_t *a, const char16_t *b, size_t n);
size_t copyStringAvx512(char16_t *dst, const char16_t *src);

}  // namespace qoru

#endif
