// One record of vector operations per x86 width, for the kernel templates
// (u16_kern_*.h) to be written once over: Sse2 and Ssse3 (16 bytes), Avx2
// (32 bytes), Avx512 (64 bytes, AVX-512 F, BW and VL).
//
// A level file includes this header inside its target region (u16_cpu_x86.h),
// and everything here has internal linkage, so each level gets its own
// copies, compiled for its own target: an inline function with external
// linkage would be kept once by the linker, perhaps in a wider target's form.
//
// Masks: unitBits and byteBits give one bit per byte of the vector for the
// 16- and 32-byte records (pmovmskb; a unit then takes two bits) and one bit
// per unit or byte for Avx512 (mask registers): bitsPerUnit says which.
//
// Only the reads under the page rule (u16_pagerule.h), load and loadInPage,
// are exempt from the sanitizers; they are not forced inline, which would
// give them the caller's instrumentation. Reads of data the caller handed over
// with its length (loadData) and every store are checked as usual.
#ifndef QORU_U16_SIMD_X86_H
#define QORU_U16_SIMD_X86_H

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

// A record's operations, forced inline into the kernels; the page-rule reads,
// kept as calls of their own so that they alone escape the sanitizers.
#define QORU_SIMD_INLINE [[gnu::always_inline]] static inline
#define QORU_SIMD_PAGE_READ [[gnu::no_sanitize_address, gnu::no_sanitize_thread]] static inline

// A level compiles the records of the wider levels too, unused: GCC would
// warn that their vector results change the calling convention, which
// matters only for calls between functions of different targets, and these
// are inlined into the kernels of their own level.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpragmas"
#pragma GCC diagnostic ignored "-Wunknown-warning-option"
#pragma GCC diagnostic ignored "-Wpsabi"

namespace qoru {
namespace {

struct Sse2 {
    using Vec = __m128i;
    using Bits = uint32_t;
    static constexpr size_t vecBytes = 16;
    static constexpr size_t vecUnits = vecBytes / sizeof(char16_t);
    static constexpr size_t bitsPerUnit = 2;

    // Aligned, under the page rule.
    QORU_SIMD_PAGE_READ Vec load(const void *p) { return _mm_load_si128(static_cast<const __m128i *>(p)); }
    // Unaligned, where staysInPage allows it.
    QORU_SIMD_PAGE_READ Vec loadInPage(const void *p) { return _mm_loadu_si128(static_cast<const __m128i *>(p)); }
    // Unaligned, wholly within the caller's data.
    QORU_SIMD_INLINE Vec loadData(const void *p) { return _mm_loadu_si128(static_cast<const __m128i *>(p)); }
    QORU_SIMD_INLINE void store(void *p, Vec v) { _mm_storeu_si128(static_cast<__m128i *>(p), v); }

    QORU_SIMD_INLINE Vec zero() { return _mm_setzero_si128(); }
    QORU_SIMD_INLINE Vec splat16(uint16_t u) { return _mm_set1_epi16(static_cast<short>(u)); }
    QORU_SIMD_INLINE Vec splat8(uint8_t b) { return _mm_set1_epi8(static_cast<char>(b)); }
    QORU_SIMD_INLINE Vec bitAnd(Vec a, Vec b) { return _mm_and_si128(a, b); }
    QORU_SIMD_INLINE Vec bitOr(Vec a, Vec b) { return _mm_or_si128(a, b); }
    QORU_SIMD_INLINE Vec bitXor(Vec a, Vec b) { return _mm_xor_si128(a, b); }
    // Each 16-bit unit shifted by N bits.
    template <int N>
    QORU_SIMD_INLINE Vec shiftRight(Vec v) {
        return _mm_srli_epi16(v, N);
    }
    template <int N>
    QORU_SIMD_INLINE Vec shiftLeft(Vec v) {
        return _mm_slli_epi16(v, N);
    }
    // Unsigned 16-bit minimum: SSE2 has only the signed one, so both sides
    // are moved by 0x8000 around it.
    QORU_SIMD_INLINE Vec least16(Vec a, Vec b) {
        const Vec bias = splat16(0x8000);
        return _mm_xor_si128(_mm_min_epi16(_mm_xor_si128(a, bias), _mm_xor_si128(b, bias)), bias);
    }
    // All ones in the units where a and b are equal.
    QORU_SIMD_INLINE Vec equal16(Vec a, Vec b) { return _mm_cmpeq_epi16(a, b); }
    QORU_SIMD_INLINE Vec equal8(Vec a, Vec b) { return _mm_cmpeq_epi8(a, b); }

