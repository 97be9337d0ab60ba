// Process identifier and calendar clock on the Windows C runtime.
#include <process.h>

#include <ctime>

#include "platform/platform.h"

namespace plat {

int32_t processId() { return static_cast<int32_t>(_getpid()); }

int64_t calendarTime() { return static_cast<int64_t>(_time64(nullptr)); }

// Valgrind does not run Windows programs.
bool runningUnderValgrind() { return false; }

}  // namespace plat
