// The 16-byte reads and the ASCII packing the conversion kernels still share,
// under the page rule (u16_pagerule.h). The string scans are in u16_kern_str.h.
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

}  // namespace qoru

#endif
