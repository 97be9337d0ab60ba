// The two-way search behind strstrU16, which starts it once a plain search
// has compared too much.
#ifndef QORU_U16_STRSTR_H
#define QORU_U16_STRSTR_H

#include <cstddef>

#include "qorucum/base.h"

namespace qoru {

// The first occurrence of sub (two units or more) in s that starts at unit
// `start` or later, or null. Units before `checked` must be known to come
// before the terminator, and start must not be beyond checked.
const charU16 *twoWaySearch(const charU16 *s, const charU16 *sub, size_t start, size_t checked);

}  // namespace qoru

#endif
