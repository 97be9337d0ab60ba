// Bounds-checked copies. They return 0, ERANGE, or EINVAL for a size no
// buffer has (then writing nothing); they never set errno and never test
// their pointers. The UTF-16 copies and the narrow path operations share
// one implementation of each rule.
#include <cerrno>
#include <cstring>

#include "i18n/qoru16/u16_path.h"
#include "i18n/qoru16/u16_rsize.h"
#include "qorucum/memory.h"
#include "qorucum/string.h"

namespace {

size_t boundedLength(const charU16 *s, size_t max) { return strnlenU16(s, max); }
size_t boundedLength(const char *s, size_t max) { return strnlen(s, max); }

// Copies src with its terminator into size units; on overflow the size units
// written stay and dst[0] is set to 0.
template <class Unit>
int32_t boundedCopy(Unit *dst, size_t size, const Unit *src) {
    const size_t len = boundedLength(src, size);
    if (len < size) {
        memcpy(dst, src, (len + 1) * sizeof(Unit));
        return 0;
    }
    memcpy(dst, src, size * sizeof(Unit));
    dst[0] = 0;
    return ERANGE;
}

// Appends src after dst's terminator within size units.
template <class Unit>
int32_t boundedAppend(Unit *dst, size_t size, const Unit *src) {
    const size_t used = boundedLength(dst, size);
    if (used == size) return ERANGE;
    const size_t room = size - used;
    const size_t len = boundedLength(src, room);
    if (len == room) {
        // The units up to the overflow are written before it is found.
        memcpy(dst + used, src, room * sizeof(Unit));
        dst[0] = 0;
        return ERANGE;
    }
    memcpy(dst + used, src, (len + 1) * sizeof(Unit));
    return 0;
}

// A count that does not fit clears the whole destination.
bool countFits(charU16 *dst, size_t size, size_t count) {
    if (count <= size) return true;
    if (size != 0) memset(dst, 0, size * sizeof(charU16));
    return false;
}

}  // namespace

namespace qoru {

size_t pathLength(const char *s) { return strnlen(s, pathCapacity); }

int32_t pathCopy(char *dst, const char *src, size_t size) {
    // A size of 0 leaves no room, not even for a terminator: nothing is written.
    if (size == 0) return ERANGE;
    return boundedCopy(dst, size, src);
}

int32_t pathAppend(char *dst, const char *src) { return boundedAppend(dst, pathCapacity, src); }

}  // namespace qoru

extern "C" {

QORUCUM_API int32_t strcpy_sU16(charU16 *dst, size_t size, const charU16 *src) {
    if (size > qoru::rsizeMax) return EINVAL;
    if (size == 0) return 0;
    return boundedCopy(dst, size, src);
}

QORUCUM_API int32_t strcat_sU16(charU16 *dst, size_t size, const charU16 *src) {
    if (size > qoru::rsizeMax) return EINVAL;
    if (size == 0) return ERANGE;
    return boundedAppend(dst, size, src);
}

QORUCUM_API int32_t strncpy_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count) {
    if (size > qoru::rsizeMax) return EINVAL;
    // The first min(count, size - 1, length) units and a terminator; the
    // all-ones count (the truncation request) copies as much as fits.
    if (size == 0) return 0;
    const size_t max = count < size - 1 ? count : size - 1;
    const size_t len = strnlenU16(src, max);
    memcpy(dst, src, len * sizeof(charU16));
    dst[len] = 0;
    return 0;
}

QORUCUM_API int32_t strncat_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count) {
    if (size > qoru::rsizeMax) return EINVAL;
    if (size == 0) return ERANGE;
    const size_t used = strnlenU16(dst, size);
    if (used == size) return ERANGE;
    const size_t room = size - used;
    if (count >= room && strnlenU16(src, room) >= room) {
        dst[0] = 0;
        return ERANGE;
    }
    const size_t len = strnlenU16(src, count);
    memcpy(dst + used, src, len * sizeof(charU16));
    dst[used + len] = 0;
    return 0;
}

QORUCUM_API int32_t memcpy_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count) {
    if (size > qoru::rsizeMax) return EINVAL;
    if (!countFits(dst, size, count)) return ERANGE;
    memcpy(dst, src, count * sizeof(charU16));
    return 0;
}

QORUCUM_API int32_t memmove_sU16(charU16 *dst, size_t size, const charU16 *src, size_t count) {
    if (size > qoru::rsizeMax) return EINVAL;
    if (!countFits(dst, size, count)) return ERANGE;
    memmove(dst, src, count * sizeof(charU16));
    return 0;
}

}  // extern "C"
