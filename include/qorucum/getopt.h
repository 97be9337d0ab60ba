/**
 * @file qorucum/getopt.h
 * @brief Single-character options over a UTF-16 argument vector.
 */
#ifndef QORUCUM_GETOPT_H
#define QORUCUM_GETOPT_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/**
 * @defgroup qorucum_getopt Options
 * @brief POSIX-style getopt over UTF-16 arguments, with its four variables.
 *
 * Not thread-safe: optargU, optindU, opterrU, optoptU and the position inside
 * an option group are process-wide and kept without a lock; parse from one
 * thread at a time. getoptU() sets no errno.
 * @{
 */

/** @brief The argument of the option just returned, or null. */
QORUCUM_API extern charU16 *optargU;

/**
 * @brief The index of the next argument to examine; after -1, the first
 *        operand.
 *
 * Starts at 1. Setting it (to 1, say) starts afresh at that index, so another
 * vector can be parsed; only when it points at the very argument whose group
 * (such as "-abc") the last call stopped inside does that group go on. An
 * index below 1 counts as 1.
 */
QORUCUM_API extern int32_t optindU;

/**
 * @brief Nonzero to report unknown options and missing arguments on
 *        standard error.
 *
 * Starts at 0, unlike C's opterr (1): the library prints nothing unless the
 * caller asks. A leading ':' in the option string silences the reports too.
 */
QORUCUM_API extern int32_t opterrU;

/** @brief The option character behind the last '?' or ':' result. */
QORUCUM_API extern int32_t optoptU;

/**
 * @brief The next option character of an argument vector.
 *
 * Options are single characters after '-', and may be grouped ("-ab"). A
 * character followed by ':' in optstring takes an argument: the rest of its
 * group, or else the next argument, in optargU. Parsing stops at the first
 * operand: there is no permutation, and there are no long options. When
 * opterrU is set, the reports are "ARGV0: illegal option -- C" and "ARGV0:
 * option requires an argument -- C".
 *
 * @param argc      The number of arguments in argv.
 * @param argv      The argument vector (argv[0] is the program's name); null
 *                  gives -1.
 * @param optstring Null-terminated option characters, each followed by ':'
 *                  when it takes an argument; a leading ':' makes a missing
 *                  argument return ':' and silences the reports. Null gives
 *                  -1.
 * @return The option character; '?' for an unknown option or a missing
 *         argument (optoptU holds the option), or ':' for the latter when
 *         optstring begins with ':'; -1 at the first argument that is not an
 *         option (a lone "-" included), after "--" (which is skipped), at the
 *         end of the vector, or for a null argv or optstring.
 * @par Errors
 * None: errno is left as it was.
 * @par Differs from C
 * opterrU starts at 0, so nothing is printed unless the caller sets it.
 */
QORUCUM_API int32_t getoptU(int32_t argc, charU16 *const argv[], const charU16 *optstring);

/** @} */

QORUCUM_EXTERN_C_END

#endif
