/* UTF-16 memory operations, allocation wrappers counting in code units, and
 * bounds-checked copies. */
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

/* Bounds-checked copies: sizes and counts are in code units, the result is an
 * error code (0, ERANGE, or EINVAL for a size no array has), errno is never set,
 * no constraint handler is called and the pointers are not tested. */
/**
 * @brief Copies src and its terminator into dst, an array of size units.
 *
 * When src does not fit, the size units written stay and dst[0] becomes 0.
 *
 * @param dst    Destination array, in code units; must not be null unless size is 0.
 * @param size   Capacity of dst in code units, terminator included; at most SIZE_MAX / 2.
 * @param src    Null-terminated UTF-16 text; must not be null.
 * @return 0 when src fits or size is 0 (nothing written); ERANGE when it does not fit;
 *         EINVAL when size is above SIZE_MAX / 2.
 * @par Errors
 * None: errno is left as it was. The result is the error code: EINVAL for a size
 * above SIZE_MAX / 2 (nothing is written), ERANGE as stated.
 * @par Differs from C
 * Size 0 is no error.
 */
QORUCUM_API int32_t strcpy_sU16(charU16 *dst, size_t size, const charU16 *src);
/**
 * @brief Appends src and its terminator to the string in dst, an array of size units.
 *
 * When src does not fit, the units up to the end of dst are written and dst[0]
 * becomes 0; when dst holds no terminator within size units, nothing is written.
 *
 * @param dst    Destination array, in code units; must not be null unless size is 0.
 * @param size   Capacity of dst in code units, terminator included; at most SIZE_MAX / 2.
 * @param src    Null-terminated UTF-16 text; must not be null.
 * @return 0 when src fits; ERANGE for size 0, no terminator in dst or no room;
 *         EINVAL when size is above SIZE_MAX / 2.
 * @par Errors
 * None: errno is left as it was. The result is the error code: EINVAL for a size
 * above SIZE_MAX / 2 (nothing is written), ERANGE as stated.
 * @par Differs from C
 * dst is not cleared when it holds no terminator.
 */
QORUCUM_API int32_t strcat_sU16(charU16 *dst, size_t size, const charU16 *src);
/**
 * @brief Copies at most count units of src into dst, then a terminator.
 *
 * The copy is cut to size - 1 units: a longer src is truncated, never an error.
 *
 * @param dst    Destination array, in code units; must not be null unless size is 0.
 * @param size   Capacity of dst in code units, terminator included; at most SIZE_MAX / 2.
 * @param src    Null-terminated UTF-16 text; must not be null.
 * @param count  Units to take at most.
 * @return 0 always, size 0 included (nothing written); EINVAL when size is above SIZE_MAX / 2.
 * @par Errors
 * None: errno is left as it was. The result is the error code: EINVAL for a size
 * above SIZE_MAX / 2 (nothing is written), ERANGE as stated.
 * @par Differs from C
 * A src longer than the room is truncated instead of refused.
 */
QORUCUM_API int32_t strncpy_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count);
/**
 * @brief Appends at most count units of src to the string in dst, then a terminator.
 *
 * When the units to append do not fit, dst[0] becomes 0.
 *
 * @param dst    Destination array, in code units; must not be null unless size is 0.
 * @param size   Capacity of dst in code units, terminator included; at most SIZE_MAX / 2.
 * @param src    Null-terminated UTF-16 text; must not be null.
 * @param count  Units to take at most.
 * @return 0 when they fit; ERANGE for size 0, no terminator in dst or no room;
 *         EINVAL when size is above SIZE_MAX / 2.
 * @par Errors
 * None: errno is left as it was. The result is the error code: EINVAL for a size
 * above SIZE_MAX / 2 (nothing is written), ERANGE as stated.
 * @par Differs from C
 * dst is not cleared when it holds no terminator.
 */
QORUCUM_API int32_t strncat_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count);
/**
 * @brief Copies count units from src to dst, an array of size units.
 *
 * When count is above size, the size units of dst are set to 0 instead.
 *
 * @param dst    Destination array, in code units; must not be null unless size is 0.
 * @param size   Capacity of dst in code units, terminator included; at most SIZE_MAX / 2.
 * @param src    Source units; must not be null when count is not 0.
 * @param count  Units to copy.
 * @return 0 when they fit; ERANGE when count is above size; EINVAL when size is above SIZE_MAX / 2.
 * @par Errors
 * None: errno is left as it was. The result is the error code: EINVAL for a size
 * above SIZE_MAX / 2 (nothing is written), ERANGE as stated.
 * @par Differs from C
 * Counts are in code units, not bytes.
 */
QORUCUM_API int32_t memcpy_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count);
/**
 * @brief Copies count units from src to dst, an array of size units, the two possibly overlapping.
 *
 * When count is above size, the size units of dst are set to 0 instead.
 *
 * @param dst    Destination array, in code units; must not be null unless size is 0.
 * @param size   Capacity of dst in code units, terminator included; at most SIZE_MAX / 2.
 * @param src    Source units; must not be null when count is not 0.
 * @param count  Units to copy.
 * @return 0 when they fit; ERANGE when count is above size; EINVAL when size is above SIZE_MAX / 2.
 * @par Errors
 * None: errno is left as it was. The result is the error code: EINVAL for a size
 * above SIZE_MAX / 2 (nothing is written), ERANGE as stated.
 * @par Differs from C
 * Counts are in code units, not bytes.
 */
QORUCUM_API int32_t memmove_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count);

QORUCUM_EXTERN_C_END

#endif
