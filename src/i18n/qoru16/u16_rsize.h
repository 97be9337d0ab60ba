// The largest size the bounds-checked ("_s") functions take. A larger one is
// a negative number passed as a size or a wrapped computation: no buffer has
// it, and writing by it would reach outside the caller's array.
#ifndef QORU_U16_RSIZE_H
#define QORU_U16_RSIZE_H

#include <cstddef>
#include <cstdint>

namespace qoru {

inline constexpr size_t rsizeMax = SIZE_MAX / 2;

}  // namespace qoru

#endif
