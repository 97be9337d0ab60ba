// Block-at-a-time scanning for the string functions, in one place.
//
// Why over-reading is safe: a block read is 16 bytes at a 16-byte aligned
// address, so it never crosses a page boundary; the block holds at least one
// unit of the string (the one the scan has reached), so its page is mapped.
// The bytes after the terminator in the same block are read but never used.
// AddressSanitizer cannot know this, so the helpers that read blocks are not
// instrumented.
//
// The design's floor is one aligned 8-byte word tested with
// ((w + 0x7ffefffefffeffff) ^ ~w) & 0x8001000100010000; SSE2 (always present
// on x86-64) tests eight units per aligned 16-byte read instead, under the
// same rule.
#ifndef QORU_U16_WORDS_H
#define QORU_U16_WORDS_H

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

namespace qoru {

inline constexpr size_t blockBytes = 16;
inline constexpr size_t blockUnits = blockBytes / sizeof(char16_t);

inline bool isBlockAligned(const void *p) {
    return (reinterpret_cast<uintptr_t>(p) & (blockBytes - 1)) == 0;
}

// Bit 2k is set when unit k of the aligned block at p equals c (pmovmskb gives
// two bits per unit; the even one is used).
[[gnu::no_sanitize_address]] inline uint32_t blockMatchMask(const char16_t *p, __m128i c) {
    const __m128i block = _mm_load_si128(reinterpret_cast<const __m128i *>(p));
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(block, c))) & 0x5555u;
}

inline uint32_t zeroMask(const char16_t *p) { return blockMatchMask(p, _mm_setzero_si128()); }

// Bit 2k is set where unit k of the aligned block at a is 0 or differs from
// unit k of the block at b (aligned, or unaligned within one page).
[[gnu::no_sanitize_address]] inline uint32_t blockStopMask(const char16_t *a, const char16_t *b) {
    const __m128i va = _mm_load_si128(reinterpret_cast<const __m128i *>(a));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b));
    const __m128i stop = _mm_or_si128(_mm_cmpeq_epi16(va, _mm_setzero_si128()),
                                      _mm_xor_si128(_mm_cmpeq_epi16(va, vb), _mm_set1_epi8(-1)));
    return static_cast<uint32_t>(_mm_movemask_epi8(stop)) & 0x5555u;
}

// Bit 2k is set where unit k of the aligned block at p is 0 or equals c.
[[gnu::no_sanitize_address]] inline uint32_t blockZeroOrMask(const char16_t *p, __m128i c) {
    const __m128i block = _mm_load_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i hit = _mm_or_si128(_mm_cmpeq_epi16(block, _mm_setzero_si128()), _mm_cmpeq_epi16(block, c));
    return static_cast<uint32_t>(_mm_movemask_epi8(hit)) & 0x5555u;
}

// Index of the first unit flagged in a mask from blockMatchMask.
inline size_t firstFlaggedUnit(uint32_t mask) { return static_cast<size_t>(__builtin_ctz(mask)) / 2; }

// True when a 16-byte read at p stays within p's page, so an unaligned read
// there is as safe as an aligned one.
inline bool blockStaysInPage(const void *p) {
    constexpr uintptr_t pageSize = 4096;
    return (reinterpret_cast<uintptr_t>(p) & (pageSize - 1)) <= pageSize - blockBytes;
}

}  // namespace qoru

#endif
