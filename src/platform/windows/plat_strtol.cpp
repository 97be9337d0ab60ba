// The Windows C runtime's long is 32 bits already.
#include "platform/platform.h"

#include <cstdlib>

namespace plat {

int32_t strtol32(const char *text, char **end, int base) {
    return static_cast<int32_t>(strtol(text, end, base));
}

uint32_t strtoul32(const char *text, char **end, int base) {
    return static_cast<uint32_t>(strtoul(text, end, base));
}

}  // namespace plat
