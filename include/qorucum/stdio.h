/* UTF-16 text on UTF-8 streams and files: opening by UTF-16 names, error
 * texts, stream output and the printf family. */
#ifndef QORUCUM_STDIO_H
#define QORUCUM_STDIO_H

#include <stdarg.h>
#include <stdio.h>

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/* ---- Files and error texts ---- */

/* ---- Stream output ---- */

/* ---- The printf family ---- */

QORUCUM_EXTERN_C_END

#endif
