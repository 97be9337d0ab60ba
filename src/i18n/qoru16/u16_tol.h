// The narrow integer converters that the scan engine and the field readers
// hand their collected digits to: the same algorithm as the exported strtol
// family, with the widths of 64-bit Windows (strtolNarrow is 32 bits).
#ifndef QORU_U16_TOL_H
#define QORU_U16_TOL_H

#include <cstdint>

namespace qoru {

int32_t strtolNarrow(const char *text, char **end, int32_t base);
uint32_t strtoulNarrow(const char *text, char **end, int32_t base);
int64_t strtollNarrow(const char *text, char **end, int32_t base);
uint64_t strtoullNarrow(const char *text, char **end, int32_t base);

}  // namespace qoru

#endif
