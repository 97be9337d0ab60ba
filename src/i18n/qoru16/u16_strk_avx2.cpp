// String scan kernels for AVX2: 32-byte reads, four of them to a 128-byte
// group (u16_strk_wide.h), tests through pmovmskb (two bits per unit).
#include <immintrin.h>

#define QORU_WIDE_TARGET QORU_TARGET_AVX2
#include "i18n/qoru16/u16_strk_wide.h"

namespace qoru {
namespace {

struct Avx2 {
    using Vec = __m256i;
    static constexpr size_t vecBytes = 32;
    static constexpr size_t vecUnits = vecBytes / sizeof(char16_t);
    static constexpr size_t bitsPerUnit = 2;

    QORU_WIDE [[gnu::no_sanitize_address, gnu::no_sanitize_thread]] static Vec load(const char16_t *p) {
        return _mm256_load_si256(reinterpret_cast<const __m256i *>(p));
    }
    QORU_WIDE [[gnu::no_sanitize_address, gnu::no_sanitize_thread]] static Vec loadInPage(const char16_t *p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
    }
    // A read wholly within the caller's data: instrumented as usual.
    QORU_WIDE_INLINE static Vec loadData(const char16_t *p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
    }
    QORU_WIDE_INLINE static void store(char16_t *p, Vec v) { _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v); }

    // Two bits per unit (a byte mask of 16-bit lanes) where v is 0.
    QORU_WIDE_INLINE static uint32_t zeroBits(Vec v) {
        return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(v, _mm256_setzero_si256())));
    }
    // Two bits per unit where a and b differ.
    QORU_WIDE_INLINE static uint32_t differenceBits(Vec a, Vec b) {
        return ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(a, b)));
    }
    // All ones where a and b's units are the same; both and all of such marks.
    QORU_WIDE_INLINE static Vec sameMarks(Vec a, Vec b) { return _mm256_cmpeq_epi16(a, b); }
    QORU_WIDE_INLINE static Vec bothSame(Vec a, Vec b) { return _mm256_and_si256(a, b); }
    QORU_WIDE_INLINE static bool allSame(Vec v) { return _mm256_movemask_epi8(v) == -1; }
    QORU_WIDE_INLINE static Vec least(Vec a, Vec b) { return _mm256_min_epu16(a, b); }
    QORU_WIDE_INLINE static Vec bitXor(Vec a, Vec b) { return _mm256_xor_si256(a, b); }
    QORU_WIDE_INLINE static Vec splat(char16_t c) { return _mm256_set1_epi16(static_cast<short>(c)); }
    // a's unit where it equals b's, else 0: 0 where a ends or differs.
    QORU_WIDE_INLINE static Vec stopMarks(Vec a, Vec b) { return _mm256_min_epu16(a, _mm256_cmpeq_epi16(a, b)); }

    // The first position from i where the n units differ, i + a block being
    // past n: a last block that ends at n and overlaps units already found
    // equal, or the 16-byte kernel when n is less than a block.
    QORU_WIDE_INLINE static size_t lastDifference(const char16_t *a, const char16_t *b, size_t i, size_t n) {
        if (i == n) return n;
        if (n < vecUnits) return findDifferenceSse2(a, b, n);
        const size_t last = n - vecUnits;
        const uint32_t d = differenceBits(loadData(a + last), loadData(b + last));
        return d != 0 ? last + static_cast<size_t>(__builtin_ctz(d)) / 2 : n;
    }

    // The first count units at src (a block at most) to dst, read again from
    // src, which holds them all; the block already read is not needed.
    QORU_WIDE_INLINE static void copyFirst(char16_t *dst, const char16_t *src, Vec, size_t, size_t count) {
        copyFewUnits(dst, src, count);
    }
    // The string's units once its terminator is found at i + end, whose last
    // block goes from the units up to it that are all readable: one 32-byte
    // move when there are that many, else a few smaller ones. Units already
    // copied may be written again.
    QORU_WIDE_INLINE static size_t finishCopy(char16_t *dst, const char16_t *src, size_t i, Vec, size_t end) {
        const size_t units = i + end + 1;
        if (units >= vecUnits) {
            const size_t last = units - vecUnits;
            store(dst + last, loadData(src + last));
        } else {
            copyFewUnits(dst, src, units);
        }
        return i + end;
    }
};

}  // namespace

QORU_WIDE const char16_t *findZeroAvx2(const char16_t *s) { return Wide<Avx2>::findZero(s); }
QORU_WIDE const char16_t *findZeroOrUnitAvx2(const char16_t *s, char16_t c) { return Wide<Avx2>::findZeroOrUnit(s, c); }
QORU_WIDE size_t findStopAvx2(const char16_t *a, const char16_t *b) { return Wide<Avx2>::findStop(a, b); }
QORU_WIDE size_t copyStringAvx2(char16_t *dst, const char16_t *src) { return Wide<Avx2>::copyString(dst, src); }
QORU_WIDE size_t findDifferenceAvx2(const char16_t *a, const char16_t *b, size_t n) {
    return Wide<Avx2>::findDifference(a, b, n);
}

}  // namespace qoru
