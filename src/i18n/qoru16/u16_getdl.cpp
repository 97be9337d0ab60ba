// The integer field readers fget_longU16 and fget_intU16: white space, an
// optional sign and ASCII digits read as bytes, converted as strtol with a
// 32-bit long converts them.
#include <cerrno>

#include "i18n/qoru16/u16_InBuf.h"
#include "i18n/qoru16/u16_get.h"
#include "i18n/qoru16/u16_space.h"
#include "i18n/qoru16/u16_tol.h"
#include "platform/platform.h"
#include "qorucum/stdio.h"

namespace qoru {
namespace {

constexpr int32_t numberOutOfRange = 1;
constexpr int32_t noDigit = -2;

bool isDigitByte(int c) { return c >= '0' && c <= '9'; }

int32_t readNumber(int32_t *out, FILE *stream) {
    errno = 0;
    // The first character that is not white space, decoded.
    int32_t first = EOF;
    for (;;) {
        const int c = plat::readByteLocked(stream);
        if (c == EOF) return -1;
        int32_t errorState = 0;
        BadSequence bad;
        first = readUtf8CharU16(stream, c, &bad, &errorState);
        if (first == EOF) return -1;
        if (errorState != 0 || !isWhiteSpaceU16(static_cast<uint32_t>(first))) break;
    }
    // When the heap refuses to grow the buffer the number is not read
    // whole: the call fails with ENOMEM rather than convert a part of it
    // (leading zeros alone would read as 0).
    char localDigits[digitLocalBytes];
    NumberBuffer digits(localDigits);
    int taken = first;
    if (first == '+' || first == '-') {
        if (first == '-') digits.push('-');  // the first byte always fits
        taken = plat::readByteLocked(stream);
    }
    if (!isDigitByte(taken)) {
        if (taken == EOF || plat::streamError(stream)) return -1;
        *out = taken;
        return noDigit;
    }
    while (isDigitByte(taken)) {
        if (!digits.push(static_cast<char>(taken))) return -1;
        taken = plat::readByteLocked(stream);
    }
    if (taken != EOF) plat::unreadByte(taken, stream);
    const int32_t value = strtolNarrow(digits.terminated(), nullptr, 10);
    *out = value;
    const bool clamped = (value == INT32_MAX || value == INT32_MIN) && errno == ERANGE;
    return clamped ? numberOutOfRange : 0;
}

int32_t readIntegerField(int32_t *out, FILE *stream) {
    if (out == nullptr || stream == nullptr) {
        errno = EBADF;
        return -1;
    }
    const bool locked = plat::lockStream(stream);
    int32_t result = readNumber(out, stream);
    if (plat::streamError(stream)) result = -1;
    plat::unlockStream(stream, locked);
    return result;
}

}  // namespace
}  // namespace qoru

extern "C" QORUCUM_API int32_t fget_longU16(int32_t *out, FILE *stream) { return qoru::readIntegerField(out, stream); }

extern "C" QORUCUM_API int32_t fget_intU16(int32_t *out, FILE *stream) { return qoru::readIntegerField(out, stream); }
