// Narrow formatting with the "-1 when cut" contract on top of C99 vsnprintf,
// which returns the needed length instead.
#include "platform/platform.h"

namespace plat {

int32_t formatNarrowV(char *buf, size_t size, const char *format, va_list args) {
    if (size == 0) return -1;
    const int n = vsnprintf(buf, size, format, args);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        buf[size - 1] = '\0';
        return -1;
    }
    return n;
}

}  // namespace plat

// The radix character of the current LC_NUMERIC locale, the one printf uses.
#include <langinfo.h>

namespace plat {

char decimalPoint() {
    const char *radix = nl_langinfo(RADIXCHAR);
    return radix != nullptr && radix[0] != '\0' ? radix[0] : '.';
}

}  // namespace plat

namespace plat {

// A long double is wider than a double here (80 bits on x86-64): it is read
// whole and rounded to the nearest double.
double longDoubleArgument(va_list &args) {
    return static_cast<double>(va_arg(args, long double));
}

}  // namespace plat
