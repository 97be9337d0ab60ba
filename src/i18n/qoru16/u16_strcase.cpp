// Case-insensitive comparison: each unit of both strings is folded by
// itself through the exported tolowerU pointer (ICU or the 7-bit fallback).
#include <atomic>
#include <cstdint>

#include "flat/nlsui0.h"
#include "i18n/qoru16/u16_cty.h"
#include "qorucum/string.h"

namespace {

// The pointer as it stands for this comparison; a first use runs the
// initialization exactly as the lazy stub would.
nlsui_case_func currentTolower() {
    nlsui_case_func lower = std::atomic_ref<nlsui_case_func>(tolowerU).load(std::memory_order_acquire);
    if (lower == qoru::lazyCharacterFunctions.tolower) {
        qoru::loadIcuDo();
        lower = std::atomic_ref<nlsui_case_func>(tolowerU).load(std::memory_order_acquire);
    }
    return lower;
}

// True when the pointer is ICU's own u_tolower, which keeps no state and
// lowers the 7-bit range as ASCII does: equal units then need no call, and
// 7-bit units are lowered here. Any other target (the 7-bit fallback with its
// diagnostics, or a function the host installed) sees every unit.
bool isIcuTolower(nlsui_case_func lower) {
    return reinterpret_cast<void *>(lower) ==
           qoru::icuGroupSlots(qoru::IcuGroup::ctype)[qoru::icuTolower];
}

inline uint16_t lowered(nlsui_case_func lower, charU16 unit) {
    return static_cast<uint16_t>(lower(unit));
}

inline uint16_t loweredByIcu(nlsui_case_func lower, charU16 unit) {
    if (unit < 0x80) return unit >= u'A' && unit <= u'Z' ? unit + 0x20 : unit;
    return static_cast<uint16_t>(lower(unit));
}

// Compares at most n positions; n of SIZE_MAX stands for no limit.
int32_t compareFolded(const charU16 *a, const charU16 *b, size_t n) {
    const nlsui_case_func lower = currentTolower();
    if (isIcuTolower(lower)) {
        for (; n != 0; ++a, ++b, --n) {
            if (*a == *b) {
                if (*a == 0) return 0;
                continue;
            }
            const uint16_t la = loweredByIcu(lower, *a);
            const uint16_t lb = loweredByIcu(lower, *b);
            if (la == 0 || la != lb) return static_cast<int32_t>(la) - static_cast<int32_t>(lb);
        }
        return 0;
    }
    for (;; ++a, ++b) {
        const uint16_t la = lowered(lower, *a);
        const uint16_t lb = lowered(lower, *b);
        if (la == 0 || la != lb || --n == 0) return static_cast<int32_t>(la) - static_cast<int32_t>(lb);
    }
}

}  // namespace

extern "C" QORUCUM_API int32_t strcasecmpU16(const charU16 *a, const charU16 *b) {
    if (a == b) return 0;
    return compareFolded(a, b, SIZE_MAX);
}

extern "C" QORUCUM_API int32_t strncasecmpU16(const charU16 *a, const charU16 *b, size_t n) {
    if (a == b || n == 0) return 0;
    return compareFolded(a, b, n);
}
