/**
 * @file qorucum/convert.h
 * @brief Whole-string conversion between UTF-16 and UTF-8.
 */
#ifndef QORUCUM_CONVERT_H
#define QORUCUM_CONVERT_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/**
 * @defgroup qorucum_convert Conversion
 * @brief Zero-terminated strings converted into a caller's fixed array.
 *
 * Each converter has a counting mode: with a null destination it stores
 * nothing, ignores the limit and returns the size a complete conversion
 * needs, without the terminator. Otherwise limit is the capacity of the
 * destination (in bytes for UTF-8, in code units for UTF-16) and a limit of 0
 * returns 0 with nothing stored. A result equal to limit means the array was
 * filled and holds no terminator: a text of k units or bytes needs an array of
 * k + 1. The converters use only their arguments and are safe in several
 * threads on arrays of their own.
 * @{
 */

/**
 * @brief Converts UTF-16 to UTF-8 one code unit at a time, surrogates included.
 *
 * Each unit becomes one to three bytes by itself: a surrogate pair becomes
 * two three-byte forms (U+1F600 gives ED A0 BD ED B8 80), which is what names
 * handed to the system take and what the library's UTF-8 reader reads back
 * unchanged, but not UTF-8 that other programs accept. A two- or three-byte
 * sequence that does not fit in the room left is not written: the output is
 * cut before it and terminated.
 *
 * @param dst    Destination array of limit bytes; may be null (counting mode).
 * @param src    Null-terminated UTF-16 text; must not be null.
 * @param limit  Capacity of dst, in bytes; ignored in counting mode.
 * @return The bytes stored, not counting the terminator; limit when the bytes
 *         filled the array (no terminator stored); 0 for a limit of 0. In
 *         counting mode the bytes needed: 1, 2 or 3 per unit (6 for a pair).
 * @par Errors
 * None: it never fails, and errno is left as it was.
 * @par Differs from C
 * No C function stands for it (wcstombs comes closest). For UTF-8 that other
 * programs read, with a pair as one four-byte sequence, use U16sToUtf8s().
 */
QORUCUM_API size_t U2sToUtf8s(char *dst, const charU16 *src, size_t limit);

/**
 * @brief Converts a UTF-8 string into UTF-16, a four-byte sequence into a surrogate pair.
 *
 * Only the shortest form of each value up to U+10FFFF is valid; encoded surrogates (ED A0 80 and the like,
 * as U2sToUtf8s writes them) are accepted as the unit they encode. When a pair's low surrogate does not fit
 * before the limit, the high surrogate alone ends the output.
 *
 * @param dst    Destination array, in code units; may be null (counting mode: limit is ignored).
 * @param src    Null-terminated UTF-8 text; must not be null.
 * @param limit  Size of dst in code units, terminator included.
 * @return The units stored without the terminator (in counting mode, the units a whole conversion needs);
 *         limit when the units filled dst and no terminator was stored; 0 for a limit of 0;
 *         (size_t)-1 for invalid input, with the units before it left in dst unterminated.
 * @par Errors
 * EILSEQ when src holds an invalid or overlong sequence or a value above U+10FFFF.
 */
QORUCUM_API size_t Utf8sToU2s(charU16 *dst, const char *src, size_t limit);

/**
 * @brief Converts a UTF-16 string into UTF-8 that other programs read: a surrogate pair becomes one
 *        four-byte sequence.
 *
 * Use it for text that leaves the program as UTF-8 (files, pipes, other libraries); U2sToUtf8s keeps the
 * per-unit form, which only this library's readers take back. For valid text the bytes are those the
 * stream output functions write. A sequence that does not fit before the limit is cut before and the output
 * terminated.
 *
 * @param dst    Destination array, in bytes; may be null (counting mode: limit is ignored).
 * @param src    Null-terminated UTF-16 text; must not be null.
 * @param limit  Size of dst in bytes, terminator included.
 * @return The bytes stored without the terminator (in counting mode, the bytes a whole conversion needs);
 *         limit when the bytes filled dst and no terminator was stored; 0 for a limit of 0;
 *         (size_t)-1 for an unpaired surrogate met before dst filled, with the bytes before it left in dst
 *         unterminated. Nothing after the bytes stored (and the terminator) is written.
 * @par Errors
 * EILSEQ when src holds an unpaired surrogate (in counting mode: anywhere in src).
 */
QORUCUM_API size_t U16sToUtf8s(char *dst, const charU16 *src, size_t limit);

/** @} */

QORUCUM_EXTERN_C_END

#endif
