/* Single-character options over a UTF-16 argument vector.
 *
 * Not thread-safe: optargU, optindU, opterrU, optoptU and the position
 * inside an option group are process-wide and kept without a lock; parse
 * from one thread at a time. */
#ifndef QORUCUM_GETOPT_H
#define QORUCUM_GETOPT_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/* The argument of the option just returned, or null. */
QORUCUM_API extern charU16 *optargU;
/* The index of the next argument to examine; after -1 the first operand.
 * Setting it (to 1, say) starts afresh at that index, so another vector can
 * be parsed; only when it points at the very argument whose group such as
 * "-abc" the last call stopped inside does that group go on. An index below
 * 1 counts as 1. */
QORUCUM_API extern int32_t optindU;
/* When nonzero (it starts at 0) and optstring does not begin with ':',
 * unknown options and missing arguments are reported on standard error. */
QORUCUM_API extern int32_t opterrU;
/* The option character behind the last '?' or ':'. */
QORUCUM_API extern int32_t optoptU;

/* The next option character; '?' for an unknown option or a missing
 * argument (':' for the latter when optstring begins with ':'); -1 at the
 * first argument that is not an option, after "--", or at the end. There is
 * no permutation and there are no long options. */
QORUCUM_API int32_t getoptU(int32_t argc, charU16 *const argv[], const charU16 *optstring);

QORUCUM_EXTERN_C_END

#endif