    // Bits of the units where v is 0; where a and b are equal; the bytes'
    // high bits.
    QORU_SIMD_INLINE Bits zeroUnitBits(Vec v) { return unitBits(_mm_cmpeq_epi16(v, zero())); }
    QORU_SIMD_INLINE Bits equalUnitBits(Vec a, Vec b) { return unitBits(_mm_cmpeq_epi16(a, b)); }
    QORU_SIMD_INLINE Bits unitBits(Vec marks) { return static_cast<Bits>(_mm_movemask_epi8(marks)); }
    QORU_SIMD_INLINE Bits byteBits(Vec v) { return static_cast<Bits>(_mm_movemask_epi8(v)); }
    // The mask of a whole vector.
    static constexpr Bits allBits = 0xFFFFu;
    // The unit of the lowest bit set in a mask.
    QORU_SIMD_INLINE size_t unitOfBit(Bits bits) { return static_cast<size_t>(__builtin_ctz(bits)) / bitsPerUnit; }

    // UTF-8 decoding:
    // Bits of the zero bytes.
    QORU_SIMD_INLINE Bits zeroByteBits(Vec v) { return byteBits(_mm_cmpeq_epi8(v, zero())); }
    // All ones in the bytes where a >= b (unsigned), a < b and a > b (signed).
    QORU_SIMD_INLINE Vec atLeast8(Vec a, Vec b) { return _mm_cmpeq_epi8(_mm_max_epu8(a, b), a); }
    QORU_SIMD_INLINE Vec lessSigned8(Vec a, Vec b) { return _mm_cmplt_epi8(a, b); }
    QORU_SIMD_INLINE Vec greaterSigned8(Vec a, Vec b) { return _mm_cmpgt_epi8(a, b); }
    // All ones in the units where a > b (signed); the units' sums.
    QORU_SIMD_INLINE Vec greater16(Vec a, Vec b) { return _mm_cmpgt_epi16(a, b); }
    QORU_SIMD_INLINE Vec add16(Vec a, Vec b) { return _mm_add_epi16(a, b); }
    // The lower (h = 0) or upper half's bytes, in the low half of a Half.
    using Half = __m128i;
    QORU_SIMD_INLINE Half half(Vec v, int h) { return h == 0 ? v : _mm_srli_si128(v, 8); }
};

// SSSE3 and SSE4.1: the byte shuffle, and the unsigned 16-bit minimum in one step.
struct Ssse3 : Sse2 {
    QORU_SIMD_INLINE Vec least16(Vec a, Vec b) { return _mm_min_epu16(a, b); }
    QORU_SIMD_INLINE Vec shuffleBytes(Vec v, Vec indices) { return _mm_shuffle_epi8(v, indices); }

    // UTF-8 decoding:
    // A half's bytes widened to units.
    QORU_SIMD_INLINE Vec widen8(Half b) { return _mm_cvtepu8_epi16(b); }
    // b's bytes where mask's byte has its high bit set, else a's.
    QORU_SIMD_INLINE Vec blend(Vec a, Vec b, Vec mask) { return _mm_blendv_epi8(a, b, mask); }
};

struct Avx2 {
    using Vec = __m256i;
    using Bits = uint32_t;
    static constexpr size_t vecBytes = 32;
    static constexpr size_t vecUnits = vecBytes / sizeof(char16_t);
    static constexpr size_t bitsPerUnit = 2;

    QORU_SIMD_PAGE_READ Vec load(const void *p) { return _mm256_load_si256(static_cast<const __m256i *>(p)); }
    QORU_SIMD_PAGE_READ Vec loadInPage(const void *p) { return _mm256_loadu_si256(static_cast<const __m256i *>(p)); }
    QORU_SIMD_INLINE Vec loadData(const void *p) { return _mm256_loadu_si256(static_cast<const __m256i *>(p)); }
    QORU_SIMD_INLINE void store(void *p, Vec v) { _mm256_storeu_si256(static_cast<__m256i *>(p), v); }

