// Whole-string conversion between UTF-8 and UTF-16 into fixed arrays, and the
// report that explains a failed conversion.
#ifndef QORU_NLSUI1_UTF8_H
#define QORU_NLSUI1_UTF8_H

#include "qorucum/convert.h"

namespace qoru {

// Result of Utf8sToU2s for invalid input.
inline constexpr size_t utf8Invalid = static_cast<size_t>(-1);

// The exported converter (qorucum/convert.h), under the name the library's
// own callers use.
using ::Utf8sToU2s;

// Describes on the trace channel where src failed to convert, given the same
// arguments the failed Utf8sToU2s call had.
void traceInvalidUtf8U16(charU16 *dst, const char *src, size_t limit, const char *sourceName,
                         int32_t line, const char *funcName);

}  // namespace qoru

#endif
