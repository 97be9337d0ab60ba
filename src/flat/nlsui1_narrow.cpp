// narrowSnprintf: the platform's narrow formatter with the "-1 when cut"
// contract, in the variadic form the library's messages use.
#include "flat/nlsui1_narrow.h"

#include <cstdarg>

#include "platform/platform.h"

namespace qoru {

int32_t narrowSnprintf(char *buf, size_t size, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t n = plat::formatNarrowV(buf, size, format, args);
    va_end(args);
    return n;
}

}  // namespace qoru
