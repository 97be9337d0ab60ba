/**
 * @file qorucum/memory.h
 * @brief UTF-16 memory operations, allocation counted in code units, and
 *        bounds-checked copies.
 */
#ifndef QORUCUM_MEMORY_H
#define QORUCUM_MEMORY_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/**
 * @defgroup qorucum_memory Memory
 * @brief The C runtime's memory operations over arrays of code units.
 *
 * Every count is in code units (2 bytes each), memcpyU() and memmoveU()
 * included: they copy 2 x n bytes. Pointers are not checked, as in C. The
 * functions use only their arguments and leave errno as it was.
 * @{
 */

/**
 * @brief Compares two arrays of code units.
 *
 * @param a      Array of at least n units; may be null only when n is 0.
 * @param b      Array of at least n units; may be null only when n is 0.
 * @param n      Units to compare.
 * @return 0 when equal or n is 0; otherwise the first differing unit of a
 *         minus that of b, as unsigned 16-bit values (code-unit order).
 * @par Errors
 * None: errno is left as it was.
 * @par Differs from C
 * Compares units, not bytes: the result orders by unit value whatever the
 * machine's byte order.
 */
QORUCUM_API int32_t memcmpU16(const charU16 *a, const charU16 *b, size_t n);

/**
 * @brief Finds a unit among the first n units of an array.
 *
 * @param s      Array of at least n units; may be null only when n is 0.
 * @param c      The unit to find.
 * @param n      Units to search.
 * @return A pointer to the first unit equal to c, or null (also for an n of 0).
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API charU16 *memchrU16(const charU16 *s, charU16 c, size_t n);

/**
 * @brief Stores one unit into each of n units.
 *
 * @param s      Array of at least n units; may be null only when n is 0.
 * @param c      The unit to store (all 16 bits, unlike memset's one byte).
 * @param n      Units to set.
 * @return s.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API charU16 *memsetU16(charU16 *s, charU16 c, size_t n);

/**
 * @brief Copies n code units (2 x n bytes) between arrays that do not overlap.
 *
 * @param dst    Destination of at least n units.
 * @param src    Source of at least n units; must not overlap dst.
 * @param n      Code units to copy, not bytes.
 * @return dst.
 * @par Errors
 * None: errno is left as it was.
 * @par Differs from C
 * n counts 16-bit code units: memcpyU(d, s, 6) copies 12 bytes.
 */
QORUCUM_API void *memcpyU(void *dst, const void *src, size_t n);

/**
 * @brief Copies n code units (2 x n bytes); the arrays may overlap.
 *
 * @param dst    Destination of at least n units.
 * @param src    Source of at least n units.
 * @param n      Code units to move, not bytes.
 * @return dst.
 * @par Errors
 * None: errno is left as it was.
 * @par Differs from C
 * n counts 16-bit code units, as for memcpyU().
 */
QORUCUM_API void *memmoveU(void *dst, const void *src, size_t n);

/** @} */

/**
 * @defgroup qorucum_alloc Allocation
 * @brief The C runtime's allocators, counting in code units.
 *
 * The memory comes from the C runtime's heap: release it with free. A count
 * whose byte size does not fit in size_t is refused (null with ENOMEM)
 * instead of wrapping into a small block.
 * @{
 */

/**
 * @brief Allocates room for n code units (2 x n bytes).
 *
 * @param n      Code units.
 * @return The block, or null when it cannot be allocated. A count of 0 gives
 *         the C runtime's answer to malloc(0).
 * @par Errors
 * ENOMEM when the allocation fails or 2 x n overflows.
 * @par Differs from C
 * n counts code units.
 */
QORUCUM_API void *mallocU(size_t n);

/**
 * @brief Resizes a block to n code units (2 x n bytes).
 *
 * @param p      A block from mallocU(), callocU(), reallocU(), strdupU16() or
 *               the C runtime's allocators; null allocates a new block.
 * @param n      Code units.
 * @return The resized block (perhaps moved), or null when it cannot be
 *         resized: then p is left as it was.
 * @par Errors
 * ENOMEM when the allocation fails or 2 x n overflows.
 * @par Differs from C
 * n counts code units.
 */
QORUCUM_API void *reallocU(void *p, size_t n);

/**
 * @brief Allocates count elements of n code units each, zeroed.
 *
 * @param count  Elements.
 * @param n      Code units per element (each element is 2 x n bytes).
 * @return The zeroed block, or null when it cannot be allocated.
 * @par Errors
 * ENOMEM when the allocation fails or the byte size overflows.
 * @par Differs from C
 * n counts code units per element, not bytes.
 */
QORUCUM_API void *callocU(size_t count, size_t n);

/** @} */

/**
 * @defgroup qorucum_bounded Bounds-checked copies
 * @brief Copies that never write past a destination of size units.
 *
 * size is the capacity of dst in code units, count a number of units. The
 * result is the error code itself: 0 on success, ERANGE when the text does
 * not fit, EINVAL for a size above RSIZE_MAX (SIZE_MAX / 2), which no array
 * has (nothing is written then). These functions never set errno, never test
 * their pointers for null and call no constraint handler. A copy that does
 * not fit leaves dst empty (dst[0] set to 0) unless a function says
 * otherwise.
 * @{
 */

/**
 * @brief Copies a string with its terminator into size units.
 *
 * @param dst    Destination array of size units; must not be null unless size is 0.
 * @param size   Capacity of dst, in code units; 0 writes nothing; at most
 *               RSIZE_MAX.
 * @param src    Null-terminated UTF-16 text; must not be null unless size is 0.
 * @return 0 when src and its terminator fit (also for a size of 0); ERANGE
 *         when they do not: then dst[0] is 0 (the units written before the
 *         overflow was found stay behind it); EINVAL for a size above
 *         RSIZE_MAX (nothing written).
 * @par Errors
 * None in errno: errno is left as it was.
 * @par Differs from C
 * Unlike strcpy_s of C11 Annex K, a size of 0 is no error, and no
 * constraint handler runs.
 */
QORUCUM_API int32_t strcpy_sU16(charU16 *dst, size_t size, const charU16 *src);

/**
 * @brief Appends a string after the text in an array of size units.
 *
 * @param dst    Null-terminated UTF-16 text in an array of size units.
 * @param size   Capacity of dst, in code units; at most RSIZE_MAX.
 * @param src    Null-terminated UTF-16 text; must not be null.
 * @return 0 when appended with its terminator; ERANGE when size is 0 or dst
 *         holds no terminator within size units (dst unchanged), or when the
 *         result would not fit (dst[0] set to 0); EINVAL for a size above
 *         RSIZE_MAX (nothing written).
 * @par Errors
 * None in errno: errno is left as it was.
 * @par Differs from C
 * No constraint handler runs, and dst is left as it was when it holds no
 * terminator.
 */
QORUCUM_API int32_t strcat_sU16(charU16 *dst, size_t size, const charU16 *src);

/**
 * @brief Copies at most count units of a string, cutting silently to fit.
 *
 * Stores the first min(count, size - 1, length of src) units and a
 * terminator. The all-ones count copies as much as fits.
 *
 * @param dst    Destination array of size units.
 * @param size   Capacity of dst, in code units; 0 writes nothing; at most
 *               RSIZE_MAX.
 * @param src    UTF-16 text, read up to its terminator or count units.
 * @param count  The most units to copy.
 * @return 0: a text that does not fit is cut, never refused; EINVAL only for
 *         a size above RSIZE_MAX (nothing written).
 * @par Errors
 * None in errno: errno is left as it was.
 * @par Differs from C
 * A source longer than the room is cut without an error (C11 Annex K's
 * strncpy_s fails then, unless count is the truncation request).
 */
QORUCUM_API int32_t strncpy_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count);

