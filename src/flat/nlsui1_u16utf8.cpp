// UTF-16 to real UTF-8: a surrogate pair becomes one four-byte sequence and an
// unpaired surrogate fails the conversion. The bytes are the stream writer's.
//
// The level's real encoder takes the bulk, pairs included; it stops before
// the terminator, a surrogate it does not join, or where room runs short, and
// the next few units go one by one with the limit tested before each
// sequence before it is tried again.
#include <cerrno>
#include <cstring>

#include "flat/nlsui1_utf8.h"
#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_pagerule.h"
#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_utf8k.h"

namespace qoru {
namespace {

// Units the careful path takes between two encoder calls.
constexpr int32_t carefulRun = 16;
// When counting, the encoder writes into scratch storage of this size.
constexpr size_t scratchBytes = 2048;

// The conversion; out null counts only (limit is then ignored).
size_t convertToUtf8(uint8_t *out, const char16_t *s, size_t limit) {
    const bool counting = (out == nullptr);
    uint8_t scratch[scratchBytes];
    const auto encode = chosen<&Kernels::encodeRealUtf8>();
    size_t n = 0;
    for (;;) {
        const char16_t *before = s;
        if (counting) {
            n += encode(scratch, 0, scratchBytes, s);
        } else {
            n = encode(out, n, limit, s);
        }
        checkReportedRead(before, s);
        if (!counting && n == limit) return n;
        for (int32_t run = 0; run < carefulRun; ++run) {
            const char16_t u = *s;
            if (u == 0) {
                if (!counting && n < limit) out[n] = 0;
                return n;
            }
            size_t take = 1;
            if (isSurrogateUnit(u)) {
                if (!isHighSurrogate(u) || !isLowSurrogate(s[1])) {
                    errno = EILSEQ;
                    return utf8Invalid;
                }
                take = 2;
            }
            uint8_t bytes[4];
            size_t length = 0;
            encodeWriterUnit(s, take, bytes, length);
            if (!counting) {
                // The sequence that does not fit is cut before.
                if (n + length > limit) {
                    out[n] = 0;
                    return n;
                }
                memcpy(out + n, bytes, length);
            }
            n += length;
            s += take;
            if (!counting && n == limit) return n;
        }
    }
}

}  // namespace
}  // namespace qoru

extern "C" QORUCUM_API size_t U16sToUtf8s(char *dst, const charU16 *src, size_t limit) {
    if (dst != nullptr && limit == 0) return 0;
    return qoru::convertToUtf8(reinterpret_cast<uint8_t *>(dst), src, limit);
}
