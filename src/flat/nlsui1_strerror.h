// Error texts in UTF-16: the static buffer of strerrorU16 and where its narrow
// texts come from.
#ifndef QORU_NLSUI1_STRERROR_H
#define QORU_NLSUI1_STRERROR_H

#include <cstddef>
#include <cstdint>

namespace qoru {

// Units of the error-text buffer, the terminator included.
inline constexpr size_t errorTextCapacity = 512;

// The narrow error text of an errno value: the C runtime's by default; tests
// replace it to feed texts the runtime never gives (invalid UTF-8, too long).
using ErrorTextSource = const char *(*)(int32_t errnum);
extern ErrorTextSource gErrorTextSource;

}  // namespace qoru

#endif
