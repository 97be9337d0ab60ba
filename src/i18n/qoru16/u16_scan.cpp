// The scanf family: argument checks, then one input record for the engine.
// Each variadic form forwards to its va_list twin.
// A stream is locked once for the whole call; the stream readers inside take
// the same (recursive) lock again.
#include <cerrno>

#include "i18n/qoru16/u16_FrmIn.h"
#include "platform/platform.h"
#include "qorucum/stdio.h"

namespace {

int32_t failWith(int error) {
    errno = error;
    return -1;
}

void setUpInput(qoru::ScanInput &in, FILE *stream, const charU16 *string, const charU16 *format) {
    in.stream = stream;
    in.position = string;
    in.start = string;
    in.pushBack = qoru::emptyPushBack;
    in.consumed = 0;
    in.ended = false;
    in.gaveBack = false;
    in.bufferedStart = nullptr;
    in.bufferedNext = nullptr;
    in.bufferedEnd = nullptr;
    in.formatPosition = format;
}

int32_t scanStream(FILE *stream, const charU16 *format, va_list args) {
    if (stream == nullptr) return failWith(EBADF);
    if (format == nullptr) return failWith(EINVAL);
    qoru::ScanInput in;
    setUpInput(in, stream, nullptr, format);
    va_copy(in.argumentPosition, args);
    const bool locked = plat::lockStream(stream);
    qoru::viewStream(in);
    const int32_t r = qoru::scanFormatted(in);
    qoru::settleStream(in);
    plat::unlockStream(stream, locked);
    va_end(in.argumentPosition);
    return r;
}

}  // namespace

extern "C" {

QORUCUM_API int32_t scanfU16(const charU16 *format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t r = scanStream(plat::standardInput(), format, args);
    va_end(args);
    return r;
}

QORUCUM_API int32_t fscanfU16(FILE *stream, const charU16 *format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t r = scanStream(stream, format, args);
    va_end(args);
    return r;
}

QORUCUM_API int32_t vscanfU16(const charU16 *format, va_list args) {
    return scanStream(plat::standardInput(), format, args);
}

QORUCUM_API int32_t vfscanfU16(FILE *stream, const charU16 *format, va_list args) {
    return scanStream(stream, format, args);
}

QORUCUM_API int32_t vsscanfU16(const charU16 *string, const charU16 *format, va_list args) {
    if (string == nullptr) return failWith(EBADF);
    if (format == nullptr) return failWith(EINVAL);
    qoru::ScanInput in;
    setUpInput(in, nullptr, string, format);
    va_copy(in.argumentPosition, args);
    const int32_t r = qoru::scanFormatted(in);
    va_end(in.argumentPosition);
    return r;
}

QORUCUM_API int32_t sscanfU16(const charU16 *string, const charU16 *format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t r = vsscanfU16(string, format, args);
    va_end(args);
    return r;
}

}  // extern "C"
