// String scan kernels for AVX-512BW: 64-byte reads, four of them to a
// 256-byte group, tests into mask registers (one bit per unit). Terminated
// strings are read in aligned 64-byte blocks, and in whole groups only at
// 256-byte aligned addresses, so no read crosses a page (the page rule of
// u16_words.h); a comparison reads its second string unaligned only where
// staysInPage keeps the read within one page.
#include <immintrin.h>

#include "i18n/qoru16/u16_strk.h"
#include "i18n/qoru16/u16_words.h"

namespace qoru {
namespace {

constexpr size_t vecBytes = 64;
constexpr size_t vecUnits = vecBytes / sizeof(char16_t);
constexpr size_t wideGroupBytes = 4 * vecBytes;
constexpr size_t wideGroupUnits = 4 * vecUnits;

[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2"), gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline __m512i loadVec(
    const char16_t *p) {
    return _mm512_load_si512(p);
}
[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2"), gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline __m512i loadVecInPage(
    const char16_t *p) {
    return _mm512_loadu_si512(p);
}
// A read wholly within the caller's data.
[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] inline __m512i loadData(const char16_t *p) {
    return _mm512_loadu_si512(p);
}

// One bit per unit where marks is 0.
[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] inline uint32_t zeroBits(__m512i marks) {
    return _mm512_testn_epi16_mask(marks, marks);
}
inline size_t unitOfBit(uint64_t bits) { return static_cast<size_t>(__builtin_ctzll(bits)); }
inline uint64_t joinBits(uint32_t low, uint32_t high) { return low | uint64_t{high} << 32; }

// A scan's marks are 0 in the units where it stops; the smallest of several
// marks is 0 where any of them is, so a group takes one test.
struct ZeroMarks {
    [[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] __m512i operator()(__m512i v) const { return v; }
};
struct ZeroOrUnitMarks {
    __m512i wanted;
    // v ^ c is 0 where v is c.
    [[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] __m512i operator()(__m512i v) const {
        return _mm512_min_epu16(_mm512_xor_si512(v, wanted), v);
    }
};
// a's unit where it equals b's, else 0: 0 where a ends or differs.
[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] inline __m512i stopMarks(__m512i a, __m512i b) {
    return _mm512_maskz_mov_epi16(_mm512_cmpeq_epi16_mask(a, b), a);
}
[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] inline __m512i leastOf(__m512i m0, __m512i m1, __m512i m2,
                                                                                   __m512i m3) {
    return _mm512_min_epu16(_mm512_min_epu16(m0, m1), _mm512_min_epu16(m2, m3));
}
// The first marked unit of a group whose least mark is 0.
[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] inline size_t firstInGroup(__m512i m0, __m512i m1,
                                                                                      __m512i m2, __m512i m3) {
    if (const uint64_t low = joinBits(zeroBits(m0), zeroBits(m1))) return unitOfBit(low);
    return 2 * vecUnits + unitOfBit(joinBits(zeroBits(m2), zeroBits(m3)));
}

// The first unit at or after s where marks is 0. The first read is the
// aligned block that holds s, its units before s left out.
template <class Marks>
[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] const char16_t *scan(const char16_t *s, Marks marks) {
    const size_t offset = (reinterpret_cast<uintptr_t>(s) & (vecBytes - 1)) / sizeof(char16_t);
    const char16_t *p = alignedBlockStart(s, vecBytes);
    if (const uint32_t m = zeroBits(marks(loadVec(p))) >> offset) return s + unitOfBit(m);
    for (p += vecUnits; !isAligned(p, wideGroupBytes); p += vecUnits)
        if (const uint32_t m = zeroBits(marks(loadVec(p)))) return p + unitOfBit(m);
    for (;; p += wideGroupUnits) {
        const __m512i m0 = marks(loadVec(p)), m1 = marks(loadVec(p + vecUnits));
        const __m512i m2 = marks(loadVec(p + 2 * vecUnits)), m3 = marks(loadVec(p + 3 * vecUnits));
        if (zeroBits(leastOf(m0, m1, m2, m3)) != 0) return p + firstInGroup(m0, m1, m2, m3);
    }
}

}  // namespace

[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] const char16_t *findZeroAvx512(const char16_t *s) {
    return scan(s, ZeroMarks{});
}

[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] const char16_t *findZeroOrUnitAvx512(const char16_t *s,
                                                                                               char16_t c) {
    return scan(s, ZeroOrUnitMarks{_mm512_set1_epi16(static_cast<short>(c))});
}

// a's blocks are read aligned; b's at the same positions, unaligned, where
// they stay within b's page; a block of b that would cross into the next
// page is compared in smaller steps.
[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] size_t findStopAvx512(const char16_t *a,
                                                                                const char16_t *b) {
    const size_t offset = reinterpret_cast<uintptr_t>(a) & (vecBytes - 1);
    size_t i = 0;
    // b's first read starts as far before b as a's aligned block starts
    // before a; within one page, that page is b's.
    if (const char16_t *bFirst = bytesBelow(b, offset); staysInPage(bFirst, vecBytes)) {
        const __m512i marks = stopMarks(loadVec(alignedBlockStart(a, vecBytes)), loadVecInPage(bFirst));
        if (const uint32_t m = zeroBits(marks) >> (offset / sizeof(char16_t))) return unitOfBit(m);
        i = (vecBytes - offset) / sizeof(char16_t);
    } else {
        i = findStopBeforeAlignment(a, b, vecBytes);
        if (!isAligned(a + i, vecBytes)) return i;
    }
    for (;; i += vecUnits) {
        if (isAligned(a + i, wideGroupBytes) && staysInPage(b + i, wideGroupBytes)) {
            const __m512i m0 = stopMarks(loadVec(a + i), loadVecInPage(b + i));
            const __m512i m1 = stopMarks(loadVec(a + i + vecUnits), loadVecInPage(b + i + vecUnits));
            const __m512i m2 = stopMarks(loadVec(a + i + 2 * vecUnits), loadVecInPage(b + i + 2 * vecUnits));
            const __m512i m3 = stopMarks(loadVec(a + i + 3 * vecUnits), loadVecInPage(b + i + 3 * vecUnits));
            if (zeroBits(leastOf(m0, m1, m2, m3)) != 0) return i + firstInGroup(m0, m1, m2, m3);
            i += wideGroupUnits - vecUnits;
        } else if (staysInPage(b + i, vecBytes)) {
            if (const uint32_t m = zeroBits(stopMarks(loadVec(a + i), loadVecInPage(b + i)))) return i + unitOfBit(m);
        } else if (const size_t k = findStopInBlocks(a + i, b + i, vecUnits); k < vecUnits) {
            return i + k;
        }
    }
}

[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] inline void storeVec(char16_t *p, __m512i v) {
    _mm512_storeu_si512(p, v);
}

// The rest of a copy whose units before i are copied, with dst + i aligned:
// src is read unaligned, four blocks at a time where they stay within its
// page, else block by block; the one block that would cross into the next
// page is read with a mask of the units in this page first. Writes that
// would split cache lines cost more than such reads.
[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] static size_t copyToAlignedDst(char16_t *dst,
                                                                                         const char16_t *src,
                                                                                         size_t i) {
    for (;;) {
        if (staysInPage(src + i, wideGroupBytes)) {
            const __m512i v0 = loadVecInPage(src + i), v1 = loadVecInPage(src + i + vecUnits);
            const __m512i v2 = loadVecInPage(src + i + 2 * vecUnits), v3 = loadVecInPage(src + i + 3 * vecUnits);
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
            const __m512i v = loadVecInPage(src + i);
            if (const uint32_t m = zeroBits(v)) {
                _mm512_mask_storeu_epi16(dst + i, _bzhi_u32(~0u, static_cast<uint32_t>(unitOfBit(m) + 1)), v);
                return i + unitOfBit(m);
            }
            storeVec(dst + i, v);
            i += vecUnits;
        } else {
            for (const size_t end = i + vecUnits; i < end; ++i)
                if ((dst[i] = src[i]) == 0) return i;
        }
    }
}

// src's blocks are read aligned and written to dst unaligned; the first
// block's units before src and the last block's after the terminator are
// left out by masked writes, which touch nothing outside their mask.
[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] size_t copyStringAvx512(char16_t *dst,
                                                                                  const char16_t *src) {
    const size_t offset = (reinterpret_cast<uintptr_t>(src) & (vecBytes - 1)) / sizeof(char16_t);
    // dst's unit for the first block's first unit, as an address only.
    void *const firstTo = bytesBelow(dst, offset * sizeof(char16_t));
    const __m512i first = loadVec(alignedBlockStart(src, vecBytes));
    const uint32_t fromSrc = ~0u << offset;
    if (const uint32_t m = zeroBits(first) & fromSrc) {
        const uint32_t end = static_cast<uint32_t>(__builtin_ctz(m));
        _mm512_mask_storeu_epi16(firstTo, fromSrc & _bzhi_u32(~0u, end + 1), first);
        return end - offset;
    }
    _mm512_mask_storeu_epi16(firstTo, fromSrc, first);
    size_t i = vecUnits - offset;  // src + i is aligned
    const size_t shift = reinterpret_cast<uintptr_t>(dst + i) & (vecBytes - 1);
    if (shift != 0 && shift % sizeof(char16_t) == 0) {
        // The units up to dst's alignment lie in src's aligned block at i.
        const size_t toAligned = (vecBytes - shift) / sizeof(char16_t);
        const __m512i v = loadVec(src + i);
        const uint32_t m = zeroBits(v);
        const size_t end = m != 0 ? unitOfBit(m) : vecUnits;
        if (end < toAligned) {
            _mm512_mask_storeu_epi16(dst + i, _bzhi_u32(~0u, static_cast<uint32_t>(end + 1)), v);
            return i + end;
        }
        _mm512_mask_storeu_epi16(dst + i, _bzhi_u32(~0u, static_cast<uint32_t>(toAligned)), v);
        return copyToAlignedDst(dst, src, i + toAligned);
    }
    for (;; i += vecUnits) {
        if (isAligned(src + i, wideGroupBytes)) {
            const __m512i v0 = loadVec(src + i), v1 = loadVec(src + i + vecUnits);
            const __m512i v2 = loadVec(src + i + 2 * vecUnits), v3 = loadVec(src + i + 3 * vecUnits);
            if (zeroBits(leastOf(v0, v1, v2, v3)) == 0) {
                storeVec(dst + i, v0);
                storeVec(dst + i + vecUnits, v1);
                storeVec(dst + i + 2 * vecUnits, v2);
                storeVec(dst + i + 3 * vecUnits, v3);
                i += wideGroupUnits - vecUnits;
                continue;
            }
        }
        const __m512i v = loadVec(src + i);
        if (const uint32_t m = zeroBits(v)) {
            const uint32_t end = static_cast<uint32_t>(__builtin_ctz(m));
            _mm512_mask_storeu_epi16(dst + i, _bzhi_u32(~0u, end + 1), v);
            return i + end;
        }
        storeVec(dst + i, v);
    }
}

// All n units of both are readable: unaligned reads, the last (short) block
// through masked reads, which touch no unit at or after n.
[[gnu::target("avx512f,avx512bw,avx512vl,avx2,bmi,bmi2")]] size_t findDifferenceAvx512(const char16_t *a,
                                                                                      const char16_t *b, size_t n) {
    size_t i = 0;
    for (; i + wideGroupUnits <= n; i += wideGroupUnits) {
        const __m512i d0 = _mm512_xor_si512(loadData(a + i), loadData(b + i));
        const __m512i d1 = _mm512_xor_si512(loadData(a + i + vecUnits), loadData(b + i + vecUnits));
        const __m512i d2 = _mm512_xor_si512(loadData(a + i + 2 * vecUnits), loadData(b + i + 2 * vecUnits));
        const __m512i d3 = _mm512_xor_si512(loadData(a + i + 3 * vecUnits), loadData(b + i + 3 * vecUnits));
        const __m512i any = _mm512_or_si512(_mm512_or_si512(d0, d1), _mm512_or_si512(d2, d3));
        if (_mm512_test_epi16_mask(any, any) != 0) break;
    }
    for (; i + vecUnits <= n; i += vecUnits) {
        const __m512i d = _mm512_xor_si512(loadData(a + i), loadData(b + i));
        if (const uint32_t m = _mm512_test_epi16_mask(d, d)) return i + unitOfBit(m);
    }
    const __mmask32 rest = static_cast<__mmask32>(_bzhi_u32(~0u, static_cast<uint32_t>(n - i)));
    const uint32_t m = _mm512_mask_cmpneq_epi16_mask(rest, _mm512_maskz_loadu_epi16(rest, a + i),
                                                     _mm512_maskz_loadu_epi16(rest, b + i));
    return m != 0 ? i + unitOfBit(m) : n;
}

}  // namespace qoru
