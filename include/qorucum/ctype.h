/**
 * @file qorucum/ctype.h
 * @brief Unicode character classification and case mapping, from ICU loaded
 *        at run time.
 */
#ifndef QORUCUM_CTYPE_H
#define QORUCUM_CTYPE_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/**
 * @defgroup qorucum_ctype Character functions
 * @brief Classification and case mapping of one code point.
 *
 * The nine operations isalnumU, isalphaU, iscntrlU, islowerU, isprintU,
 * isspaceU, isupperU, tolowerU and toupperU are exported as writable function
 * pointers, called as functions (isalphaU(c)). They start on stubs: the first
 * call through any of them, or nlsui_initialize(), loads ICU once and
 * re-points all nine at ICU's functions. When ICU cannot be used the process
 * ends with exit status -1 after its reports, unless the environment variable
 * NLSUI_7BIT_FALLBACK is set: then the pointers go to 7-bit emergency
 * functions that answer U+0000 to U+007F correctly and report every other
 * character as unsupported (on the initialization trace) before answering it
 * with the C runtime's wide classification.
 *
 * Arguments are code points as 32-bit values; ICU answers false for a value
 * below 0 or above U+10FFFF and maps it to itself. A classification returns a
 * one-byte truth value: nonzero means true; test the low 8 bits.
 *
 * Threads: the first use may come from several threads at once: one loads
 * ICU, the others wait for it. A caller reading a pointer meanwhile gets the
 * stub or the new function, and both answer alike. errno is left as it was.
 *
 * @par Differs from C
 * The argument is a code point of all Unicode, not an unsigned char or EOF,
 * and the answer follows Unicode's properties (ICU's u_isalpha and kin), not
 * the C locale. A caller must not assign the pointers.
 * @{
 */

/**
 * @brief A classification: one code point in, a one-byte truth value out.
 *
 * The type of the seven exported classification pointers; call as a function
 * with a code point (nonzero result: true; test the low 8 bits).
 */
typedef int8_t (*nlsui_class_func)(int32_t c);

/**
 * @brief A case mapping: one code point in, the mapped code point out.
 *
 * The type of tolowerU and toupperU; a code point without a simple mapping
 * comes back unchanged.
 */
typedef int32_t (*nlsui_case_func)(int32_t c);

/** @brief Letter or digit (Unicode alphanumeric: ICU's u_isalnum). */
QORUCUM_API extern nlsui_class_func isalnumU;
/** @brief Letter (ICU's u_isalpha). */
QORUCUM_API extern nlsui_class_func isalphaU;
/** @brief Control character (ICU's u_iscntrl). */
QORUCUM_API extern nlsui_class_func iscntrlU;
/** @brief Lower-case letter (ICU's u_islower). */
QORUCUM_API extern nlsui_class_func islowerU;
/** @brief Printable character, blanks included (ICU's u_isprint). */
QORUCUM_API extern nlsui_class_func isprintU;
/**
 * @brief White space by Unicode's properties (ICU's u_isspace).
 *
 * The number readers and the scan family use the library's own fixed set
 * instead (see strtolU16()).
 */
QORUCUM_API extern nlsui_class_func isspaceU;
/** @brief Upper-case letter (ICU's u_isupper). */
QORUCUM_API extern nlsui_class_func isupperU;
/** @brief The simple lower-case mapping of a code point (ICU's u_tolower). */
QORUCUM_API extern nlsui_case_func tolowerU;
/** @brief The simple upper-case mapping of a code point (ICU's u_toupper). */
QORUCUM_API extern nlsui_case_func toupperU;

/**
 * @brief Loads ICU once and binds the character functions to it.
 *
 * Reads NLSUI_INIT_TRACE_LEVEL and NLSUI_TRACE_LEVEL, finds and loads the
 * ICU libraries (by the loader's own search, then in the build's fixed ICU
 * folder unless NO_QOR_ICU_PATH is set), binds their entry points and checks
 * ICU's data. Reports go to the initialization trace (standard error, or a
 * file nlsui_init_trc_file_<pid>.trc without a console). Calling it is
 * optional: the first use of a character function does the same.
 *
 * @return 0 when the ICU common library and all its entry-point groups are
 *         bound (a missing i18n library does not change it); 1 otherwise,
 *         when the process runs on in 7-bit mode.
 *         Every later call returns the outcome of the first. It does not
 *         return when ICU is unusable and NLSUI_7BIT_FALLBACK is not set: the
 *         process ends with exit status -1.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API int32_t nlsui_initialize(void);

/**
 * @brief Printable and not a blank: isprintU true and c not U+0020.
 *
 * May run the ICU initialization at its first call, through isprintU.
 *
 * @param c      A code point.
 * @return 1 or 0.
 * @par Errors
 * None: errno is left as it was.
 * @par Differs from C
 * Only U+0020 counts as the blank: other printable spaces (U+00A0, U+3000)
 * answer true when ICU calls them printable.
 */
QORUCUM_API int8_t isgraphU(int32_t c);

/**
 * @brief Printable, not alphanumeric and not U+0020.
 *
 * isalnumU is asked only after a true isprintU. May run the ICU
 * initialization at its first call.
 *
 * @param c      A code point.
 * @return 1 or 0.
 * @par Errors
 * None: errno is left as it was.
 * @par Differs from C
 * Every printable character that is neither alphanumeric nor U+0020 counts:
 * symbols and other spaces too, not only punctuation.
 */
QORUCUM_API int8_t ispunctU(int32_t c);

/**
 * @brief Hexadecimal digit: '0'-'9', 'A'-'F', 'a'-'f' only.
 *
 * Compares whole 32-bit values and calls no pointer: it never loads ICU and
 * answers alike before initialization, with ICU and in 7-bit mode.
 *
 * @param c      A code point.
 * @return 1 or 0 (0 for fullwidth digits too).
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API int8_t isxdigitU(int32_t c);

/** @} */

QORUCUM_EXTERN_C_END

#endif
