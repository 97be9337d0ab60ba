// Process identifier, calendar clock and Valgrind detection on POSIX.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#endif

#include "platform/platform.h"

namespace plat {

int32_t processId() { return static_cast<int32_t>(getpid()); }

int64_t calendarTime() { return static_cast<int64_t>(time(nullptr)); }

bool runningUnderValgrind() {
#ifdef RUNNING_ON_VALGRIND
    return RUNNING_ON_VALGRIND != 0;
#else
    // Without Valgrind's header: its tools preload vgpreload_*.so.
    const char *preload = getenv("LD_PRELOAD");
    return preload != nullptr && strstr(preload, "vgpreload") != nullptr;
#endif
}

}  // namespace plat
