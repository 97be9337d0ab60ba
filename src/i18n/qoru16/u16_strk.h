// The string scan kernels of each CPU level, which the dispatch table
// (u16_cpu.h) hands to the string functions. Every kernel takes strings at
// even addresses (odd ones keep the plain unit loops of their callers) and
// reads under the page rule of u16_words.h.
#ifndef QORU_U16_STRK_H
#define QORU_U16_STRK_H

#include <cstddef>
#include <cstdint>

#include "i18n/qoru16/u16_cpu.h"

namespace qoru {

// s less its offset within an aligned block of `bytes`.
inline const char16_t *alignedBlockStart(const char16_t *s, size_t bytes) {
    return reinterpret_cast<const char16_t *>(reinterpret_cast<uintptr_t>(s) & ~(uintptr_t{bytes} - 1));
}

// A pointer `bytes` below p, as an address only (it may lie before the
// string; it is read only where staysInPage keeps the read in p's page).
inline const char16_t *bytesBelow(const char16_t *p, size_t bytes) {
    return reinterpret_cast<const char16_t *>(reinterpret_cast<uintptr_t>(p) - bytes);
}

// The first unit at or after s that is 0 or c, at any address: odd ones unit
// by unit, even ones through the chosen kernel.
inline const char16_t *findZeroOrUnitAnywhere(const char16_t *s, char16_t c) {
    if ((reinterpret_cast<uintptr_t>(s) & 1) != 0) {
        while (*s != 0 && *s != c) ++s;
        return s;
    }
    return kernels().findZeroOrUnit(s, c);
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

const char16_t *findZeroAvx2(const char16_t *s);
const char16_t *findZeroOrUnitAvx2(const char16_t *s, char16_t c);
size_t findStopAvx2(const char16_t *a, const char16_t *b);
size_t findDifferenceAvx2(const char16_t *a, const char16_t *b, size_t n);

const char16_t *findZeroAvx512(const char16_t *s);
const char16_t *findZeroOrUnitAvx512(const char16_t *s, char16_t c);
size_t findStopAvx512(const char16_t *a, const char16_t *b);
size_t findDifferenceAvx512(const char16_t *a, const char16_t *b, size_t n);

}  // namespace qoru

#endif
