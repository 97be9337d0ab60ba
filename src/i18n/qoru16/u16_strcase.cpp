// Case-insensitive comparison: each unit of both strings is folded by
// itself through the exported tolowerU pointer (ICU or the 7-bit fallback).
#include "i18n/qoru16/u16_cty.h"
#include "qorucum/string.h"

namespace {

inline uint16_t lowered(charU16 unit) { return static_cast<uint16_t>(tolowerU(unit)); }

}  // namespace

extern "C" QORUCUM_API int32_t strcasecmpU16(const charU16 *a, const charU16 *b) {
    if (a == b) return 0;
    for (;; ++a, ++b) {
        const uint16_t la = lowered(*a);
        const uint16_t lb = lowered(*b);
        if (la == 0 || la != lb) return static_cast<int32_t>(la) - static_cast<int32_t>(lb);
    }
}

extern "C" QORUCUM_API int32_t strncasecmpU16(const charU16 *a, const charU16 *b, size_t n) {
    if (a == b || n == 0) return 0;
    for (;; ++a, ++b) {
        const uint16_t la = lowered(*a);
        const uint16_t lb = lowered(*b);
        if (la == 0 || la != lb || --n == 0) return static_cast<int32_t>(la) - static_cast<int32_t>(lb);
    }
}
