// UTF-16 memory operations and allocation wrappers that count in code units.
#include "qorucum/memory.h"

#include <emmintrin.h>

#include <cstdlib>
#include <cstring>

namespace {
int32_t unitDifference(charU16 a, charU16 b) { return static_cast<int32_t>(a) - static_cast<int32_t>(b); }
}  // namespace

extern "C" {

QORUCUM_API int32_t memcmpU16(const charU16 *a, const charU16 *b, size_t n) {
    // All n units are readable, so unaligned 16-byte reads are safe here.
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + i));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
        const uint32_t equal = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(va, vb)));
        if (equal != 0xFFFFu) {
            const size_t k = i + static_cast<size_t>(__builtin_ctz(~equal)) / 2;
            return unitDifference(a[k], b[k]);
        }
    }
    for (; i < n; ++i)
        if (a[i] != b[i]) return unitDifference(a[i], b[i]);
    return 0;
}

QORUCUM_API charU16 *memchrU16(const charU16 *s, charU16 c, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (s[i] == c) return const_cast<charU16 *>(s + i);
    return nullptr;
}

QORUCUM_API charU16 *memsetU16(charU16 *s, charU16 c, size_t n) {
    for (size_t i = 0; i < n; ++i) s[i] = c;
    return s;
}

QORUCUM_API void *memcpyU(void *dst, const void *src, size_t n) { return memcpy(dst, src, 2 * n); }

QORUCUM_API void *memmoveU(void *dst, const void *src, size_t n) { return memmove(dst, src, 2 * n); }

QORUCUM_API void *mallocU(size_t n) { return malloc(2 * n); }

QORUCUM_API void *reallocU(void *p, size_t n) { return realloc(p, 2 * n); }

QORUCUM_API void *callocU(size_t count, size_t n) { return calloc(count, 2 * n); }

}  // extern "C"
