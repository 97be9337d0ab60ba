// fwriteU16: fwrite for code units; size counts units, the result whole
// elements written.
#include <cerrno>
#include <cstdint>

#include "i18n/qoru16/u16_put.h"
#include "qorucum/stdio.h"

extern "C" QORUCUM_API size_t fwriteU16(const charU16 *units, size_t size, size_t count, FILE *stream) {
    if (size == 0 || count == 0) return 0;
    if (stream == nullptr) {
        errno = EBADF;
        return 0;
    }
    if (units == nullptr) {
        errno = EINVAL;
        return 0;
    }
    // No caller's array can hold more units than fit in memory.
    if (count > SIZE_MAX / sizeof(charU16) / size) {
        errno = EINVAL;
        return 0;
    }
    const qoru::StreamLock lock(stream);
    return qoru::fwriteUtf8U16(units, size, count, stream, nullptr, false);
}
