// UTF-8 to UTF-16 (four-byte forms become surrogate pairs) and UTF-16 to
// UTF-8 (every unit by itself, a surrogate too, so the reader reads the
// writer's output back unchanged).
#include "flat/nlsui1_utf8.h"

#include <cerrno>
#include <cstring>

#include "i18n/qoru16/u16_aux.h"
#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_pagerule.h"
#include "i18n/qoru16/u16_utf8.h"

namespace qoru {
namespace {

// Where a conversion stopped on invalid input.
struct Utf8Failure {
    size_t offset;   // byte offset of the bad sequence in src
    uint32_t length; // bytes of it examined, the offending one included
    size_t stored;   // units stored in dst before it
};

// Characters the careful path converts between two kernel calls.
constexpr int32_t carefulRun = 16;

// The conversion proper; failure, when not null, learns where it failed.
size_t convertUtf8(charU16 *dst, const char *src, size_t limit, Utf8Failure *failure) {
    const bool counting = (dst == nullptr);
    if (!counting && limit == 0) return 0;
    const auto *p = reinterpret_cast<const uint8_t *>(src);
    size_t count = 0;
    const auto convertValid = chosen<&qoru::Kernels::utf8ToUtf16>();
    for (;;) {
        const uint8_t *before = p;
        convertValid(dst, count, p, limit);
        checkReportedRead(before, p);
        if (!counting && count >= limit) return count;
        // The kernel stopped at what its blocks do not take: the terminator
        // close ahead, the limit, a form it leaves, invalid input. The next
        // characters go one by one, a block's worth, before it is tried
        // again, so that a short string costs one kernel call, not one per
        // character.
        for (int32_t run = 0; run < carefulRun; ++run) {
            const uint8_t *start = p;
            const uint8_t lead = *p;
            const Utf8Step step = decodeUtf8(lead, [p](uint32_t i) { return p[i]; });
            p += step.length;
            if (!step.valid) {
                if (failure) *failure = {static_cast<size_t>(start - reinterpret_cast<const uint8_t *>(src)),
                                         step.length, count};
                errno = EILSEQ;
                return utf8Invalid;
            }
            if (step.value <= 0xFFFF) {
                if (!counting) dst[count] = static_cast<charU16>(step.value);
                if (step.value == 0) return count;
            } else if (counting) {
                ++count;
            } else {
                dst[count] = highSurrogate(step.value);
                // The low surrogate only when it fits before the limit.
                if (count < limit - 1) dst[++count] = lowSurrogate(step.value);
            }
            ++count;
            if (!counting && count >= limit) return count;
        }
    }
}

}  // namespace

void traceInvalidUtf8U16(charU16 *dst, const char *src, size_t limit, const char *sourceName,
                         int32_t line, const char *funcName) {
    if (traceLevel() == traceNone) return;
    char text[128];
    const size_t nameLen = funcName ? strnlen(funcName, 50) : 0;
    if (nameLen > 0) memcpy(text, funcName, nameLen);
    size_t n = nameLen;
    const char found[] = " encountered invalid UTF-8";
    memcpy(text + n, found, sizeof found);
    n += sizeof found - 1;

    Utf8Failure failure{0, 0, 0};
    const int savedErrno = errno;
    const bool located = convertUtf8(dst, src, limit, &failure) == utf8Invalid;
    errno = savedErrno;
    if (!located) memcpy(text + n, " (but where?)", sizeof " (but where?)");

    traceMessageU16(text, sourceName, line, false);
    if (located) traceBytesU16(src + failure.offset, static_cast<int32_t>(failure.length));
    traceLine("Characters previously read:");
    if (located && dst != nullptr) {
        const size_t shown = failure.stored < 80 ? failure.stored : 80;
        traceCharsU16(dst + failure.stored - shown, static_cast<int32_t>(shown));
    }
    traceLine("All bytes to process");
    traceBytesU16(src, static_cast<int32_t>(strnlen(src, 80)));
    traceEndOfMessage();
}

}  // namespace qoru

extern "C" QORUCUM_API size_t Utf8sToU2s(charU16 *dst, const char *src, size_t limit) {
    return qoru::convertUtf8(dst, src, limit, nullptr);
}

extern "C" QORUCUM_API size_t U2sToUtf8s(char *dst, const charU16 *src, size_t limit) {
    const qoru::Kernels &k = qoru::kernels();
    if (dst == nullptr) return k.countUtf8(src);
    if (limit == 0) return 0;
    auto *out = reinterpret_cast<unsigned char *>(dst);
    // The kernel stops before the terminator or where room runs short; the
    // rest goes unit by unit with the limit tested before each sequence.
    const charU16 *start = src;
    size_t n = k.encodeUtf8(out, 0, limit, src);
    qoru::checkReportedRead(start, src);
    if (n >= limit) return n;
    for (;; ++src) {
        const charU16 u = *src;
        if (u == 0) {
            out[n] = 0;
            return n;
        }
        if (u < 0x80) {
            out[n++] = static_cast<unsigned char>(u);
        } else if (u < 0x800) {
            if (n + 2 > limit) {
                out[n] = 0;
                return n;
            }
            out[n++] = static_cast<unsigned char>(0xC0 | (u >> 6));
            out[n++] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        } else {
            if (n + 3 > limit) {
                out[n] = 0;
                return n;
            }
            out[n++] = static_cast<unsigned char>(0xE0 | (u >> 12));
            out[n++] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            out[n++] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        }
        if (n >= limit) return n;
    }
}