    QORU_SIMD_INLINE Vec zero() { return _mm256_setzero_si256(); }
    QORU_SIMD_INLINE Vec splat16(uint16_t u) { return _mm256_set1_epi16(static_cast<short>(u)); }
    QORU_SIMD_INLINE Vec splat8(uint8_t b) { return _mm256_set1_epi8(static_cast<char>(b)); }
    QORU_SIMD_INLINE Vec bitAnd(Vec a, Vec b) { return _mm256_and_si256(a, b); }
    QORU_SIMD_INLINE Vec bitOr(Vec a, Vec b) { return _mm256_or_si256(a, b); }
    QORU_SIMD_INLINE Vec bitXor(Vec a, Vec b) { return _mm256_xor_si256(a, b); }
    // Each 16-bit unit shifted by N bits.
    template <int N>
    QORU_SIMD_INLINE Vec shiftRight(Vec v) {
        return _mm256_srli_epi16(v, N);
    }
    template <int N>
    QORU_SIMD_INLINE Vec shiftLeft(Vec v) {
        return _mm256_slli_epi16(v, N);
    }
    QORU_SIMD_INLINE Vec least16(Vec a, Vec b) { return _mm256_min_epu16(a, b); }
    QORU_SIMD_INLINE Vec equal16(Vec a, Vec b) { return _mm256_cmpeq_epi16(a, b); }
    QORU_SIMD_INLINE Vec equal8(Vec a, Vec b) { return _mm256_cmpeq_epi8(a, b); }
    // Within each 16-byte half, as pshufb does.
    QORU_SIMD_INLINE Vec shuffleBytes(Vec v, Vec indices) { return _mm256_shuffle_epi8(v, indices); }

    QORU_SIMD_INLINE Bits zeroUnitBits(Vec v) { return unitBits(_mm256_cmpeq_epi16(v, zero())); }
    QORU_SIMD_INLINE Bits equalUnitBits(Vec a, Vec b) { return unitBits(_mm256_cmpeq_epi16(a, b)); }
    QORU_SIMD_INLINE Bits unitBits(Vec marks) { return static_cast<Bits>(_mm256_movemask_epi8(marks)); }
    QORU_SIMD_INLINE Bits byteBits(Vec v) { return static_cast<Bits>(_mm256_movemask_epi8(v)); }
    static constexpr Bits allBits = 0xFFFFFFFFu;
    QORU_SIMD_INLINE size_t unitOfBit(Bits bits) { return static_cast<size_t>(__builtin_ctz(bits)) / bitsPerUnit; }

    // UTF-8 decoding: as in Sse2, each 16-byte half widened to 32 bytes.
    QORU_SIMD_INLINE Bits zeroByteBits(Vec v) { return byteBits(_mm256_cmpeq_epi8(v, zero())); }
    QORU_SIMD_INLINE Vec atLeast8(Vec a, Vec b) { return _mm256_cmpeq_epi8(_mm256_max_epu8(a, b), a); }
    QORU_SIMD_INLINE Vec lessSigned8(Vec a, Vec b) { return _mm256_cmpgt_epi8(b, a); }
    QORU_SIMD_INLINE Vec greaterSigned8(Vec a, Vec b) { return _mm256_cmpgt_epi8(a, b); }
    QORU_SIMD_INLINE Vec greater16(Vec a, Vec b) { return _mm256_cmpgt_epi16(a, b); }
    QORU_SIMD_INLINE Vec add16(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
    using Half = __m128i;
    QORU_SIMD_INLINE Half half(Vec v, int h) {
        return h == 0 ? _mm256_castsi256_si128(v) : _mm256_extracti128_si256(v, 1);
    }
    QORU_SIMD_INLINE Vec widen8(Half b) { return _mm256_cvtepu8_epi16(b); }
    QORU_SIMD_INLINE Vec blend(Vec a, Vec b, Vec mask) { return _mm256_blendv_epi8(a, b, mask); }

    // String scans: the record half as wide, for data shorter than a block.
    using HalfRecord = Sse2;
};

struct Avx512 {
    using Vec = __m512i;
    // One bit per unit (32 of them); byte masks (64 bits) are ByteBits.
    using Bits = uint32_t;
    using ByteBits = uint64_t;
    static constexpr size_t vecBytes = 64;
    static constexpr size_t vecUnits = vecBytes / sizeof(char16_t);
    static constexpr size_t bitsPerUnit = 1;

    QORU_SIMD_PAGE_READ Vec load(const void *p) { return _mm512_load_si512(p); }
    QORU_SIMD_PAGE_READ Vec loadInPage(const void *p) { return _mm512_loadu_si512(p); }
    QORU_SIMD_INLINE Vec loadData(const void *p) { return _mm512_loadu_si512(p); }
    QORU_SIMD_INLINE void store(void *p, Vec v) { _mm512_storeu_si512(p, v); }
    // The units of a mask only: nothing outside it is read or written.
    QORU_SIMD_INLINE Vec loadUnitsData(const void *p, Bits units) { return _mm512_maskz_loadu_epi16(units, p); }
    QORU_SIMD_INLINE void storeUnits(void *p, Bits units, Vec v) { _mm512_mask_storeu_epi16(p, units, v); }
    // The first n units (n <= 32) as a mask.
    QORU_SIMD_INLINE Bits firstUnits(size_t n) { return static_cast<Bits>(_bzhi_u32(~0u, static_cast<uint32_t>(n))); }

