/* Whole-string conversion from UTF-16 to UTF-8. */
#ifndef QORUCUM_CONVERT_H
#define QORUCUM_CONVERT_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/* Encodes every code unit by itself (surrogates too) in one to three bytes.
 * dst null: counts the bytes needed. Returns the bytes stored without the
 * terminator; a result equal to limit means no terminator was stored. */
QORUCUM_API size_t U2sToUtf8s(char *dst, const charU16 *src, size_t limit);

QORUCUM_EXTERN_C_END

#endif
