/* UTF-16 string operations. Lengths and positions count code units. */
#ifndef QORUCUM_STRING_H
#define QORUCUM_STRING_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

QORUCUM_API size_t strlenU16(const charU16 *s);
QORUCUM_API size_t strnlenU16(const charU16 *s, size_t maxlen);
QORUCUM_API charU16 *strcpyU16(charU16 *dst, const charU16 *src);
QORUCUM_API charU16 *strcatU16(charU16 *dst, const charU16 *src);
QORUCUM_API charU16 *strncpyU16(charU16 *dst, const charU16 *src, size_t n);
QORUCUM_API charU16 *strncatU16(charU16 *dst, const charU16 *src, size_t n);
QORUCUM_API int32_t strcmpU16(const charU16 *a, const charU16 *b);
QORUCUM_API int32_t strncmpU16(const charU16 *a, const charU16 *b, size_t n);
QORUCUM_API charU16 *strchrU16(const charU16 *s, charU16 c);
QORUCUM_API charU16 *strrchrU16(const charU16 *s, charU16 c);
QORUCUM_API charU16 *strstrU16(const charU16 *s, const charU16 *sub);
QORUCUM_API charU16 *strpbrkU16(const charU16 *s, const charU16 *set);
QORUCUM_API size_t strspnU16(const charU16 *s, const charU16 *set);
QORUCUM_API size_t strcspnU16(const charU16 *s, const charU16 *set);
QORUCUM_API charU16 *strdupU16(const charU16 *s);
/* Not thread-safe: the position between calls is one process-wide variable.
 * strtok_rU16 keeps it in the caller's *savePtr instead. */
QORUCUM_API charU16 *strtokU16(charU16 *s, const charU16 *delims);
QORUCUM_API charU16 *strtok_rU16(charU16 *s, const charU16 *delims, charU16 **savePtr);
/* Case-insensitive comparison, folding each code unit through tolowerU
 * (which may run the ICU initialization at its first call). */
QORUCUM_API int32_t strcasecmpU16(const charU16 *a, const charU16 *b);
QORUCUM_API int32_t strncasecmpU16(const charU16 *a, const charU16 *b, size_t n);

QORUCUM_EXTERN_C_END

#endif
