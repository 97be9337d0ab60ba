// Block-at-a-time scanning for the x86-64 levels' string and conversion
// kernels, in one place, under the page rule (u16_pagerule.h).
//
// The design's floor is one aligned 8-byte word tested with
// ((w + 0x7ffefffefffeffff) ^ ~w) & 0x8001000100010000; SSE2 (always present
// on x86-64) tests eight units per 16-byte read, thirty-two per 64-byte group,
// under the same rule.
#ifndef QORU_U16_WORDS_H
#define QORU_U16_WORDS_H

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

#include "i18n/qoru16/u16_cpu_x86.h"
#include "i18n/qoru16/u16_pagerule.h"

namespace qoru {

inline constexpr size_t blockBytes = 16;
inline constexpr size_t blockUnits = blockBytes / sizeof(char16_t);
inline constexpr size_t groupBytes = 64;
inline constexpr size_t groupUnits = groupBytes / sizeof(char16_t);

// pmovmskb gives two bits per unit; the even one marks the unit.
inline uint32_t unitMask(__m128i flags) { return static_cast<uint32_t>(_mm_movemask_epi8(flags)) & 0x5555u; }

// Index of the first unit marked in a mask from unitMask.
inline size_t firstMarkedUnit(uint32_t mask) { return static_cast<size_t>(__builtin_ctz(mask)) / 2; }

[[gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline __m128i loadAligned(const char16_t *p) {
    return _mm_load_si128(reinterpret_cast<const __m128i *>(p));
}
[[gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline __m128i loadUnaligned(const void *p) {
    return _mm_loadu_si128(static_cast<const __m128i *>(p));
}

// A 16-byte read wholly within the caller's data: instrumented as usual.
inline __m128i loadUnits(const void *p) { return _mm_loadu_si128(static_cast<const __m128i *>(p)); }

// The eight units as eight bytes at out, when every one is below 0x80 (and,
// with zeroStops, none is the terminator); false, with nothing stored, else.
inline bool packAsciiUnits(__m128i units, uint8_t *out, bool zeroStops) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i high = _mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF80)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, zero)) != 0xFFFF) return false;
    if (zeroStops && _mm_movemask_epi8(_mm_cmpeq_epi16(units, zero)) != 0) return false;
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(units, units));
    return true;
}

// Units of the aligned block at p that are 0 or equal c.
inline __m128i zeroOrUnit(const char16_t *p, __m128i c) {
    const __m128i v = loadAligned(p);
    return _mm_or_si128(_mm_cmpeq_epi16(v, _mm_setzero_si128()), _mm_cmpeq_epi16(v, c));
}

// First unit at or after s that is 0 or c. s must be 2-byte aligned. The
// first read is the aligned block that holds s, with the units before s
// masked off, so short strings need no unit-by-unit start.
inline const char16_t *findZeroOrUnit(const char16_t *s, char16_t c) {
    const __m128i wanted = _mm_set1_epi16(static_cast<short>(c));
    const uintptr_t offset = reinterpret_cast<uintptr_t>(s) & (blockBytes - 1);
    const char16_t *p = reinterpret_cast<const char16_t *>(reinterpret_cast<uintptr_t>(s) - offset);
    if (const uint32_t m = unitMask(zeroOrUnit(p, wanted)) >> offset) return s + firstMarkedUnit(m);
    for (p += blockUnits; !isAligned(p, groupBytes); p += blockUnits)
        if (const uint32_t m = unitMask(zeroOrUnit(p, wanted))) return p + firstMarkedUnit(m);
    for (;; p += groupUnits) {
        const __m128i hit0 = zeroOrUnit(p, wanted);
        const __m128i hit1 = zeroOrUnit(p + blockUnits, wanted);
        const __m128i hit2 = zeroOrUnit(p + 2 * blockUnits, wanted);
        const __m128i hit3 = zeroOrUnit(p + 3 * blockUnits, wanted);
        const __m128i any = _mm_or_si128(_mm_or_si128(hit0, hit1), _mm_or_si128(hit2, hit3));
        if (_mm_movemask_epi8(any) == 0) continue;
        if (const uint32_t m = unitMask(hit0)) return p + firstMarkedUnit(m);
        if (const uint32_t m = unitMask(hit1)) return p + blockUnits + firstMarkedUnit(m);
        if (const uint32_t m = unitMask(hit2)) return p + 2 * blockUnits + firstMarkedUnit(m);
        return p + 3 * blockUnits + firstMarkedUnit(unitMask(hit3));
    }
}

// Units where the aligned block at a is 0 or differs from the block at b
// (aligned, or unaligned within one page).
inline __m128i stopUnits(const char16_t *a, const char16_t *b) {
    const __m128i va = loadAligned(a);
    const __m128i vb = loadUnaligned(b);
    const __m128i same = _mm_cmpeq_epi16(va, vb);
    return _mm_or_si128(_mm_cmpeq_epi16(va, _mm_setzero_si128()), _mm_andnot_si128(same, _mm_set1_epi8(-1)));
}

// First position at which a is 0 or differs from b; a is 16-byte aligned.
inline size_t findStop(const char16_t *a, const char16_t *b) {
    size_t i = 0;
    for (;; i += blockUnits) {
        if (isAligned(a + i, groupBytes) && staysInPage(b + i, groupBytes)) {
            const __m128i s0 = stopUnits(a + i, b + i);
            const __m128i s1 = stopUnits(a + i + blockUnits, b + i + blockUnits);
            const __m128i s2 = stopUnits(a + i + 2 * blockUnits, b + i + 2 * blockUnits);
            const __m128i s3 = stopUnits(a + i + 3 * blockUnits, b + i + 3 * blockUnits);
            const __m128i any = _mm_or_si128(_mm_or_si128(s0, s1), _mm_or_si128(s2, s3));
            if (_mm_movemask_epi8(any) == 0) {
                i += groupUnits - blockUnits;
                continue;
            }
            if (const uint32_t m = unitMask(s0)) return i + firstMarkedUnit(m);
            if (const uint32_t m = unitMask(s1)) return i + blockUnits + firstMarkedUnit(m);
            if (const uint32_t m = unitMask(s2)) return i + 2 * blockUnits + firstMarkedUnit(m);
            return i + 3 * blockUnits + firstMarkedUnit(unitMask(s3));
        }
        if (staysInPage(b + i, blockBytes)) {
            if (const uint32_t m = unitMask(stopUnits(a + i, b + i))) return i + firstMarkedUnit(m);
        } else {
            // b's block would cross into the next page: unit by unit.
            for (size_t k = i; k < i + blockUnits; ++k)
                if (a[k] == 0 || a[k] != b[k]) return k;
        }
    }
}

// Units of the aligned block at p that are 0.
inline uint32_t zeroMask(const char16_t *p) { return unitMask(_mm_cmpeq_epi16(loadAligned(p), _mm_setzero_si128())); }

}  // namespace qoru

#endif
