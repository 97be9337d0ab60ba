// Process identifier and calendar clock on POSIX.
#include <unistd.h>

#include <ctime>

#include "platform/platform.h"

namespace plat {

int32_t processId() { return static_cast<int32_t>(getpid()); }

int64_t calendarTime() { return static_cast<int64_t>(time(nullptr)); }

}  // namespace plat
