// The stream writer: runs of UTF-16 code units to UTF-8 in blocks on a C
// runtime stream. It keeps nothing between calls, so a pair split across two
// calls is written as two '#'.
#include "i18n/qoru16/u16_put.h"

#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_utf8k.h"

#include <cstdint>

namespace qoru {
namespace {

// A block goes out once it holds more than utf8BlockThreshold bytes, so one
// block is at most 506 + 4 bytes; the kernels may store a little past that.
constexpr size_t bufferSize = utf8BlockThreshold + utf8BlockSlack;

// The units at the start of a block of n units whose bytes lie wholly within
// its first bytes bytes, by the writer's own rule.
size_t unitsWithin(const charU16 *units, size_t n, size_t bytes) {
    uint8_t scratch[4];
    size_t done = 0;
    size_t encoded = 0;
    while (done < n) {
        size_t length = 0;
        const size_t step = encodeWriterUnit(units + done, n - done, scratch, length);
        if (encoded + length > bytes) break;
        encoded += length;
        done += step;
    }
    return done;
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
    size_t written = 0;
    const charU16 *p = units;
    const auto fillBlock = chosen<&Kernels::fillUtf8Block>();
    while (remaining != 0) {
        // The kernel fills the block as the unit-by-unit rule does: it stops
        // once the block holds more than the threshold, or at the end of the
        // run, and either way the block goes out.
        const size_t consumed = fillBlock(p, remaining, buf, used);
        const size_t got = gBlockWrite(buf, used, stream);
        if (failOnEmptyWrite && got == 0) return static_cast<size_t>(-1);
        written += got;
        if (got < used) {
            // Only the units whose bytes all went out count as written.
            remaining -= unitsWithin(p, consumed, got);
            break;
        }
        p += consumed;
        remaining -= consumed;
        used = 0;
    }
    if (bytesWritten) *bytesWritten = written;
    return (total - remaining) / size;
}

}  // namespace qoru
