// UTF-16 to real UTF-8: a surrogate pair becomes one four-byte sequence and an
// unpaired surrogate fails the conversion. The bytes are the stream writer's.
//
// Two encoders share the work. Outside surrogates both forms are the same, so
// text goes through U2sToUtf8s's kernel, the fastest, a window at a time; a
// surrogate shows in its output as ED A0-BF, where pairs are joined in place.
// Where pairs are dense the stream writer's block kernel takes over for a
// run of blocks (pairs joined, any other surrogate written as '#', so only a
// block whose bytes hold a '#' needs its units looked at again) before the
// fast kernel is tried again.
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
// The fast kernel runs window by window (bytes of output), for it converts
// the whole window before its bytes are searched: the first window is
// firstWindow, each window that ends well doubles the next (when counting,
// up to the size of its scratch storage). A pair in a window is joined in
// place (its six bytes become four, the bytes after it move up); a window
// dense in pairs (from densePairCount pairs on, one in fewer than
// densePairBytes bytes of it so far) hands over to the block path for a run
// of blocks that doubles from firstBlockRun to maxBlockRun each time, and
// the window after the run is retryWindow. Each window ends with a stretch
// of unit-by-unit work in the kernel, so windows stay large where pairs are
// rare. Below minFastRoom bytes of room the block path finishes the text.
// Text with a surrogate among its first peekUnits units starts on the block
// path.
constexpr size_t firstWindow = 4096;
constexpr size_t retryWindow = 512;
constexpr size_t minFastRoom = 256;
constexpr uint32_t firstBlockRun = 16;
constexpr uint32_t maxBlockRun = 256;
constexpr size_t peekUnits = 32;
constexpr size_t densePairBytes = 64;
constexpr size_t densePairCount = 4;

// What one block kernel call made of the units at p.
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

// The first surrogate the per-unit kernel wrote in [p, end) (its lead ED and
// a second byte from A0 on; ED 80-9F are U+D000-D7FF), or end. The kernel
// writes whole sequences, so a lead's second byte is before end.
const uint8_t *findEncodedSurrogate(const uint8_t *p, const uint8_t *end) {
    for (;; ++p) {
        p = static_cast<const uint8_t *>(memchr(p, 0xED, static_cast<size_t>(end - p)));
        if (p == nullptr) return end;
        if (p[1] >= 0xA0) return p;
    }
}

// The units (none of them a surrogate) whose bytes are [p, end): one lead
// byte each, so the bytes less the trail bytes (10xxxxxx). Eight bytes at a
// time: bit 7 set and bit 6 clear marks a trail byte in the low bit of each
// byte of the mask.
size_t unitsOfBytes(const uint8_t *p, const uint8_t *end) {
    constexpr uint64_t lowBits = 0x0101010101010101;
    const auto bytes = static_cast<size_t>(end - p);
    size_t trails = 0;
    for (; end - p >= 8; p += 8) {
        uint64_t w;
        memcpy(&w, p, sizeof w);
        trails += static_cast<size_t>(__builtin_popcountll((w >> 7) & ~(w >> 6) & lowBits));
    }
    for (; p != end; ++p) trails += isTrail(*p);
    return bytes - trails;
}

// How a window of the fast kernel ended.
enum class WindowEnd { clean, dense, invalid };

// Joins the pairs in the per-unit bytes [base, stop) in place, from the
// first surrogate at r on; w receives the end of the bytes kept and r the
// start of the bytes not yet taken (stop when all were). textEnds: the
// terminator follows the window.
WindowEnd joinPairs(const uint8_t *base, uint8_t *&w, uint8_t *&r, uint8_t *stop, bool textEnds) {
    size_t pairs = 0;
    for (;;) {
        // r is at a surrogate's ED: a high one (ED A0-AF) whose low one (ED
        // B0-BF) follows is a pair; a high one that ends the window may have
        // its low one in the next, unless the text ends there; anything else
        // is unpaired.
        if (r[1] < 0xB0 && stop - r == 3 && !textEnds) return WindowEnd::clean;
        if (r[1] >= 0xB0 || stop - r < 6 || r[3] != 0xED || r[4] < 0xB0) return WindowEnd::invalid;
        const char32_t cp = 0x10000 + ((threeByteValue(r[0], r[1], r[2]) - 0xD800) << 10) +
                            (threeByteValue(r[3], r[4], r[5]) - 0xDC00);
        w[0] = static_cast<uint8_t>(0xF0 | (cp >> 18));
        w[1] = static_cast<uint8_t>(0x80 | ((cp >> 12) & 0x3F));
        w[2] = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
        w[3] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
        w += 4;
        r += 6;
        if (++pairs >= densePairCount && static_cast<size_t>(r - base) < pairs * densePairBytes) return WindowEnd::dense;
        const uint8_t *next = findEncodedSurrogate(r, stop);
        const auto stretch = static_cast<size_t>(next - r);
        memmove(w, r, stretch);
        w += stretch;
        r += stretch;
        if (r == stop) return WindowEnd::clean;
    }
}

