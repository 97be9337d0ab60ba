// The once-only primitive on Windows: InitOnceExecuteOnce.
#include "platform/platform.h"

#include <windows.h>

namespace plat {
namespace {

static_assert(sizeof(INIT_ONCE) <= sizeof(OnceFlag::storage));

BOOL CALLBACK runOnceCallback(PINIT_ONCE, PVOID parameter, PVOID *) {
    reinterpret_cast<void (*)()>(parameter)();
    return TRUE;
}

}  // namespace

void runOnce(OnceFlag &flag, void (*fn)()) {
    // INIT_ONCE_STATIC_INIT is all zero bytes, the state OnceFlag starts in.
    InitOnceExecuteOnce(reinterpret_cast<PINIT_ONCE>(flag.storage), runOnceCallback,
                        reinterpret_cast<PVOID>(fn), nullptr);
}

}  // namespace plat