    QORU_SIMD_INLINE Vec zero() { return _mm512_setzero_si512(); }
    QORU_SIMD_INLINE Vec splat16(uint16_t u) { return _mm512_set1_epi16(static_cast<short>(u)); }
    QORU_SIMD_INLINE Vec splat8(uint8_t b) { return _mm512_set1_epi8(static_cast<char>(b)); }
    QORU_SIMD_INLINE Vec bitAnd(Vec a, Vec b) { return _mm512_and_si512(a, b); }
    QORU_SIMD_INLINE Vec bitOr(Vec a, Vec b) { return _mm512_or_si512(a, b); }
    QORU_SIMD_INLINE Vec bitXor(Vec a, Vec b) { return _mm512_xor_si512(a, b); }
    QORU_SIMD_INLINE Vec least16(Vec a, Vec b) { return _mm512_min_epu16(a, b); }
    // Within each 16-byte quarter, as pshufb does.
    QORU_SIMD_INLINE Vec shuffleBytes(Vec v, Vec indices) { return _mm512_shuffle_epi8(v, indices); }

    QORU_SIMD_INLINE Bits zeroUnitBits(Vec v) { return _mm512_testn_epi16_mask(v, v); }
    QORU_SIMD_INLINE Bits equalUnitBits(Vec a, Vec b) { return _mm512_cmpeq_epi16_mask(a, b); }
    QORU_SIMD_INLINE ByteBits equalByteBits(Vec a, Vec b) { return _mm512_cmpeq_epi8_mask(a, b); }
    QORU_SIMD_INLINE ByteBits byteBits(Vec v) { return _mm512_movepi8_mask(v); }
    static constexpr Bits allBits = 0xFFFFFFFFu;
    QORU_SIMD_INLINE size_t unitOfBit(Bits bits) { return static_cast<size_t>(__builtin_ctz(bits)); }

    // String scans: a's units where they equal b's, else 0.
    QORU_SIMD_INLINE Vec keepEqual16(Vec a, Vec b) { return _mm512_maskz_mov_epi16(_mm512_cmpeq_epi16_mask(a, b), a); }

    // UTF-8 decoding: byte compares give masks, which bitAnd, bitOr and
    // byteBits take as the narrower records take their vector results.
    QORU_SIMD_INLINE ByteBits zeroByteBits(Vec v) { return _mm512_testn_epi8_mask(v, v); }
    QORU_SIMD_INLINE ByteBits equal8(Vec a, Vec b) { return equalByteBits(a, b); }
    QORU_SIMD_INLINE ByteBits atLeast8(Vec a, Vec b) { return _mm512_cmpge_epu8_mask(a, b); }
    QORU_SIMD_INLINE ByteBits lessSigned8(Vec a, Vec b) { return _mm512_cmplt_epi8_mask(a, b); }
    QORU_SIMD_INLINE ByteBits greaterSigned8(Vec a, Vec b) { return _mm512_cmpgt_epi8_mask(a, b); }
    QORU_SIMD_INLINE ByteBits byteBits(ByteBits m) { return m; }
    QORU_SIMD_INLINE ByteBits bitAnd(ByteBits a, ByteBits b) { return a & b; }
    QORU_SIMD_INLINE ByteBits bitOr(ByteBits a, ByteBits b) { return a | b; }
    QORU_SIMD_INLINE Vec add16(Vec a, Vec b) { return _mm512_add_epi16(a, b); }
    template <int N>
    QORU_SIMD_INLINE Vec shiftRight(Vec v) {
        return _mm512_srli_epi16(v, N);
    }
    template <int N>
    QORU_SIMD_INLINE Vec shiftLeft(Vec v) {
        return _mm512_slli_epi16(v, N);
    }
    using Half = __m256i;
    QORU_SIMD_INLINE Half half(Vec v, int h) {
        return h == 0 ? _mm512_castsi512_si256(v) : _mm512_extracti64x4_epi64(v, 1);
    }
    QORU_SIMD_INLINE Vec widen8(Half b) { return _mm512_cvtepu8_epi16(b); }
    // b's units where units marks them, else a's.
    QORU_SIMD_INLINE Vec blend(Vec a, Vec b, Bits units) { return _mm512_mask_mov_epi16(a, units, b); }
};

}  // namespace
}  // namespace qoru

#pragma GCC diagnostic pop

#endif
