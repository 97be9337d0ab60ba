// Narrow bounded path operations for building library paths: the byte
// counterparts of strnlenU16, strcpy_sU16 and strcat_sU16 with a fixed
// capacity of 260 bytes.
#ifndef QORU_U16_PATH_H
#define QORU_U16_PATH_H

#include <cstddef>
#include <cstdint>

namespace qoru {

inline constexpr size_t pathCapacity = 260;

// Bytes before the terminator, at most pathCapacity.
size_t pathLength(const char *s);
// Copies src and its terminator within size bytes: 0, or ERANGE with dst[0]
// set to 0; a size of 0 gives ERANGE and writes nothing.
int32_t pathCopy(char *dst, const char *src, size_t size);
// Appends src within pathCapacity bytes: 0, or ERANGE (dst unchanged when it
// has no terminator, dst[0] set to 0 when the result would not fit).
int32_t pathAppend(char *dst, const char *src);

}  // namespace qoru

#endif
