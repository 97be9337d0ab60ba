// The string field readers: a word (fget_strU16) or a line (fget_lineU16).
// Invalid input goes into the field as its bytes (ASCII as itself, others as
// the caller's replacement unit) and the result says so with -2.
#include <cerrno>

#include "i18n/qoru16/u16_get.h"
#include "platform/platform.h"
#include "qorucum/stdio.h"

namespace qoru {
namespace {

constexpr int32_t fieldInvalid = -2;

int32_t readField(charU16 *buf, int32_t n, FILE *stream, charU16 repl, LineEnd lineEnd) {
    if (buf == nullptr || stream == nullptr) {
        errno = EBADF;
        return -1;
    }
    if (n < 1) {
        errno = EINVAL;
        return -1;
    }
    ReadOutcome out;
    const bool locked = plat::lockStream(stream);
    if (n > 1) out = readUnits(stream, buf, static_cast<size_t>(n) - 1, lineEnd, repl);
    out.streamError = plat::streamError(stream);
    plat::unlockStream(stream, locked);
    buf[out.stored] = 0;
    if (out.stored == 0 && out.endOfFile) return -1;
    if (out.streamError) return -1;
    if (out.sawInvalid) return fieldInvalid;
    return static_cast<int32_t>(out.stored);
}

}  // namespace
}  // namespace qoru

extern "C" QORUCUM_API int32_t fget_strU16(charU16 *buf, int32_t n, FILE *stream, charU16 repl) {
    return qoru::readField(buf, n, stream, repl, qoru::LineEnd::word);
}

extern "C" QORUCUM_API int32_t fget_lineU16(charU16 *buf, int32_t n, FILE *stream, charU16 repl) {
    return qoru::readField(buf, n, stream, repl, qoru::LineEnd::keep);
}
