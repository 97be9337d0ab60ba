// String scan kernels for AVX2: 32-byte reads, four of them to a 128-byte
// group. Terminated strings are read in aligned 32-byte blocks, and in whole
// groups only at 128-byte aligned addresses, so no read crosses a page (the
// page rule of u16_words.h); a comparison reads its second string unaligned
// only where staysInPage keeps the read within one page.
#include <immintrin.h>

#include "i18n/qoru16/u16_strk.h"
#include "i18n/qoru16/u16_words.h"

namespace qoru {
namespace {

constexpr size_t vecBytes = 32;
constexpr size_t vecUnits = vecBytes / sizeof(char16_t);
constexpr size_t wideGroupBytes = 4 * vecBytes;
constexpr size_t wideGroupUnits = 4 * vecUnits;

[[gnu::target("avx2,bmi,bmi2"), gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline __m256i loadVec(const char16_t *p) {
    return _mm256_load_si256(reinterpret_cast<const __m256i *>(p));
}
[[gnu::target("avx2,bmi,bmi2"), gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline __m256i loadVecInPage(const char16_t *p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
}
// A read wholly within the caller's data: instrumented as usual.
[[gnu::target("avx2,bmi,bmi2")]] inline __m256i loadData(const char16_t *p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
}

// Two bits per unit (a byte mask of 16-bit lanes) where marks is 0.
[[gnu::target("avx2,bmi,bmi2")]] inline uint32_t zeroBits(__m256i marks) {
    return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(marks, _mm256_setzero_si256())));
}
// Two bits per unit where a and b differ.
[[gnu::target("avx2,bmi,bmi2")]] inline uint32_t differenceBits(__m256i a, __m256i b) {
    return ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(a, b)));
}
inline size_t unitOfBit(uint64_t bits) { return static_cast<size_t>(__builtin_ctzll(bits)) / 2; }
inline uint64_t joinBits(uint32_t low, uint32_t high) { return low | uint64_t{high} << 32; }

// A scan's marks are 0 in the units where it stops; the smallest of several
// marks is 0 where any of them is, so a group takes one test.
struct ZeroMarks {
    [[gnu::target("avx2,bmi,bmi2")]] __m256i operator()(__m256i v) const { return v; }
};
struct ZeroOrUnitMarks {
    __m256i wanted;
    // v ^ c is 0 where v is c.
    [[gnu::target("avx2,bmi,bmi2")]] __m256i operator()(__m256i v) const {
        return _mm256_min_epu16(_mm256_xor_si256(v, wanted), v);
    }
};
// a's unit where it equals b's, else 0: 0 where a ends or differs.
[[gnu::target("avx2,bmi,bmi2")]] inline __m256i stopMarks(__m256i a, __m256i b) {
    return _mm256_min_epu16(a, _mm256_cmpeq_epi16(a, b));
}
[[gnu::target("avx2,bmi,bmi2")]] inline __m256i leastOf(__m256i m0, __m256i m1, __m256i m2, __m256i m3) {
    return _mm256_min_epu16(_mm256_min_epu16(m0, m1), _mm256_min_epu16(m2, m3));
}
// The first marked unit of a group whose least mark is 0.
[[gnu::target("avx2,bmi,bmi2")]] inline size_t firstInGroup(__m256i m0, __m256i m1, __m256i m2, __m256i m3) {
    if (const uint64_t low = joinBits(zeroBits(m0), zeroBits(m1))) return unitOfBit(low);
    return 2 * vecUnits + unitOfBit(joinBits(zeroBits(m2), zeroBits(m3)));
}

// The first unit at or after s where marks is 0. The first read is the
// aligned block that holds s, its units before s left out.
template <class Marks>
[[gnu::target("avx2,bmi,bmi2")]] const char16_t *scan(const char16_t *s, Marks marks) {
    const size_t offset = reinterpret_cast<uintptr_t>(s) & (vecBytes - 1);
    const char16_t *p = alignedBlockStart(s, vecBytes);
    if (const uint32_t m = zeroBits(marks(loadVec(p))) >> offset) return s + unitOfBit(m);
    for (p += vecUnits; !isAligned(p, wideGroupBytes); p += vecUnits)
        if (const uint32_t m = zeroBits(marks(loadVec(p)))) return p + unitOfBit(m);
    for (;; p += wideGroupUnits) {
        const __m256i m0 = marks(loadVec(p)), m1 = marks(loadVec(p + vecUnits));
        const __m256i m2 = marks(loadVec(p + 2 * vecUnits)), m3 = marks(loadVec(p + 3 * vecUnits));
        if (zeroBits(leastOf(m0, m1, m2, m3)) != 0) return p + firstInGroup(m0, m1, m2, m3);
    }
}

}  // namespace

[[gnu::target("avx2,bmi,bmi2")]] const char16_t *findZeroAvx2(const char16_t *s) { return scan(s, ZeroMarks{}); }

[[gnu::target("avx2,bmi,bmi2")]] const char16_t *findZeroOrUnitAvx2(const char16_t *s, char16_t c) {
    return scan(s, ZeroOrUnitMarks{_mm256_set1_epi16(static_cast<short>(c))});
}

// a's blocks are read aligned; b's at the same positions, unaligned, where
// they stay within b's page; a block of b that would cross into the next
// page is compared in smaller steps.
[[gnu::target("avx2,bmi,bmi2")]] size_t findStopAvx2(const char16_t *a, const char16_t *b) {
    const size_t offset = reinterpret_cast<uintptr_t>(a) & (vecBytes - 1);
    size_t i = 0;
    // b's first read starts as far before b as a's aligned block starts
    // before a; within one page, that page is b's.
    if (const char16_t *bFirst = bytesBelow(b, offset); staysInPage(bFirst, vecBytes)) {
        const __m256i marks = stopMarks(loadVec(alignedBlockStart(a, vecBytes)), loadVecInPage(bFirst));
        if (const uint32_t m = zeroBits(marks) >> offset) return unitOfBit(m);
        i = (vecBytes - offset) / sizeof(char16_t);
    } else {
        i = findStopBeforeAlignment(a, b, vecBytes);
        if (!isAligned(a + i, vecBytes)) return i;
    }
    for (;; i += vecUnits) {
        if (isAligned(a + i, wideGroupBytes) && staysInPage(b + i, wideGroupBytes)) {
            const __m256i m0 = stopMarks(loadVec(a + i), loadVecInPage(b + i));
            const __m256i m1 = stopMarks(loadVec(a + i + vecUnits), loadVecInPage(b + i + vecUnits));
            const __m256i m2 = stopMarks(loadVec(a + i + 2 * vecUnits), loadVecInPage(b + i + 2 * vecUnits));
            const __m256i m3 = stopMarks(loadVec(a + i + 3 * vecUnits), loadVecInPage(b + i + 3 * vecUnits));
            if (zeroBits(leastOf(m0, m1, m2, m3)) != 0) return i + firstInGroup(m0, m1, m2, m3);
            i += wideGroupUnits - vecUnits;
        } else if (staysInPage(b + i, vecBytes)) {
            if (const uint32_t m = zeroBits(stopMarks(loadVec(a + i), loadVecInPage(b + i)))) return i + unitOfBit(m);
        } else if (const size_t k = findStopInBlocks(a + i, b + i, vecUnits); k < vecUnits) {
            return i + k;
        }
    }
}

[[gnu::target("avx2,bmi,bmi2")]] inline void storeVec(char16_t *p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v);
}

