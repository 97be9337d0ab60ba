// The narrow 64-bit integer converters the scan engine hands its collected
// digits to; the same algorithm as the exported strtol family.
#ifndef QORU_U16_TOL_H
#define QORU_U16_TOL_H

#include <cstdint>

namespace qoru {

int64_t strtollNarrow(const char *text, char **end, int32_t base);
uint64_t strtoullNarrow(const char *text, char **end, int32_t base);

}  // namespace qoru

#endif
