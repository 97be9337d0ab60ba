// TEMPORARY: the vector records the string kernels use until u16_simd_x86.h lands.
#ifndef QORU_U16_STRK_REC_H
#define QORU_U16_STRK_REC_H

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

namespace qoru {
namespace {

struct Sse2 {
    using Vec = __m128i;
    static constexpr size_t vecBytes = 16;
    static constexpr size_t vecUnits = 8;
    static constexpr size_t bitsPerUnit = 2;
    static constexpr bool maskedTails = false;
    [[gnu::no_sanitize_address, gnu::no_sanitize_thread]] static Vec load(const char16_t *p) {
        return _mm_load_si128(reinterpret_cast<const __m128i *>(p));
    }
    [[gnu::no_sanitize_address, gnu::no_sanitize_thread]] static Vec loadInPage(const char16_t *p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    }
    static Vec loadData(const char16_t *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
    static void store(char16_t *p, Vec v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }
    static uint64_t zeroBits(Vec v) {
        return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(v, _mm_setzero_si128())));
    }
    static uint64_t equalBits(Vec a, Vec b) { return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(a, b))); }
    static Vec least(Vec a, Vec b) { return _mm_subs_epu16(a, _mm_subs_epu16(a, b)); }
    static Vec bitXor(Vec a, Vec b) { return _mm_xor_si128(a, b); }
    static Vec bitOr(Vec a, Vec b) { return _mm_or_si128(a, b); }
    static Vec splat(char16_t c) { return _mm_set1_epi16(static_cast<short>(c)); }
    static Vec keepEqual(Vec a, Vec b) { return _mm_and_si128(a, _mm_cmpeq_epi16(a, b)); }
};

#ifdef QORU_REC_AVX2
struct Avx2 {
    using Vec = __m256i;
    static constexpr size_t vecBytes = 32;
    static constexpr size_t vecUnits = 16;
    static constexpr size_t bitsPerUnit = 2;
    static constexpr bool maskedTails = false;
    [[gnu::no_sanitize_address, gnu::no_sanitize_thread]] static Vec load(const char16_t *p) {
        return _mm256_load_si256(reinterpret_cast<const __m256i *>(p));
    }
    [[gnu::no_sanitize_address, gnu::no_sanitize_thread]] static Vec loadInPage(const char16_t *p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
    }
    static Vec loadData(const char16_t *p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)); }
    static void store(char16_t *p, Vec v) { _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v); }
    static uint64_t zeroBits(Vec v) {
        return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(v, _mm256_setzero_si256())));
    }
    static uint64_t equalBits(Vec a, Vec b) {
        return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(a, b)));
    }
    static Vec least(Vec a, Vec b) { return _mm256_min_epu16(a, b); }
    static Vec bitXor(Vec a, Vec b) { return _mm256_xor_si256(a, b); }
    static Vec bitOr(Vec a, Vec b) { return _mm256_or_si256(a, b); }
    static Vec splat(char16_t c) { return _mm256_set1_epi16(static_cast<short>(c)); }
    static Vec keepEqual(Vec a, Vec b) { return _mm256_and_si256(a, _mm256_cmpeq_epi16(a, b)); }
};

#endif

#ifdef QORU_REC_AVX512
struct Avx512 {
    using Vec = __m512i;
    static constexpr size_t vecBytes = 64;
    static constexpr size_t vecUnits = 32;
    static constexpr size_t bitsPerUnit = 1;
    static constexpr bool maskedTails = true;
    [[gnu::no_sanitize_address, gnu::no_sanitize_thread]] static Vec load(const char16_t *p) {
        return _mm512_load_si512(p);
    }
    [[gnu::no_sanitize_address, gnu::no_sanitize_thread]] static Vec loadInPage(const char16_t *p) {
        return _mm512_loadu_si512(p);
    }
    static Vec loadData(const char16_t *p) { return _mm512_loadu_si512(p); }
    static void store(char16_t *p, Vec v) { _mm512_storeu_si512(p, v); }
    static uint64_t zeroBits(Vec v) { return _mm512_testn_epi16_mask(v, v); }
    static uint64_t equalBits(Vec a, Vec b) { return _mm512_cmpeq_epi16_mask(a, b); }
    static Vec least(Vec a, Vec b) { return _mm512_min_epu16(a, b); }
    static Vec bitXor(Vec a, Vec b) { return _mm512_xor_si512(a, b); }
    static Vec bitOr(Vec a, Vec b) { return _mm512_or_si512(a, b); }
    static Vec splat(char16_t c) { return _mm512_set1_epi16(static_cast<short>(c)); }
    static Vec keepEqual(Vec a, Vec b) { return _mm512_maskz_mov_epi16(_mm512_cmpeq_epi16_mask(a, b), a); }
    static __mmask32 firstUnits(size_t n) { return static_cast<__mmask32>(_bzhi_u32(~0u, static_cast<uint32_t>(n))); }
    static Vec loadFirst(const char16_t *p, size_t n) { return _mm512_maskz_loadu_epi16(firstUnits(n), p); }
    static void storeFirst(char16_t *p, Vec v, size_t n) { _mm512_mask_storeu_epi16(p, firstUnits(n), v); }
};

#endif

}  // namespace
}  // namespace qoru

#endif
