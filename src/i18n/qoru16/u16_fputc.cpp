// fputcU16: one code unit by its 16 bits alone, one to three bytes with putc.
// A surrogate unit is written as its own three-byte form, unlike the run
// writer, which has no partner to look at here either way. The stream's lock
// is held over the bytes, so another thread's output never splits them.
#include <cerrno>
#include <cstdint>

#include "i18n/qoru16/u16_put.h"
#include "qorucum/stdio.h"

extern "C" QORUCUM_API int fputcU16(int c, FILE *stream) {
    if (stream == nullptr) {
        errno = EBADF;
        return EOF;
    }
    const uint32_t u = static_cast<uint32_t>(c) & 0xFFFF;
    unsigned char bytes[3];
    int length;
    if (u < 0x80) {
        bytes[0] = static_cast<unsigned char>(u);
        length = 1;
    } else if (u < 0x800) {
        bytes[0] = static_cast<unsigned char>(0xC0 | (u >> 6));
        bytes[1] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        length = 2;
    } else {
        bytes[0] = static_cast<unsigned char>(0xE0 | (u >> 12));
        bytes[1] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
        bytes[2] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        length = 3;
    }
    const qoru::StreamLock lock(stream);
    for (int i = 0; i < length; ++i)
        if (putc(bytes[i], stream) == EOF) return EOF;
    return c;
}
