// Standard streams, process identifier, clock and environment on POSIX.
#include "platform/platform.h"

#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace plat {

FILE *standardInput() { return stdin; }
FILE *standardOutput() { return stdout; }
FILE *standardError() { return stderr; }

int32_t processId() { return static_cast<int32_t>(getpid()); }

int64_t calendarTime() { return static_cast<int64_t>(time(nullptr)); }

const char *getEnv(const char *name) { return getenv(name); }

}  // namespace plat
