// The library's one way to the C runtime's heap. Every block the library
// allocates, for itself or for a caller, comes from here and is the C
// runtime's own heap memory (callers release theirs with free). A byte count
// computed from a count and an element size that does not fit in size_t is
// refused with ENOMEM; so is any request the heap refuses.
#ifndef QORU_U16_HEAP_H
#define QORU_U16_HEAP_H

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace qoru {

// count x size bytes; null with errno ENOMEM when the product does not fit
// or the heap refuses.
void *allocate(size_t count, size_t size);
// The same, zeroed.
void *allocateZeroed(size_t count, size_t size);
// block resized to count x size bytes; on failure null with ENOMEM and the
// old block left as it was.
void *reallocate(void *block, size_t count, size_t size);
void release(void *block);

// Test hook: while not 0, each allocation counts it down by one, and the one
// that brings it to 0 is refused; so n fails the n-th allocation from now.
extern std::atomic<int32_t> gFailingAllocation;

}  // namespace qoru

#endif