size_t failInvalid() {
    errno = EILSEQ;
    return utf8Invalid;
}

// The conversion; out null counts only (limit is then ignored).
size_t convertToUtf8(const Kernels &k, uint8_t *out, const char16_t *s, size_t limit) {
    const bool counting = (out == nullptr);
    uint8_t fastScratch[firstWindow];  // the fast kernel's output when counting
    uint8_t blockScratch[blockBytes];
    size_t n = 0;
    const char16_t *end = nullptr;  // the terminator, found when the block path first needs it
    size_t window = firstWindow;
    uint32_t blocksLeft = 0, blockRun = firstBlockRun;
    for (size_t i = 0; i < peekUnits && s[i] != 0; ++i) {
        if (isSurrogateUnit(s[i])) {
            blocksLeft = blockRun;
            break;
        }
    }
    for (;;) {
        if (blocksLeft == 0 && (counting || limit - n >= minFastRoom)) {
            const size_t room = counting ? SIZE_MAX : limit - n;
            uint8_t *base = counting ? fastScratch : out + n;
            const char16_t *at = s;
            const size_t bytes = k.encodeUtf8(base, 0, window < room ? window : room, at);
            uint8_t *const stop = base + bytes;
            uint8_t *r = const_cast<uint8_t *>(findEncodedSurrogate(base, stop));
            uint8_t *w = r;
            const WindowEnd how = r == stop ? WindowEnd::clean : joinPairs(base, w, r, stop, *at == 0);
            // The units of the bytes not taken (each its own sequence) are
            // not done: the text goes on from the first of them.
            s = at - unitsOfBytes(r, stop);
            n += static_cast<size_t>(w - base);
            if (how == WindowEnd::invalid) return failInvalid();
            if (how == WindowEnd::clean) {
                if (*s == 0) break;
                if (!counting || window < firstWindow) window *= 2;
                blockRun = firstBlockRun;
                continue;
            }
            window = retryWindow;
            blocksLeft = blockRun;
            if (blockRun < maxBlockRun) blockRun *= 2;
        } else if (blocksLeft != 0) {
            --blocksLeft;
        }

        const size_t room = counting ? SIZE_MAX : limit - n;
        if (end == nullptr) end = s + k.stringLength(s);
        const size_t rest = static_cast<size_t>(end - s);
        if (rest == 0) break;
        // No more units than the room could take (each gives a byte at
        // least), a pair kept whole; through scratch storage, since the
        // kernel may store past the bytes it reports.
        size_t count = rest < room ? rest : room;
        if (count < rest && isHighSurrogate(s[count - 1])) ++count;
        const Block b = encodeBlock(k, s, count, blockScratch);
        if (b.bytes > room) {
            // The sequence that crosses the limit is cut before; the result
            // is limit only when the bytes end exactly there.
            size_t fit = room;
            while (fit > 0 && isTrail(blockScratch[fit])) --fit;
            memcpy(out + n, blockScratch, fit);
            n += fit;
            break;
        }
        if (!counting) memcpy(out + n, blockScratch, b.bytes);
        n += b.bytes;
        if (!counting && n == limit) return n;
        if (b.invalid) return failInvalid();
        s += b.consumed;
    }
    if (!counting && n < limit) out[n] = 0;
    return n;
}

}  // namespace
}  // namespace qoru

extern "C" QORUCUM_API size_t U16sToUtf8s(char *dst, const charU16 *src, size_t limit) {
    if (dst != nullptr && limit == 0) return 0;
    return qoru::convertToUtf8(qoru::kernels(), reinterpret_cast<uint8_t *>(dst), src, limit);
}
