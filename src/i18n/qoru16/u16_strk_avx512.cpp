// String scan kernels for AVX-512BW: 64-byte reads, four of them to a
// 256-byte group (u16_strk_wide.h), tests into mask registers (one bit per
// unit), and masked writes for the ends of a copy.
#include <immintrin.h>

#define QORU_WIDE_TARGET QORU_TARGET_AVX512
#include "i18n/qoru16/u16_strk_wide.h"

namespace qoru {
namespace {

struct Avx512 {
    using Vec = __m512i;
    static constexpr size_t vecBytes = 64;
    static constexpr size_t bitsPerUnit = 1;

    QORU_WIDE [[gnu::no_sanitize_address, gnu::no_sanitize_thread]] static Vec load(const char16_t *p) {
        return _mm512_load_si512(p);
    }
    QORU_WIDE [[gnu::no_sanitize_address, gnu::no_sanitize_thread]] static Vec loadInPage(const char16_t *p) {
        return _mm512_loadu_si512(p);
    }
    // A read wholly within the caller's data.
    QORU_WIDE_INLINE static Vec loadData(const char16_t *p) { return _mm512_loadu_si512(p); }
    QORU_WIDE_INLINE static void store(char16_t *p, Vec v) { _mm512_storeu_si512(p, v); }

    // One bit per unit where v is 0.
    QORU_WIDE_INLINE static uint32_t zeroBits(Vec v) { return _mm512_testn_epi16_mask(v, v); }
    // One bit per unit where a and b differ.
    QORU_WIDE_INLINE static uint32_t differenceBits(Vec a, Vec b) {
        const Vec d = _mm512_xor_si512(a, b);
        return _mm512_test_epi16_mask(d, d);
    }
    // 0 where a and b's units are the same; both and all of such marks.
    QORU_WIDE_INLINE static Vec sameMarks(Vec a, Vec b) { return _mm512_xor_si512(a, b); }
    QORU_WIDE_INLINE static Vec bothSame(Vec a, Vec b) { return _mm512_or_si512(a, b); }
    QORU_WIDE_INLINE static bool allSame(Vec v) { return _mm512_test_epi16_mask(v, v) == 0; }
    QORU_WIDE_INLINE static Vec least(Vec a, Vec b) { return _mm512_min_epu16(a, b); }
    QORU_WIDE_INLINE static Vec bitXor(Vec a, Vec b) { return _mm512_xor_si512(a, b); }
    QORU_WIDE_INLINE static Vec splat(char16_t c) { return _mm512_set1_epi16(static_cast<short>(c)); }
    // a's unit where it equals b's, else 0: 0 where a ends or differs.
    QORU_WIDE_INLINE static Vec stopMarks(Vec a, Vec b) {
        return _mm512_maskz_mov_epi16(_mm512_cmpeq_epi16_mask(a, b), a);
    }
    QORU_WIDE_INLINE static __mmask32 firstUnits(size_t n) {
        return static_cast<__mmask32>(_bzhi_u32(~0u, static_cast<uint32_t>(n)));
    }

    // The first position from i where the n units differ, i + a block being
    // past n: masked reads, which touch no unit at or after n.
    QORU_WIDE_INLINE static size_t lastDifference(const char16_t *a, const char16_t *b, size_t i, size_t n) {
        const __mmask32 rest = firstUnits(n - i);
        const uint32_t m = _mm512_mask_cmpneq_epi16_mask(rest, _mm512_maskz_loadu_epi16(rest, a + i),
                                                         _mm512_maskz_loadu_epi16(rest, b + i));
        return m != 0 ? i + static_cast<size_t>(__builtin_ctz(m)) : n;
    }

    // count units of the aligned block read as v, from its unit at offset
    // (src's) on, to dst: a masked write, which touches nothing outside its
    // mask, at the address dst would have for the block's start.
    QORU_WIDE_INLINE static void copyFirst(char16_t *dst, const char16_t *, Vec v, size_t offset, size_t count) {
        const __mmask32 units = static_cast<__mmask32>(firstUnits(offset + count) & (~0u << offset));
        _mm512_mask_storeu_epi16(bytesBelow(dst, offset * sizeof(char16_t)), units, v);
    }
    // The block v read at src + i, whose unit end is the terminator, to
    // dst + i up to the terminator.
    QORU_WIDE_INLINE static size_t finishCopy(char16_t *dst, const char16_t *, size_t i, Vec v, size_t end) {
        _mm512_mask_storeu_epi16(dst + i, firstUnits(end + 1), v);
        return i + end;
    }
};

}  // namespace

QORU_WIDE const char16_t *findZeroAvx512(const char16_t *s) { return Wide<Avx512>::findZero(s); }
QORU_WIDE const char16_t *findZeroOrUnitAvx512(const char16_t *s, char16_t c) {
    return Wide<Avx512>::findZeroOrUnit(s, c);
}
QORU_WIDE size_t findStopAvx512(const char16_t *a, const char16_t *b) { return Wide<Avx512>::findStop(a, b); }
QORU_WIDE size_t copyStringAvx512(char16_t *dst, const char16_t *src) { return Wide<Avx512>::copyString(dst, src); }
QORU_WIDE size_t findDifferenceAvx512(const char16_t *a, const char16_t *b, size_t n) {
    return Wide<Avx512>::findDifference(a, b, n);
}

}  // namespace qoru
