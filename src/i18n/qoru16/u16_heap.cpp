// The heap seam: size checks, the test hook, then the C runtime's allocator.
#include "i18n/qoru16/u16_heap.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace qoru {

std::atomic<int32_t> gFailingAllocation{0};

namespace {

void *refuse() {
    errno = ENOMEM;
    return nullptr;
}

// False when the request is to be refused: its byte count does not fit, or
// the test hook picks it.
bool admit(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / size) return false;
    int32_t left = gFailingAllocation.load(std::memory_order_relaxed);
    while (left != 0 && !gFailingAllocation.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
        // another thread moved it: left holds its value now, try again
    }
    return left != 1;
}

// The C runtime's own result, with ENOMEM where it leaves errno unset. A
// request of 0 bytes may give null without failing (realloc then frees).
void *checked(void *block, size_t bytes) { return block != nullptr || bytes == 0 ? block : refuse(); }

}  // namespace

void *allocate(size_t count, size_t size) {
    return admit(count, size) ? checked(malloc(count * size), count * size) : refuse();
}

void *allocateZeroed(size_t count, size_t size) {
    return admit(count, size) ? checked(calloc(count, size), count * size) : refuse();
}

void *reallocate(void *block, size_t count, size_t size) {
    return admit(count, size) ? checked(realloc(block, count * size), count * size) : refuse();
}

void release(void *block) { free(block); }

}  // namespace qoru
