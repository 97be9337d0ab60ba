/**
 * @file qorucum/string.h
 * @brief UTF-16 string operations: lengths, copies, comparisons, searches, tokens.
 */
#ifndef QORUCUM_STRING_H
#define QORUCUM_STRING_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/**
 * @defgroup qorucum_string Strings
 * @brief The C runtime's string operations on zero-terminated UTF-16 strings.
 *
 * Every length, count and position is in code units (a supplementary
 * character is two units, a surrogate pair), never in bytes or characters.
 * The operations know no characters: they compare and search units by value,
 * and comparisons order by code-unit value (a surrogate sorts below U+E000 to
 * U+FFFF). A comparison result is the difference of the first two units that
 * differ, each taken as an unsigned 16-bit value, or 0.
 *
 * As in C, pointers are not checked: a null string is the caller's fault.
 * Except where a function says otherwise, errno is left as it was, and the
 * functions use only their arguments, so they are safe in several threads on
 * strings of their own.
 * @{
 */

/**
 * @brief The length of a string in code units.
 *
 * @param s      Null-terminated UTF-16 text; must not be null.
 * @return The units before the terminator.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API size_t strlenU16(const charU16 *s);

/**
 * @brief The length of a string, examining at most maxlen units.
 *
 * @param s      UTF-16 text; must not be null unless maxlen is 0. It needs no
 *               terminator within maxlen units.
 * @param maxlen The most units to examine.
 * @return The smaller of the length and maxlen; 0 for a maxlen of 0, with
 *         nothing read.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API size_t strnlenU16(const charU16 *s, size_t maxlen);

/**
 * @brief Copies a string with its terminator.
 *
 * @param dst    Destination array, large enough for src and its terminator;
 *               must not be null or overlap src.
 * @param src    Null-terminated UTF-16 text; must not be null.
 * @return dst.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API charU16 *strcpyU16(charU16 *dst, const charU16 *src);

/**
 * @brief Appends a string, with its terminator, after the end of another.
 *
 * @param dst    Null-terminated UTF-16 text in an array with room for src;
 *               must not be null or overlap src.
 * @param src    Null-terminated UTF-16 text; must not be null.
 * @return dst.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API charU16 *strcatU16(charU16 *dst, const charU16 *src);

/**
 * @brief Copies at most n units of a string, filling the rest of the n units
 *        with zero units.
 *
 * When src has n units or more, no terminator is stored.
 *
 * @param dst    Destination array of at least n units; may be null only when
 *               n is 0.
 * @param src    Null-terminated UTF-16 text (read up to n units).
 * @param n      Units to write, in code units.
 * @return dst.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API charU16 *strncpyU16(charU16 *dst, const charU16 *src, size_t n);

/**
 * @brief Appends at most n units of a string, then a terminator.
 *
 * @param dst    Null-terminated UTF-16 text in an array with room for the
 *               appended units and a terminator; must not be null.
 * @param src    UTF-16 text, read up to its terminator or n units.
 * @param n      The most units to append; 0 leaves dst unchanged.
 * @return dst.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API charU16 *strncatU16(charU16 *dst, const charU16 *src, size_t n);

/**
 * @brief Compares two strings unit by unit.
 *
 * @param a      Null-terminated UTF-16 text; must not be null.
 * @param b      Null-terminated UTF-16 text; must not be null.
 * @return 0 when equal; otherwise the first differing unit of a minus that of
 *         b (negative when a sorts first), in code-unit order.
 * @par Errors
 * None: errno is left as it was.
 * @par Differs from C
 * The order is that of code units, not of code points: U+FFFD sorts after
 * any supplementary character.
 */
QORUCUM_API int32_t strcmpU16(const charU16 *a, const charU16 *b);

/**
 * @brief Compares at most n units of two strings.
 *
 * @param a      UTF-16 text; must not be null unless n is 0.
 * @param b      UTF-16 text; must not be null unless n is 0.
 * @param n      The most units to compare.
 * @return As strcmpU16() over at most n units; 0 for an n of 0.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API int32_t strncmpU16(const charU16 *a, const charU16 *b, size_t n);

/**
 * @brief Finds the first occurrence of a unit.
 *
 * @param s      Null-terminated UTF-16 text; must not be null.
 * @param c      The unit to find; 0 finds the terminator.
 * @return A pointer to the first unit equal to c, or null when there is none.
 * @par Errors
 * None: errno is left as it was.
 * @par Differs from C
 * c is one code unit: a supplementary character cannot be searched for
 * whole (use strstrU16() with its pair).
 */
QORUCUM_API charU16 *strchrU16(const charU16 *s, charU16 c);

/**
 * @brief Finds the last occurrence of a unit.
 *
 * @param s      Null-terminated UTF-16 text; must not be null.
 * @param c      The unit to find; 0 finds the terminator.
 * @return A pointer to the last unit equal to c, or null when there is none.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API charU16 *strrchrU16(const charU16 *s, charU16 c);

/**
 * @brief Finds the first occurrence of a substring.
 *
 * @param s      Null-terminated UTF-16 text to search; must not be null.
 * @param sub    Null-terminated UTF-16 text to find; must not be null.
 * @return A pointer to the first occurrence in s; s for an empty sub; null
 *         when there is none.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API charU16 *strstrU16(const charU16 *s, const charU16 *sub);

/**
 * @brief Finds the first unit of a string that is in a set.
 *
 * @param s      Null-terminated UTF-16 text; must not be null.
 * @param set    Null-terminated set of units; must not be null.
 * @return A pointer to the first unit of s found in set, or null (also for an
 *         empty s).
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API charU16 *strpbrkU16(const charU16 *s, const charU16 *set);

/**
 * @brief The length of the leading run of units that are in a set.
 *
 * @param s      Null-terminated UTF-16 text; must not be null.
 * @param set    Null-terminated set of units; must not be null.
 * @return The units at the start of s that all occur in set.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API size_t strspnU16(const charU16 *s, const charU16 *set);

/**
 * @brief The length of the leading run of units that are not in a set.
 *
 * @param s      Null-terminated UTF-16 text; must not be null.
 * @param set    Null-terminated set of units; must not be null.
 * @return The units at the start of s none of which occurs in set.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API size_t strcspnU16(const charU16 *s, const charU16 *set);

/**
 * @brief Copies a string into new heap memory.
 *
 * @param s      Null-terminated UTF-16 text; must not be null.
 * @return The copy, with its terminator, in memory from the C runtime's
 *         malloc (release it with free); null when the allocation fails.
 * @par Errors
 * ENOMEM when the allocation fails.
 */
QORUCUM_API charU16 *strdupU16(const charU16 *s);

/**
 * @brief Splits a string into tokens, keeping the position between calls in
 *        one process-wide variable.
 *
 * The first call passes the string, later calls null. Leading delimiters are
 * skipped; the delimiter that ends a token is overwritten with a terminator.
 *
 * Not thread-safe: the position is one process-wide variable kept without a
 * lock. strtok_rU16() keeps it in the caller's variable instead.
 *
 * @param s      Null-terminated UTF-16 text to split, which is modified; or
 *               null to go on from the saved position.
 * @param delims Null-terminated set of delimiter units; must not be null.
 * @return The next token, or null when no token is left (then every later
 *         call with a null s returns null too).
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API charU16 *strtokU16(charU16 *s, const charU16 *delims);

/**
 * @brief Splits a string into tokens, keeping the position in the caller's
 *        variable.
 *
 * @param s       Null-terminated UTF-16 text to split, which is modified; or
 *                null to go on from *savePtr.
 * @param delims  Null-terminated set of delimiter units; must not be null.
 * @param savePtr The caller's position; must not be null. Set to null after
 *                the last token.
 * @return The next token; null when no token is left, or on an error.
 * @par Errors
 * EINVAL when savePtr is null, or when s and *savePtr are both null (as after
 * the last token).
 * @par Differs from C
 * A further call after the last token fails with EINVAL instead of returning
 * null quietly.
 */
QORUCUM_API charU16 *strtok_rU16(charU16 *s, const charU16 *delims, charU16 **savePtr);

/**
 * @brief Compares two strings ignoring case, one code unit at a time.
 *
 * Each unit of a and b is passed by itself through tolowerU (ICU, or the
 * 7-bit fallback), and the low 16 bits of the results are compared. The
 * first call may load ICU (see nlsui_initialize()).
 *
 * @param a      Null-terminated UTF-16 text; must not be null.
 * @param b      Null-terminated UTF-16 text; must not be null.
 * @return 0 when equal (at once, without loading ICU, when a and b are the
 *         same pointer); otherwise the first differing lowered unit of a
 *         minus that of b.
 * @par Errors
 * None: errno is left as it was.
 * @par Differs from C
 * Case is folded one unit at a time by simple lower-casing: a supplementary
 * character compares by its surrogates, unchanged, and no folding changes a
 * string's length (German sharp s does not match "ss").
 */
QORUCUM_API int32_t strcasecmpU16(const charU16 *a, const charU16 *b);

/**
 * @brief Compares at most n units of two strings ignoring case.
 *
 * @param a      UTF-16 text; must not be null unless n is 0.
 * @param b      UTF-16 text; must not be null unless n is 0.
 * @param n      The most units to compare; 0 gives 0 without loading ICU.
 * @return As strcasecmpU16() over at most n units.
 * @par Errors
 * None: errno is left as it was.
 * @par Differs from C
 * Folds one unit at a time, as strcasecmpU16() does.
 */
QORUCUM_API int32_t strncasecmpU16(const charU16 *a, const charU16 *b, size_t n);

/** @} */

QORUCUM_EXTERN_C_END

#endif
