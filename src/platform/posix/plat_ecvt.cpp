// The digits of a double as the Windows C runtime's _ecvt gives them, from
// the C++ library's exact scientific text (std::to_chars with a precision,
// correctly rounded, far quicker than snprintf): glibc's own ecvt stops at
// 17 digits, scales the value in floating point, and gives a digit too many
// when rounding carries.
#include "platform/platform.h"

#include <charconv>
#include <cmath>

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
    const std::to_chars_result r =
        std::to_chars(text, text + sizeof text - 1, std::fabs(value), std::chars_format::scientific, digits - 1);
    if (r.ec != std::errc()) return nullptr;
    // Take the point out and read the exponent after the "e".
    const char *p = text + (digits > 1 ? digits + 2 : 2);
    const bool negativeExponent = *p++ == '-';
    int32_t exponent = 0;
    for (; p != r.ptr; ++p) exponent = exponent * 10 + (*p - '0');
    if (digits > 1) {
        for (int32_t i = 1; i < digits; ++i) text[i] = text[i + 1];
    }
    *decimalPosition = value == 0.0 ? 0 : (negativeExponent ? -exponent : exponent) + 1;
    text[count < 1 ? 0 : digits] = '\0';
    return text;
}

}  // namespace plat
