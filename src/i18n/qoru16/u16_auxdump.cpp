// The trace channel's two hex dumps. Each keeps its columns on a short last
// line, so the vertical bars line up.
#include <cstring>

#include "i18n/qoru16/u16_aux.h"

namespace qoru {
namespace {

constexpr char hexDigits[] = "0123456789abcdef";

void putHex(char *out, uint32_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = hexDigits[value & 0xF];
        value >>= 4;
    }
}

}  // namespace

void traceBytesU16(const void *bytes, int32_t count) {
    constexpr int32_t perLine = 16;
    constexpr int32_t lineLength = 67;
    const auto *p = static_cast<const unsigned char *>(bytes);
    for (int32_t start = 0; start < count; start += perLine) {
        char line[lineLength];
        memset(line, ' ', sizeof line);
        line[49] = '|';
        line[66] = '|';
        for (int32_t i = 0; i < perLine && start + i < count; ++i) {
            const unsigned char b = p[start + i];
            putHex(line + 3 * i + 1, b, 2);
            line[50 + i] = (b >= 0x21 && b <= 0x7E) ? static_cast<char>(b) : '.';
        }
        traceLine(line, lineLength);
    }
}

void traceCharsU16(const charU16 *units, int32_t count) {
    constexpr int32_t perLine = 8;
    constexpr int32_t lineLength = 52;
    for (int32_t start = 0; start < count; start += perLine) {
        char line[lineLength];
        memset(line, ' ', sizeof line);
        line[42] = '|';
        line[51] = '|';
        for (int32_t i = 0; i < perLine && start + i < count; ++i) {
            const charU16 u = units[start + i];
            putHex(line + 5 * i + 1, u, 4);
            line[43 + i] = (u >= 0x20 && u <= 0x7F) ? static_cast<char>(u) : '.';
        }
        traceLine(line, lineLength);
    }
}

}  // namespace qoru
