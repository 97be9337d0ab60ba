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
    const Kernels &k = kernels();
    while (remaining != 0) {
        // The kernel fills the block as the unit-by-unit rule does: it stops
        // once the block holds more than the threshold, or at the end of the
        // run, and either way the block goes out.
        const size_t consumed = k.fillUtf8Block(p, remaining, buf, used);
        p += consumed;
        remaining -= consumed;
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
    if (bytesWritten) *bytesWritten = written;
    return (total - remaining) / size;
}

}  // namespace qoru
