// Narrow formatting into a fixed buffer for the library's own texts.
#ifndef QORU_NLSUI1_NARROW_H
#define QORU_NLSUI1_NARROW_H

#include <cstddef>
#include <cstdint>

namespace qoru {

// Formats into buf (size in bytes). Returns the length of the text when it
// fits with its terminator; otherwise stores a terminator in the last byte and
// returns -1. A size of 0 writes nothing and returns -1.
int32_t narrowSnprintf(char *buf, size_t size, const char *format, ...) __attribute__((format(printf, 3, 4)));

}  // namespace qoru

#endif
