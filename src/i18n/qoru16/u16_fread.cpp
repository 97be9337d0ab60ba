// freadU16: size x count code units from a UTF-8 stream, one call under the
// stream's lock; invalid sequences are stored as '#' and reported once.
#include <cerrno>
#include <cstdint>

#include "i18n/qoru16/u16_get.h"
#include "platform/platform.h"
#include "qorucum/stdio.h"

extern "C" QORUCUM_API size_t freadU16(charU16 *buf, size_t size, size_t count, FILE *stream) {
    if (size == 0 || count == 0) return 0;
    if (buf == nullptr || stream == nullptr) {
        errno = EBADF;
        return 0;
    }
    // No caller's array can hold more units than fit in memory.
    if (count > SIZE_MAX / sizeof(charU16) / size) {
        errno = EINVAL;
        return 0;
    }
    const qoru::ReadOutcome out = qoru::readAndReport(stream, buf, size * count, qoru::LineEnd::none,
                                                      "Invalid UTF-8 encountered by freadU16 (fileno 0x%x)",
                                                      __FILE__, __LINE__);
    return out.stored / size;
}
