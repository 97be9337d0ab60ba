// The digits of a double as the Windows C runtime's _ecvt gives them, from
// the C library's exact "%.*e" text: glibc's own ecvt stops at 17 digits and
// gives a digit too many when rounding carries.
#include "platform/platform.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace plat {

const char *ecvtDigits(double value, int32_t count, int32_t *decimalPosition, int32_t *negative) {
    // "d.ddd...e-308" and its terminator.
    thread_local char text[ecvtDigitsMax + 16];
    *negative = std::signbit(value) ? 1 : 0;
    if (!std::isfinite(value)) {
        *decimalPosition = 0;
        return std::isinf(value) ? "inf" : "nan";
    }
    const int32_t digits = count < 1 ? 1 : (count > ecvtDigitsMax ? ecvtDigitsMax : count);
    const int length = std::snprintf(text, sizeof text, "%.*e", static_cast<int>(digits - 1), std::fabs(value));
    if (length <= 0 || static_cast<size_t>(length) >= sizeof text) return nullptr;
    // Take the point out and read the exponent after the "e".
    char *const exponent = text + (digits > 1 ? digits + 1 : 1);
    if (digits > 1) {
        for (int32_t i = 1; i < digits; ++i) text[i] = text[i + 1];
    }
    *decimalPosition = value == 0.0 ? 0 : static_cast<int32_t>(std::strtol(exponent + 1, nullptr, 10)) + 1;
    text[count < 1 ? 0 : digits] = '\0';
    return text;
}

}  // namespace plat
