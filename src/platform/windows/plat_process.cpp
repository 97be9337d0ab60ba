// Standard streams, process identifier, clock and environment on the Windows
// C runtime.
#include "platform/platform.h"

#include <cstdlib>
#include <ctime>
#include <process.h>

namespace plat {

FILE *standardInput() { return stdin; }
FILE *standardOutput() { return stdout; }
FILE *standardError() { return stderr; }

int32_t processId() { return static_cast<int32_t>(_getpid()); }

int64_t calendarTime() { return static_cast<int64_t>(_time64(nullptr)); }

const char *getEnv(const char *name) { return getenv(name); }

}  // namespace plat
