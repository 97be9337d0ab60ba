// Floating-point text through the C library's C99 snprintf (on mingw-w64 its
// ANSI formatter), the same on every platform.
#include <cmath>
#include <cstdio>

#include "platform/platform.h"

namespace plat {

int32_t formatDoubleMagnitude(char *buf, size_t size, double value, char conversion, int32_t precision,
                              bool alternate) {
    if (size == 0) return -1;
    char directive[8];
    char *d = directive;
    *d++ = '%';
    if (alternate) *d++ = '#';
    *d++ = '.';
    *d++ = '*';
    *d++ = conversion;
    *d = '\0';
    const int n = snprintf(buf, size, directive, static_cast<int>(precision), std::fabs(value));
    if (n < 0 || static_cast<size_t>(n) >= size) {
        buf[size - 1] = '\0';
        return -1;
    }
    return n;
}

}  // namespace plat