/**
 * @brief Appends at most count units of a string, then a terminator.
 *
 * @param dst    Null-terminated UTF-16 text in an array of size units.
 * @param size   Capacity of dst, in code units; at most RSIZE_MAX.
 * @param src    UTF-16 text, read up to its terminator or count units.
 * @param count  The most units to append.
 * @return 0 when appended; ERANGE when size is 0 or dst holds no terminator
 *         within size units (dst unchanged), or when the units to append and
 *         the terminator do not fit (dst[0] set to 0, nothing appended);
 *         EINVAL for a size above RSIZE_MAX (nothing written).
 * @par Errors
 * None in errno: errno is left as it was.
 * @par Differs from C
 * No constraint handler runs, and dst is left as it was when it holds no
 * terminator.
 */
QORUCUM_API int32_t strncat_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count);

/**
 * @brief Copies count units into an array of size units.
 *
 * @param dst    Destination array of size units.
 * @param size   Capacity of dst, in code units; at most RSIZE_MAX.
 * @param src    Source of count units; must not overlap dst.
 * @param count  Code units to copy.
 * @return 0 when count <= size (the units copied); ERANGE otherwise: all size
 *         units of dst are set to 0 (nothing is written when size is 0);
 *         EINVAL for a size above RSIZE_MAX (nothing written).
 * @par Errors
 * None in errno: errno is left as it was.
 * @par Differs from C
 * size and count are in code units, not bytes.
 */
QORUCUM_API int32_t memcpy_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count);

/**
 * @brief Moves count units into an array of size units; they may overlap.
 *
 * @param dst    Destination array of size units.
 * @param size   Capacity of dst, in code units; at most RSIZE_MAX.
 * @param src    Source of count units.
 * @param count  Code units to move.
 * @return 0 when count <= size; ERANGE otherwise: all size units of dst are set
 *         to 0 (nothing is written when size is 0); EINVAL for a size above
 *         RSIZE_MAX (nothing written).
 * @par Errors
 * None in errno: errno is left as it was.
 * @par Differs from C
 * size and count are in code units, not bytes.
 */
QORUCUM_API int32_t memmove_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count);

/** @} */

QORUCUM_EXTERN_C_END

#endif
