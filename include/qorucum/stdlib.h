/* Numbers from UTF-16 text, and the digits of a double. */
#ifndef QORUCUM_STDLIB_H
#define QORUCUM_STDLIB_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/* The strtol family with the widths of 64-bit Windows on every platform:
 * strtolU16 and strtoulU16 are 32 bits, the ll forms 64. White space before
 * the number is the library's fixed set (U+0009-U+000D, U+001C-U+0020,
 * U+0085, U+00A0, U+1680, U+2000-U+200B, U+2028, U+2029, U+202F, U+3000);
 * only ASCII digits and letters are digits. base is 0 or 2 to 36 (otherwise
 * 0 with EINVAL); out of range clamps with ERANGE. end, when not null,
 * receives the position after the number, or text when there is none. */
QORUCUM_API int32_t strtolU16(const charU16 *text, charU16 **end, int32_t base);
QORUCUM_API uint32_t strtoulU16(const charU16 *text, charU16 **end, int32_t base);
QORUCUM_API int64_t strtollU16(const charU16 *text, charU16 **end, int32_t base);
QORUCUM_API uint64_t strtoullU16(const charU16 *text, charU16 **end, int32_t base);

/* A decimal number, an infinity ("i" or "I" followed by "nf", "NF",
 * "nfinity" or "NFINITY") or a NaN ("n" or "N" followed by "an", "aN" or
 * "AN") after white space. At most 24 significant digits are used; the rest are
 * dropped, not rounded. Correctly rounded on every platform. Exponents far
 * out of range give a signed zero or infinity with ERANGE. */
QORUCUM_API double strtodU16(const charU16 *text, charU16 **end);

/* The digits of value as the C runtime's _ecvt gives them, in a static
 * array of 128 units that the next call overwrites (at most 127 digits; not
 * thread-safe: the array is process-wide and kept without a lock);
 * *decimalPosition receives the decimal point's position, *negative nonzero
 * for a negative value. */
QORUCUM_API charU16 *ecvtU16(double value, int32_t count, int32_t *decimalPosition, int32_t *negative);

QORUCUM_EXTERN_C_END

#endif