// The string's units once its terminator is found at end, whose last block
// goes from the units up to end that are all readable: one 32-byte move when
// there are that many, else a few smaller ones. Units already copied may be
// written again.
[[gnu::target("avx2,bmi,bmi2")]] inline size_t finishCopy(char16_t *dst, const char16_t *src, const char16_t *end) {
    const size_t units = static_cast<size_t>(end - src) + 1;
    if (units >= vecUnits) {
        const size_t last = units - vecUnits;
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(dst + last), loadData(src + last));
    } else {
        copyFewUnits(dst, src, units);
    }
    return units - 1;
}

// The rest of a copy whose units before i are copied, with dst + i aligned:
// src is read unaligned, four blocks at a time where they stay within its
// page, else block by block; the one block that would cross into the next
// page is copied unit by unit. Writes that would split cache lines cost
// more than such reads.
[[gnu::target("avx2,bmi,bmi2")]] static size_t copyToAlignedDst(char16_t *dst, const char16_t *src, size_t i) {
    for (;;) {
        if (staysInPage(src + i, wideGroupBytes)) {
            const __m256i v0 = loadVecInPage(src + i), v1 = loadVecInPage(src + i + vecUnits);
            const __m256i v2 = loadVecInPage(src + i + 2 * vecUnits), v3 = loadVecInPage(src + i + 3 * vecUnits);
            if (zeroBits(leastOf(v0, v1, v2, v3)) == 0) {
                storeVec(dst + i, v0);
                storeVec(dst + i + vecUnits, v1);
                storeVec(dst + i + 2 * vecUnits, v2);
                storeVec(dst + i + 3 * vecUnits, v3);
                i += wideGroupUnits;
                continue;
            }
        }
        if (staysInPage(src + i, vecBytes)) {
            const __m256i v = loadVecInPage(src + i);
            if (const uint32_t m = zeroBits(v)) return finishCopy(dst, src, src + i + unitOfBit(m));
            storeVec(dst + i, v);
        } else {
            for (const size_t end = i + vecUnits; i < end; ++i)
                if ((dst[i] = src[i]) == 0) return i;
            continue;
        }
        i += vecUnits;
    }
}

