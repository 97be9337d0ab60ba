// scprintfU16 and vscprintfU16: the length of a formatted text. The engine
// runs on a buffer target without a buffer, whose sinks only count.
#include <cerrno>

#include "i18n/qoru16/u16_FrmOut.h"
#include "qorucum/stdio.h"

extern "C" {

QORUCUM_API int32_t vscprintfU16(const charU16 *format, va_list args) {
    if (format == nullptr) {
        errno = EINVAL;
        return -1;
    }
    qoru::OutContext ctx;
    ctx.stream = nullptr;
    ctx.buffer = nullptr;
    ctx.count = 0;
    ctx.limit = qoru::unboundedLimit;
    ctx.format = format;
    va_copy(ctx.arguments, args);
    // The engine's sinks stop at INT32_MAX units with EOVERFLOW, so a length
    // is told whole or not at all.
    const int32_t r = qoru::vvfprintfU16(ctx);
    va_end(ctx.arguments);
    return r;
}

QORUCUM_API int32_t scprintfU16(const charU16 *format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t r = vscprintfU16(format, args);
    va_end(args);
    return r;
}

}  // extern "C"
