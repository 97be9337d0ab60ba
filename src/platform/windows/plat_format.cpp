// Narrow formatting through the C runtime's _vsnprintf, which returns -1 and
// stores no terminator when it cuts; the terminator is added here.
#include "platform/platform.h"

#include <stdio.h>

namespace plat {

int32_t formatNarrowV(char *buf, size_t size, const char *format, va_list args) {
    if (size == 0) return -1;
    const int n = _vsnprintf(buf, size, format, args);
    if (n >= 0 && static_cast<size_t>(n) < size && buf[n] == '\0') return n;
    buf[size - 1] = '\0';
    return -1;
}

}  // namespace plat

// The decimal point of the C runtime's current locale, the one printf uses.
#include <locale.h>

namespace plat {

char decimalPoint() {
    const lconv *conv = localeconv();
    return conv != nullptr && conv->decimal_point != nullptr && conv->decimal_point[0] != '\0'
               ? conv->decimal_point[0]
               : '.';
}

}  // namespace plat

namespace plat {

// The Microsoft compilers' long double is a double, and callers of the DLL
// pass it as one.
double longDoubleArgument(va_list &args) {
    return va_arg(args, double);
}

}  // namespace plat
