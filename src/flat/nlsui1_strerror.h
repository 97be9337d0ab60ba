// Error texts in UTF-16: the conversion behind strerrorU16 and perrorU16, and
// where their narrow texts come from.
#ifndef QORU_NLSUI1_STRERROR_H
#define QORU_NLSUI1_STRERROR_H

#include <cstddef>
#include <cstdint>

#include "qorucum/base.h"

namespace qoru {

// Units of the error-text buffer, the terminator included.
inline constexpr size_t errorTextCapacity = 512;

// The narrow error text of an errno value: the C runtime's by default; tests
// replace it to feed texts the runtime never gives (invalid UTF-8, too long).
using ErrorTextSource = const char *(*)(int32_t errnum);
extern ErrorTextSource gErrorTextSource;

// The text of errnum converted into dst: dst, or null when the runtime has no
// text. Invalid UTF-8 gives a replacement text (errno EILSEQ), a text too
// long its first 511 units (errno ENAMETOOLONG); both are traced.
charU16 *errorTextU16(int32_t errnum, charU16 (&dst)[errorTextCapacity]);

}  // namespace qoru

#endif
