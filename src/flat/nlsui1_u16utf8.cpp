// UTF-16 to real UTF-8: a surrogate pair becomes one four-byte sequence and an
// unpaired surrogate fails the conversion. The bytes are the stream writer's:
// its block kernel encodes, and since it writes an unpaired surrogate as '#',
// only a block whose bytes hold a '#' needs its units looked at again.
#include <cerrno>
#include <cstring>

#include "flat/nlsui1_utf8.h"
#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_utf8k.h"

namespace qoru {
namespace {

// A block kernel call stores at most this many bytes from where it starts.
constexpr size_t blockBytes = utf8BlockThreshold + utf8BlockSlack;

// What one kernel call made of the units at p (rest of them before the
// terminator, count of them given to the kernel).
struct Block {
    size_t consumed;  // units encoded
    size_t bytes;     // their bytes; with invalid set, the bytes before the bad unit
    bool invalid;     // an unpaired surrogate among the consumed units
};

// The first unpaired surrogate among the n units at p, or n. The unit after
// them (another unit or the terminator) settles a high surrogate at the end.
size_t firstUnpaired(const char16_t *p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const char16_t u = p[i];
        if (!isSurrogateUnit(u)) continue;
        if (!isHighSurrogate(u) || !isLowSurrogate(p[i + 1])) return i;
        ++i;
    }
    return n;
}

// The bytes of n valid units (pairs joined).
size_t validBytes(const char16_t *p, size_t n) {
    size_t bytes = 0;
    for (size_t i = 0; i < n; ++i) bytes += p[i] < 0x80 ? 1 : p[i] < 0x800 ? 2 : isSurrogateUnit(p[i]) ? 2 : 3;
    return bytes;
}

Block encodeBlock(const Kernels &k, const char16_t *p, size_t count, uint8_t *out) {
    size_t used = 0;
    Block b{k.fillUtf8Block(p, count, out, used), 0, false};
    b.bytes = used;
    if (memchr(out, unpairedSurrogate, used) != nullptr) {
        const size_t bad = firstUnpaired(p, b.consumed);
        if (bad < b.consumed) {
            b.invalid = true;
            b.bytes = validBytes(p, bad);
        }
    }
    return b;
}

size_t failInvalid() {
    errno = EILSEQ;
    return utf8Invalid;
}

size_t countBytes(const Kernels &k, const char16_t *p, size_t rest) {
    uint8_t scratch[blockBytes];
    size_t total = 0;
    while (rest != 0) {
        const Block b = encodeBlock(k, p, rest, scratch);
        if (b.invalid) return failInvalid();
        total += b.bytes;
        p += b.consumed;
        rest -= b.consumed;
    }
    return total;
}

}  // namespace
}  // namespace qoru

extern "C" QORUCUM_API size_t U16sToUtf8s(char *dst, const charU16 *src, size_t limit) {
    using namespace qoru;
    const Kernels &k = kernels();
    if (dst != nullptr && limit == 0) return 0;
    const char16_t *p = src;
    size_t rest = static_cast<size_t>(k.findZero(src) - src);
    if (dst == nullptr) return countBytes(k, p, rest);
    auto *out = reinterpret_cast<uint8_t *>(dst);
    // Each block goes through scratch storage, since the kernel may store past
    // the bytes it reports; dst receives exactly the bytes of the result.
    uint8_t scratch[blockBytes];
    size_t n = 0;
    while (rest != 0) {
        // No more units than the room could take (each gives a byte at
        // least), a pair kept whole.
        const size_t room = limit - n;
        size_t count = rest < room ? rest : room;
        if (count < rest && isHighSurrogate(p[count - 1])) ++count;
        const Block b = encodeBlock(k, p, count, scratch);
        if (b.bytes > room) {
            // The sequence that crosses the limit is cut before; the result
            // is limit only when the bytes end exactly there.
            size_t fit = room;
            while (fit > 0 && isTrail(scratch[fit])) --fit;
            memcpy(out + n, scratch, fit);
            n += fit;
            if (n < limit) out[n] = 0;
            return n;
        }
        memcpy(out + n, scratch, b.bytes);
        n += b.bytes;
        if (n == limit) return n;
        if (b.invalid) return failInvalid();
        p += b.consumed;
        rest -= b.consumed;
    }
    out[n] = 0;
    return n;
}
