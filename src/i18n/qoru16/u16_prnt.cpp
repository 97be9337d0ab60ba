// The printf family: argument checks, then one output context for the engine.
// Each variadic form forwards to its va_list twin.
#include <cerrno>

#include "i18n/qoru16/u16_FrmOut.h"
#include "i18n/qoru16/u16_OutOne.h"
#include "i18n/qoru16/u16_put.h"
#include "i18n/qoru16/u16_rsize.h"
#include "platform/platform.h"
#include "qorucum/stdio.h"

namespace {

int32_t runEngine(FILE *stream, charU16 *buffer, size_t limit, const charU16 *format, va_list args) {
    if (buffer != nullptr) {
        va_list peek;
        va_copy(peek, args);
        const int32_t quick = qoru::formatOneDirective(buffer, limit, format, peek);
        va_end(peek);
        if (quick != qoru::oneDirectiveDeclined) return quick;
    }
    qoru::OutContext ctx;
    ctx.stream = stream;
    ctx.buffer = buffer;
    ctx.count = 0;
    ctx.limit = limit;
    ctx.format = format;
    va_copy(ctx.arguments, args);
    const int32_t r = qoru::vvfprintfU16(ctx);
    va_end(ctx.arguments);
    return r;
}

int32_t failWith(int error) {
    errno = error;
    return -1;
}

}  // namespace

extern "C" {

QORUCUM_API int32_t vfprintfU16(FILE *stream, const charU16 *format, va_list args) {
    if (stream == nullptr) return failWith(EBADF);
    if (format == nullptr) return failWith(EINVAL);
    // One call's text goes out together on a stream shared by threads.
    const qoru::StreamLock lock(stream);
    return runEngine(stream, nullptr, 0, format, args);
}

QORUCUM_API int32_t vprintfU16(const charU16 *format, va_list args) {
    return vfprintfU16(plat::standardOutput(), format, args);
}

QORUCUM_API int32_t vsprintfU16(charU16 *buffer, const charU16 *format, va_list args) {
    if (buffer == nullptr) return failWith(EBADF);
    if (format == nullptr) return failWith(EINVAL);
    return runEngine(nullptr, buffer, qoru::unboundedLimit, format, args);
}

QORUCUM_API int32_t vsnprintfU16(charU16 *buffer, size_t size, const charU16 *format, va_list args) {
    if (buffer != nullptr && size == 0) return 0;
    if (buffer == nullptr && size != 0) return failWith(EBADF);
    if (format == nullptr) return failWith(EINVAL);
    return runEngine(nullptr, buffer, size, format, args);
}

QORUCUM_API int32_t vsprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, va_list args) {
    if (size > qoru::rsizeMax) return failWith(EINVAL);
    if (size == 0) return -1;
    if (buffer == nullptr) return failWith(EBADF);
    if (format == nullptr) return failWith(EINVAL);
    const int32_t r = runEngine(nullptr, buffer, size, format, args);
    return r >= 0 && static_cast<size_t>(r) < size ? r : -1;
}

QORUCUM_API int32_t vsnprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, va_list args) {
    if (size > qoru::rsizeMax) return failWith(EINVAL);
    if (size == 0) return 0;
    if (buffer == nullptr) return failWith(EBADF);
    if (format == nullptr) {
        buffer[0] = 0;  // an empty string: nothing was produced
        return failWith(EINVAL);
    }
    // The engine terminates the buffer after the units it stored, or at its
    // last unit when it cut.
    return runEngine(nullptr, buffer, size, format, args);
}

QORUCUM_API int32_t printfU16(const charU16 *format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t r = vprintfU16(format, args);
    va_end(args);
    return r;
}

QORUCUM_API int32_t fprintfU16(FILE *stream, const charU16 *format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t r = vfprintfU16(stream, format, args);
    va_end(args);
    return r;
}

QORUCUM_API int32_t sprintfU16(charU16 *buffer, const charU16 *format, ...) {
    va_list args;
    va_start(args, format);
    int32_t r = qoru::formatOneDirective(buffer, qoru::unboundedLimit, format, args);
    va_end(args);
    if (r != qoru::oneDirectiveDeclined) return r;
    va_start(args, format);
    r = vsprintfU16(buffer, format, args);
    va_end(args);
    return r;
}

QORUCUM_API int32_t snprintfU16(charU16 *buffer, size_t size, const charU16 *format, ...) {
    va_list args;
    va_start(args, format);
    int32_t r = qoru::formatOneDirective(buffer, size, format, args);
    va_end(args);
    if (r != qoru::oneDirectiveDeclined) return r;
    va_start(args, format);
    r = vsnprintfU16(buffer, size, format, args);
    va_end(args);
    return r;
}

QORUCUM_API int32_t sprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t r = vsprintf_sU16(buffer, size, format, args);
    va_end(args);
    return r;
}

QORUCUM_API int32_t snprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t r = vsnprintf_sU16(buffer, size, format, args);
    va_end(args);
    return r;
}

}  // extern "C"