// src's blocks are read aligned; the units before src's first aligned block
// are copied from src by the few-unit copy, and so are the last units (see
// finishCopy). When dst is not aligned as src is, the rest of the copy
// aligns on dst instead.
[[gnu::target("avx2,bmi,bmi2")]] size_t copyStringAvx2(char16_t *dst, const char16_t *src) {
    const size_t offset = reinterpret_cast<uintptr_t>(src) & (vecBytes - 1);
    if (const uint32_t m = zeroBits(loadVec(alignedBlockStart(src, vecBytes))) >> offset)
        return finishCopy(dst, src, src + unitOfBit(m));
    size_t i = (vecBytes - offset) / sizeof(char16_t);  // src + i is aligned
    copyFewUnits(dst, src, i);
    const size_t shift = reinterpret_cast<uintptr_t>(dst + i) & (vecBytes - 1);
    if (shift != 0 && shift % sizeof(char16_t) == 0) {
        // The units up to dst's alignment lie in src's aligned block at i.
        const size_t toAligned = (vecBytes - shift) / sizeof(char16_t);
        if (const uint32_t m = zeroBits(loadVec(src + i)); m != 0 && unitOfBit(m) < toAligned)
            return finishCopy(dst, src, src + i + unitOfBit(m));
        copyFewUnits(dst + i, src + i, toAligned);
        return copyToAlignedDst(dst, src, i + toAligned);
    }
    for (; !isAligned(src + i, wideGroupBytes); i += vecUnits) {
        const __m256i v = loadVec(src + i);
        if (const uint32_t m = zeroBits(v)) return finishCopy(dst, src, src + i + unitOfBit(m));
        storeVec(dst + i, v);
    }
    for (;; i += wideGroupUnits) {
        const __m256i v0 = loadVec(src + i), v1 = loadVec(src + i + vecUnits);
        const __m256i v2 = loadVec(src + i + 2 * vecUnits), v3 = loadVec(src + i + 3 * vecUnits);
        if (zeroBits(leastOf(v0, v1, v2, v3)) != 0) {
            for (; zeroBits(loadVec(src + i)) == 0; i += vecUnits) storeVec(dst + i, loadVec(src + i));
            return finishCopy(dst, src, src + i + unitOfBit(zeroBits(loadVec(src + i))));
        }
        storeVec(dst + i, v0);
        storeVec(dst + i + vecUnits, v1);
        storeVec(dst + i + 2 * vecUnits, v2);
        storeVec(dst + i + 3 * vecUnits, v3);
    }
}

// All n units of both are readable: unaligned reads, and a last block that
// ends at n and overlaps units already found equal.
[[gnu::target("avx2,bmi,bmi2")]] size_t findDifferenceAvx2(const char16_t *a, const char16_t *b, size_t n) {
    if (n < vecUnits) return findDifferenceSse2(a, b, n);
    size_t i = 0;
    for (; i + wideGroupUnits <= n; i += wideGroupUnits) {
        const __m256i e0 = _mm256_cmpeq_epi16(loadData(a + i), loadData(b + i));
        const __m256i e1 = _mm256_cmpeq_epi16(loadData(a + i + vecUnits), loadData(b + i + vecUnits));
        const __m256i e2 = _mm256_cmpeq_epi16(loadData(a + i + 2 * vecUnits), loadData(b + i + 2 * vecUnits));
        const __m256i e3 = _mm256_cmpeq_epi16(loadData(a + i + 3 * vecUnits), loadData(b + i + 3 * vecUnits));
        const __m256i all = _mm256_and_si256(_mm256_and_si256(e0, e1), _mm256_and_si256(e2, e3));
        if (_mm256_movemask_epi8(all) != -1) break;
    }
    for (; i + vecUnits <= n; i += vecUnits)
        if (const uint32_t d = differenceBits(loadData(a + i), loadData(b + i))) return i + unitOfBit(d);
    if (i == n) return n;
    const size_t last = n - vecUnits;
    const uint32_t d = differenceBits(loadData(a + last), loadData(b + last));
    return d != 0 ? last + unitOfBit(d) : n;
}

}  // namespace qoru
