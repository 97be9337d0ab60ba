// String scan kernels per CPU level, and the SSE2 ones every x86-64 CPU runs:
// the 16-byte block scans of u16_words.h. The SSSE3 level has no kernels of
// its own and runs the SSE2 ones.
#include "i18n/qoru16/u16_strk.h"

#include <emmintrin.h>

#include <cstring>

#include "i18n/qoru16/u16_words.h"

namespace qoru {

const char16_t *findZeroSse2(const char16_t *s) { return findZeroOrUnit(s, 0); }

const char16_t *findZeroOrUnitSse2(const char16_t *s, char16_t c) { return findZeroOrUnit(s, c); }

size_t findStopSse2(const char16_t *a, const char16_t *b) {
    size_t i = 0;
    for (; !isAligned(a + i, blockBytes); ++i)
        if (a[i] == 0 || a[i] != b[i]) return i;
    return i + findStop(a + i, b + i);
}

size_t findStopInBlocks(const char16_t *a, const char16_t *b, size_t units) {
    for (size_t i = 0; i < units; i += blockUnits) {
        if (staysInPage(b + i, blockBytes)) {
            if (const uint32_t m = unitMask(stopUnits(a + i, b + i))) return i + firstMarkedUnit(m);
        } else {
            for (size_t k = i; k < i + blockUnits; ++k)
                if (a[k] == 0 || a[k] != b[k]) return k;
        }
    }
    return units;
}

size_t findStopBeforeAlignment(const char16_t *a, const char16_t *b, size_t bytes) {
    size_t i = 0;
    for (; !isAligned(a + i, blockBytes); ++i)
        if (a[i] == 0 || a[i] != b[i]) return i;
    const size_t rest = ((bytes - (reinterpret_cast<uintptr_t>(a + i) & (bytes - 1))) & (bytes - 1)) / sizeof(char16_t);
    return i + findStopInBlocks(a + i, b + i, rest);
}

// All n units of both are readable, so unaligned reads are safe here. Whole
// 64-byte groups are skipped while equal; the first group or block that
// differs is then searched unit by unit.
size_t findDifferenceSse2(const char16_t *a, const char16_t *b, size_t n) {
    size_t i = 0;
    for (; i + groupUnits <= n; i += groupUnits) {
        __m128i same = _mm_set1_epi8(-1);
        for (size_t k = 0; k < groupUnits; k += blockUnits)
            same = _mm_and_si128(same, _mm_cmpeq_epi16(loadUnits(a + i + k), loadUnits(b + i + k)));
        if (_mm_movemask_epi8(same) != 0xFFFF) break;
    }
    for (; i + blockUnits <= n; i += blockUnits)
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(loadUnits(a + i), loadUnits(b + i))) != 0xFFFF) break;
    for (; i < n; ++i)
        if (a[i] != b[i]) return i;
    return n;
}

size_t findZeroWithinSse2(const char16_t *s, size_t n) {
    size_t i = 0;
    for (; i < n && !isAligned(s + i, blockBytes); ++i)
        if (s[i] == 0) return i;
    // Each block read holds unit i, which is below n and not past the
    // terminator; zeros at or after n do not count.
    for (; i < n; i += blockUnits) {
        if (const uint32_t m = zeroMask(s + i)) {
            const size_t at = i + firstMarkedUnit(m);
            return at < n ? at : n;
        }
    }
    return n;
}

size_t copyStringSse2(char16_t *dst, const char16_t *src) {
    const size_t length = static_cast<size_t>(findZeroOrUnit(src, 0) - src);
    memcpy(dst, src, (length + 1) * sizeof(char16_t));
    return length;
}

}  // namespace qoru
