// Standard streams and environment look-up: the C runtime's own on every
// platform.
#include <cstdlib>

#include "platform/platform.h"

namespace plat {

FILE *standardInput() { return stdin; }
FILE *standardOutput() { return stdout; }
FILE *standardError() { return stderr; }

const char *getEnv(const char *name) { return getenv(name); }

}  // namespace plat
