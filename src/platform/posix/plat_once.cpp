// The once-only primitive on POSIX: pthread_once.
#include "platform/platform.h"

#include <pthread.h>

namespace plat {

static_assert(sizeof(pthread_once_t) <= sizeof(OnceFlag::storage));
static_assert(alignof(pthread_once_t) <= alignof(OnceFlag));
static_assert(PTHREAD_ONCE_INIT == 0);

void runOnce(OnceFlag &flag, void (*fn)()) {
    // PTHREAD_ONCE_INIT is zero, the state OnceFlag starts in.
    pthread_once(reinterpret_cast<pthread_once_t *>(flag.storage), fn);
}

}  // namespace plat
