// The stream writer: runs of UTF-16 code units to UTF-8 in blocks on a C
// runtime stream. It keeps nothing between calls, so a pair split across two
// calls is written as two '#'.
#include "i18n/qoru16/u16_put.h"

#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_words.h"

#include <cstdint>

namespace qoru {
namespace {

// A block goes out once it holds more than this many bytes, so one block is
// at most 506 + 4 bytes and always fits the buffer.
constexpr size_t blockThreshold = 506;
constexpr size_t bufferSize = 512;
constexpr uint8_t unpairedSurrogate = '#';
constexpr size_t asciiGroup = 8;

// Encodes the unit at p (remaining units from p on, at least 1) into out;
// returns the units consumed (2 for a pair) and adds the bytes to used.
size_t encodeUnit(const charU16 *p, size_t remaining, uint8_t *out, size_t &used) {
    const charU16 u = *p;
    if (u < 0x80) {
        out[used++] = static_cast<uint8_t>(u);
    } else if (u < 0x800) {
        out[used++] = static_cast<uint8_t>(0xC0 | (u >> 6));
        out[used++] = static_cast<uint8_t>(0x80 | (u & 0x3F));
    } else if (u < 0xD800 || u > 0xDFFF) {
        out[used++] = static_cast<uint8_t>(0xE0 | (u >> 12));
        out[used++] = static_cast<uint8_t>(0x80 | ((u >> 6) & 0x3F));
        out[used++] = static_cast<uint8_t>(0x80 | (u & 0x3F));
    } else if (isHighSurrogate(u) && remaining >= 2 && isLowSurrogate(p[1])) {
        const char32_t cp = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (p[1] - 0xDC00);
        out[used++] = static_cast<uint8_t>(0xF0 | (cp >> 18));
        out[used++] = static_cast<uint8_t>(0x80 | ((cp >> 12) & 0x3F));
        out[used++] = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
        out[used++] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
        return 2;
    } else {
        out[used++] = unpairedSurrogate;
    }
    return 1;
}

}  // namespace

size_t writeBlock(const void *bytes, size_t count, FILE *stream) { return fwrite(bytes, 1, count, stream); }

BlockWrite gBlockWrite = writeBlock;

size_t fwriteUtf8U16(const charU16 *units, size_t size, size_t count, FILE *stream, size_t *bytesWritten,
                     bool failOnEmptyWrite) {
    const size_t total = size * count;
    if (total == 0) {
        if (bytesWritten) *bytesWritten = 0;
        return 0;
    }
    uint8_t buf[bufferSize];
    size_t used = 0;
    size_t remaining = total;
    size_t chunkStart = total;
    size_t written = 0;
    const charU16 *p = units;
    while (remaining != 0) {
        // A group of eight stays within the block as the unit-by-unit path
        // would fill it, so the blocks are the same either way.
        size_t consumed;
        if (remaining >= asciiGroup && used + asciiGroup <= blockThreshold + 1 &&
            packAsciiUnits(loadUnits(p), buf + used, false)) {
            used += asciiGroup;
            consumed = asciiGroup;
        } else {
            consumed = encodeUnit(p, remaining, buf, used);
        }
        p += consumed;
        remaining -= consumed;
        if (used > blockThreshold || remaining == 0) {
            const size_t got = gBlockWrite(buf, used, stream);
            if (failOnEmptyWrite && got == 0) return static_cast<size_t>(-1);
            written += got;
            if (got < used) {
                // A unit gives at most three bytes, so a third of the bytes
                // written never claims more units than went out.
                const size_t claimed = got / 3;
                remaining = chunkStart - claimed;
                if (remaining == 0) remaining = 1;
                break;
            }
            used = 0;
            chunkStart = remaining;
        }
    }
    if (bytesWritten) *bytesWritten = written;
    return (total - remaining) / size;
}

}  // namespace qoru
