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
