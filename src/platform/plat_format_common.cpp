// The variadic face of the narrow formatter, the same on every platform.
#include "platform/platform.h"

namespace plat {

int32_t formatNarrow(char *buf, size_t size, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t n = formatNarrowV(buf, size, format, args);
    va_end(args);
    return n;
}

}  // namespace plat
