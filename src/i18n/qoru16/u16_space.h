// The library's one white-space test on a code unit, used by the field
// readers, the scan engine and the number parsers. It is fixed: it consults
// neither ICU nor the exported isspaceU, so parsing does not depend on
// initialization.
#ifndef QORU_U16_SPACE_H
#define QORU_U16_SPACE_H

#include <cstdint>

namespace qoru {

inline bool isWhiteSpaceU16(uint32_t u) {
    if (u <= 0x20) return (u >= 0x09 && u <= 0x0D) || u >= 0x1C;
    if (u < 0x85) return false;
    return u == 0x85 || u == 0xA0 || u == 0x1680 || (u >= 0x2000 && u <= 0x200B) || u == 0x2028 ||
           u == 0x2029 || u == 0x202F || u == 0x3000;
}

// The narrow converters' set: the same bytes below 0x100 (0x85 and 0xA0
// taken as unsigned byte values).
inline bool isWhiteSpaceByte(uint8_t b) { return isWhiteSpaceU16(b); }

}  // namespace qoru

#endif
