/* UTF-16 memory operations, allocation wrappers counting in code units, and
 * bounds-checked copies. The bounds-checked copies return 0 or ERANGE. */
#ifndef QORUCUM_MEMORY_H
#define QORUCUM_MEMORY_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

QORUCUM_API int32_t memcmpU16(const charU16 *a, const charU16 *b, size_t n);
QORUCUM_API charU16 *memchrU16(const charU16 *s, charU16 c, size_t n);
QORUCUM_API charU16 *memsetU16(charU16 *s, charU16 c, size_t n);
QORUCUM_API void *memcpyU(void *dst, const void *src, size_t n);
QORUCUM_API void *memmoveU(void *dst, const void *src, size_t n);
/* Allocations counted in code units, released with free. A count whose byte
 * size does not fit in size_t gives null with ENOMEM (reallocU then leaves
 * the old block as it was). */
QORUCUM_API void *mallocU(size_t n);
QORUCUM_API void *reallocU(void *p, size_t n);
QORUCUM_API void *callocU(size_t count, size_t n);

QORUCUM_API int32_t strcpy_sU16(charU16 *dst, size_t size, const charU16 *src);
QORUCUM_API int32_t strcat_sU16(charU16 *dst, size_t size, const charU16 *src);
QORUCUM_API int32_t strncpy_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count);
QORUCUM_API int32_t strncat_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count);
QORUCUM_API int32_t memcpy_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count);
QORUCUM_API int32_t memmove_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count);

QORUCUM_EXTERN_C_END

#endif
