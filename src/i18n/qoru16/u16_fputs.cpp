// fputsU16 and putsU16: a string (and for putsU16 a line feed) through the
// run writer; the result counts UTF-8 bytes, -1 when a block was not written
// whole.
#include <cerrno>
#include <cstdint>

#include "i18n/qoru16/u16_put.h"
#include "platform/platform.h"
#include "qorucum/stdio.h"
#include "qorucum/string.h"

namespace qoru {
namespace {

constexpr size_t writeFailed = static_cast<size_t>(-1);

// Writes s; the bytes written, or writeFailed when a block took nothing or
// only a part of its bytes: a string cut short is no success.
size_t writeString(const charU16 *s, FILE *stream) {
    size_t bytes = 0;
    const size_t units = strlenU16(s);
    if (fwriteUtf8U16(s, 1, units, stream, &bytes, true) != units) return writeFailed;
    return bytes;
}

int clampToInt(size_t bytes) { return bytes > INT32_MAX ? INT32_MAX : static_cast<int>(bytes); }

}  // namespace
}  // namespace qoru

extern "C" QORUCUM_API int fputsU16(const charU16 *s, FILE *stream) {
    if (stream == nullptr) {
        errno = EBADF;
        return -1;
    }
    if (s == nullptr) {
        errno = EINVAL;
        return -1;
    }
    const qoru::StreamLock lock(stream);
    const size_t bytes = qoru::writeString(s, stream);
    return bytes == qoru::writeFailed ? -1 : qoru::clampToInt(bytes);
}

extern "C" QORUCUM_API int putsU16(const charU16 *s) {
    if (s == nullptr) {
        errno = EINVAL;
        return -1;
    }
    FILE *out = plat::standardOutput();
    const qoru::StreamLock lock(out);
    const size_t bytes = qoru::writeString(s, out);
    if (bytes == qoru::writeFailed) return -1;
    static constexpr charU16 lineFeed[] = {0x000A};
    size_t feedBytes = 0;
    if (qoru::fwriteUtf8U16(lineFeed, 1, 1, out, &feedBytes, true) != 1) return -1;
    return qoru::clampToInt(bytes + feedBytes);
}
