/**
 * @file qorucum/stdlib.h
 * @brief Numbers from UTF-16 text, and the digits of a double.
 */
#ifndef QORUCUM_STDLIB_H
#define QORUCUM_STDLIB_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/**
 * @defgroup qorucum_strtol Integers from text
 * @brief The strtol family, with the widths of 64-bit Windows on every
 *        platform.
 *
 * strtolU16() and strtoulU16() are 32 bits (long is 32 bits on Windows), the
 * ll forms 64. White space before the number is the library's fixed set:
 * U+0009-U+000D, U+001C-U+0020, U+0085, U+00A0, U+1680, U+2000-U+200B, U+2028,
 * U+2029, U+202F and U+3000 (not U+205F, U+180E or U+FEFF). Then one optional
 * sign; with base 0 or 16 an "0x" or "0X" prefix; with base 0 a leading "0"
 * means octal. Only the ASCII digits and letters are digits (full-width digits
 * end the number). Digits after an overflow are still consumed.
 *
 * end, when not null, always receives a position: after the last digit; at
 * the "x" when an "0x" prefix has no digit after it (the "0" is the number
 * read); otherwise, when no digit was found, text itself.
 *
 * errno: ERANGE on overflow; EINVAL for a base other than 0 or 2 to 36 (the
 * result 0, end at text); a successful conversion or text without a number
 * leaves errno as it was. The functions use only their arguments.
 * @{
 */

/**
 * @brief Reads a signed 32-bit integer.
 *
 * @param text   Null-terminated UTF-16 text; must not be null.
 * @param end    Receives the position after the number (see the family); may
 *               be null.
 * @param base   0 (prefix decides: 16, 8 or 10) or 2 to 36.
 * @return The value; 2147483647 or -2147483648 on overflow; 0 when no number
 *         was found or the base is illegal.
 * @par Errors
 * ERANGE on overflow; EINVAL for an illegal base (traced at level 16).
 * @par Differs from C
 * 32 bits on every platform (C's long is 64 bits on Linux); white space is
 * the library's fixed set, not the locale's.
 */
QORUCUM_API int32_t strtolU16(const charU16 *text, charU16 **end, int32_t base);

/**
 * @brief Reads an unsigned 32-bit integer.
 *
 * A leading "-" negates the value modulo 2^32 ("-1" gives 4294967295).
 *
 * @param text   Null-terminated UTF-16 text; must not be null.
 * @param end    Receives the position after the number; may be null.
 * @param base   0 or 2 to 36.
 * @return The value; 4294967295 on overflow (also for a negative text); 0
 *         when no number was found or the base is illegal.
 * @par Errors
 * ERANGE on overflow; EINVAL for an illegal base.
 * @par Differs from C
 * 32 bits on every platform, as unsigned long on Windows.
 */
QORUCUM_API uint32_t strtoulU16(const charU16 *text, charU16 **end, int32_t base);

/**
 * @brief Reads a signed 64-bit integer.
 *
 * @param text   Null-terminated UTF-16 text; must not be null.
 * @param end    Receives the position after the number; may be null.
 * @param base   0 or 2 to 36.
 * @return The value; INT64_MAX or INT64_MIN on overflow; 0 when no number
 *         was found or the base is illegal.
 * @par Errors
 * ERANGE on overflow; EINVAL for an illegal base.
 */
QORUCUM_API int64_t strtollU16(const charU16 *text, charU16 **end, int32_t base);

/**
 * @brief Reads an unsigned 64-bit integer.
 *
 * A leading "-" negates the value modulo 2^64.
 *
 * @param text   Null-terminated UTF-16 text; must not be null.
 * @param end    Receives the position after the number; may be null.
 * @param base   0 or 2 to 36.
 * @return The value; UINT64_MAX on overflow (also for a negative text); 0
 *         when no number was found or the base is illegal.
 * @par Errors
 * ERANGE on overflow; EINVAL for an illegal base.
 */
QORUCUM_API uint64_t strtoullU16(const charU16 *text, charU16 **end, int32_t base);

/** @} */

/**
 * @defgroup qorucum_strtod Floating point and digits
 * @brief A double from UTF-16 text, and the digits of a double.
 * @{
 */

/**
 * @brief Reads a decimal floating-point number, an infinity or a NaN.
 *
 * After the fixed white-space set of strtolU16() and one optional sign: ASCII
 * digits with an optional decimal point (the current locale's, from
 * localeconv: "." unless the program set another locale) and an optional
 * exponent ("e" or "E", a sign, digits; without a digit the "e" is not part
 * of the number); or an infinity, "i" or "I"
 * followed by exactly "nf", "NF", "nfinity" or "NFINITY"; or a NaN, "n" or "N"
 * followed by "an", "aN" or "AN". At most 24 significant digits are used: the
 * rest are dropped, not rounded. The result is then correctly rounded from
 * those digits, with the same bits on every platform.
 *
 * @param text   Null-terminated UTF-16 text; must not be null.
 * @param end    Receives the position after the number read, or text when
 *               there is none; may be null.
 * @return The value; a signed zero or infinity when out of range; 0.0 when
 *         no number was found.
 * @par Errors
 * ERANGE only when the result is a zero from nonzero digits or an infinity
 * from finite digits (also for an exponent far out of range). A subnormal
 * result sets no ERANGE. No number: errno is left as it was.
 * @par Differs from C
 * Correctly rounded from the first 24 significant digits, which C allows
 * beyond DECIMAL_DIG: a text of more digits can give the neighbouring double
 * of the exact value's (sscanfU16()'s \%lf converts every digit). No
 * hexadecimal form ("0x1p3" reads as 0), no "NAN(...)", and infinity only in
 * the spellings above (an "I" followed by "nF" is no number). glibc also sets
 * ERANGE for a subnormal result; C leaves that open.
 */
QORUCUM_API double strtodU16(const charU16 *text, charU16 **end);

/**
 * @brief The digits of a double, as the C runtime's _ecvt gives them.
 *
 * Not thread-safe: the digits are in one process-wide static array of 128
 * units, kept without a lock, that the next call overwrites.
 *
 * @param value           The number.
 * @param count           Digits wanted; 0 or below gives no digits.
 * @param decimalPosition Receives the decimal point's position relative to
 *                        the first digit; may be null.
 * @param negative        Receives nonzero for a negative value; may be null.
 * @return The static array with the null-terminated digits (at most 127: a
 *         longer string is cut and reported at trace level 1); null when the
 *         runtime gives none.
 * @par Errors
 * None: errno is left as it was.
 * @par Differs from C
 * _ecvt is a Windows function (no standard C one); on Linux the library
 * computes the same digits itself.
 */
QORUCUM_API charU16 *ecvtU16(double value, int32_t count, int32_t *decimalPosition, int32_t *negative);

/** @} */

QORUCUM_EXTERN_C_END

#endif
