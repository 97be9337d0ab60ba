// UTF-16 memory operations and allocation wrappers that count in code units.
#include "qorucum/memory.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "i18n/qoru16/u16_heap.h"
#include "i18n/qoru16/u16_strk.h"

extern "C" {

QORUCUM_API int32_t memcmpU16(const charU16 *a, const charU16 *b, size_t n) {
    return qoru::chosen<&qoru::Kernels::compareWithin>()(a, b, n);
}

QORUCUM_API charU16 *memchrU16(const charU16 *s, charU16 c, size_t n) {
    return qoru::chosen<&qoru::Kernels::findUnitWithin>()(s, c, n);
}

QORUCUM_API charU16 *memsetU16(charU16 *s, charU16 c, size_t n) {
    return qoru::chosen<&qoru::Kernels::fill>()(s, c, n);
}

QORUCUM_API void *memcpyU(void *dst, const void *src, size_t n) { return memcpy(dst, src, 2 * n); }

QORUCUM_API void *memmoveU(void *dst, const void *src, size_t n) { return memmove(dst, src, 2 * n); }

// A unit count whose byte size does not fit in size_t would wrap into a
// small block that the caller then writes past: the heap seam refuses it.
QORUCUM_API void *mallocU(size_t n) { return qoru::allocate(n, sizeof(charU16)); }

QORUCUM_API void *reallocU(void *p, size_t n) { return qoru::reallocate(p, n, sizeof(charU16)); }

QORUCUM_API void *callocU(size_t count, size_t n) {
    // An element of n units must fit before the seam multiplies by count.
    if (n > SIZE_MAX / sizeof(charU16)) {
        errno = ENOMEM;
        return nullptr;
    }
    return qoru::allocateZeroed(count, sizeof(charU16) * n);
}

}  // extern "C"
