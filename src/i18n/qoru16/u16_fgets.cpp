// The line readers: fgetsU16 (line feed kept), getsU16 and gets_sU16 (line
// feed consumed, from the standard input). Each call holds the stream's lock
// throughout and reports once when it met invalid input.
#include <cerrno>
#include <cstdint>

#include "i18n/qoru16/u16_aux.h"
#include "i18n/qoru16/u16_get.h"
#include "i18n/qoru16/u16_rsize.h"
#include "platform/platform.h"
#include "qorucum/stdio.h"

namespace qoru {
namespace {
constexpr size_t unbounded = SIZE_MAX / sizeof(charU16);
}  // namespace
}  // namespace qoru

extern "C" QORUCUM_API charU16 *fgetsU16(charU16 *buf, int32_t n, FILE *stream) {
    if (buf == nullptr || stream == nullptr) {
        errno = EBADF;
        return nullptr;
    }
    // Without room for a terminator there is no string to hand back: buf
    // returned as it was would pass for a line.
    if (n < 1) {
        errno = EINVAL;
        return nullptr;
    }
    if (n >= 2) {
        const qoru::ReadOutcome out =
            qoru::readAndReport(stream, buf, static_cast<size_t>(n) - 1, qoru::LineEnd::keep,
                           "Invalid UTF-8 encountered by fgetsU16 (fileno 0x%x)", __FILE__, __LINE__);
        if (out.stored == 0 && out.endOfFile) return nullptr;
        buf[out.stored] = 0;
        return out.streamError ? nullptr : buf;
    }
    if (n == 1) buf[0] = 0;
    return plat::streamError(stream) ? nullptr : buf;
}

extern "C" QORUCUM_API charU16 *getsU16(charU16 *buf) {
    if (buf == nullptr) {
        errno = EBADF;
        return nullptr;
    }
    FILE *in = plat::standardInput();
    const qoru::ReadOutcome out = qoru::readAndReport(in, buf, qoru::unbounded, qoru::LineEnd::consume,
                                                 "Invalid UTF-8 encountered by getsU16", __FILE__, __LINE__);
    // Nothing read at end of file: buf is left as it was.
    if (out.stored == 0 && out.endOfFile) return nullptr;
    buf[out.stored] = 0;
    return out.streamError ? nullptr : buf;
}

extern "C" QORUCUM_API charU16 *gets_sU16(charU16 *buf, size_t size) {
    if (size > qoru::rsizeMax) {
        errno = EINVAL;
        return nullptr;
    }
    if (size == 0) return nullptr;
    if (buf == nullptr) {
        errno = EBADF;
        return nullptr;
    }
    FILE *in = plat::standardInput();
    if (size >= 2) {
        const qoru::ReadOutcome out = qoru::readAndReport(in, buf, size - 1, qoru::LineEnd::consume,
                                                     "Invalid UTF-8 encountered by getsU16", __FILE__, __LINE__);
        if (out.stored == 0 && out.endOfFile) {
            buf[0] = 0;
            return nullptr;
        }
        buf[out.stored] = 0;
    } else {
        buf[0] = 0;
    }
    if (plat::streamError(in)) {
        buf[0] = 0;
        return nullptr;
    }
    return buf;
}
