// The stream decoder and the reading loop shared by the stream readers.
#include "i18n/qoru16/u16_get.h"

#include <cerrno>
#include <cstring>

#include "i18n/qoru16/u16_aux.h"
#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_space.h"
#include "i18n/qoru16/u16_utf8.h"
#include "platform/platform.h"

namespace qoru {
namespace {

constexpr int32_t invalidChar = 0x23;  // '#'
constexpr charU16 lineFeed = 0x0A;

// The bytes that end a word when they break a sequence: blank, tab, line
// feed, vertical tab, form feed, carriage return.
bool isByteDelimiter(uint8_t b) { return b == 0x20 || (b >= 0x09 && b <= 0x0D); }

int32_t invalid(int32_t *errorState) {
    errno = EILSEQ;
    *errorState = EILSEQ;
    return invalidChar;
}

// A four-byte form whose value lies above U+10FFFF (leads F5-F7, or F4 with
// a second byte of 90-BF) is well-formed apart from its value: it is read to
// its end and consumed whole. bad holds its first bytes; a byte that cannot
// continue it breaks it and goes back, as everywhere.
int32_t consumeBeyondRange(FILE *stream, BadSequence *bad, int32_t *errorState) {
    while (bad->count < 4) {
        const int c = plat::readByteLocked(stream);
        if (c == EOF) {
            if (plat::streamError(stream)) return EOF;
            break;
        }
        bad->bytes[bad->count++] = static_cast<uint8_t>(c);
        if (!isTrail(static_cast<uint8_t>(c))) {
            bad->gaveBack = plat::unreadByte(c, stream) != EOF;
            break;
        }
    }
    return invalid(errorState);
}

// Stores a scalar value as one unit or a pair; a pair that finds one unit of
// room (left, at least 1) keeps its high surrogate. Returns the units stored.
size_t storeScalar(charU16 *dst, size_t left, int32_t value) {
    if (value <= 0xFFFF) {
        dst[0] = static_cast<charU16>(value);
        return 1;
    }
    dst[0] = highSurrogate(static_cast<char32_t>(value));
    if (left < 2) return 1;
    dst[1] = lowSurrogate(static_cast<char32_t>(value));
    return 2;
}

// Bytes in the stream's buffer decoded in place. The level's kernel takes
// the valid text before the line feed (when one ends the read) while room
// lasts; what it leaves goes a character at a time here, with every limit
// tested: the line feed, ASCII (a zero byte included), a valid form whose
// bytes lie in the buffer and whose units fit, and then the kernel again.
// Stops before anything else (invalid input, a form cut by the buffer's end,
// a pair with one unit of room), at the room, or after a line feed as
// lineEnd says. Returns the bytes used.
size_t decodeBuffered(const uint8_t *p, size_t avail, charU16 *dst, size_t room, LineEnd lineEnd, size_t &stored,
                      bool &lineEnded) {
    const bool stopAtFeed = lineEnd != LineEnd::none;
    const uint8_t *const bufferEnd = p + avail;
    const uint8_t *end = bufferEnd;
    if (stopAtFeed) {
        if (const void *feed = memchr(p, lineFeed, avail)) end = static_cast<const uint8_t *>(feed);
    }
    const auto convertValid = chosen<&Kernels::utf8ToUtf16Bounded>();
    const uint8_t *q = p;
    size_t n = stored;
    for (;;) {
        convertValid(dst, n, q, end, room);
        if (n >= room || q == bufferEnd) break;
        const uint8_t c = *q;
        if (c < 0x80) {
            ++q;
            if (c == lineFeed && stopAtFeed) {
                if (lineEnd == LineEnd::keep) dst[n++] = lineFeed;
                lineEnded = true;
                break;
            }
            dst[n++] = c;
            continue;
        }
        // Past the buffer's end a zero, which no form takes: a form cut
        // there is left to the byte-by-byte reader.
        const size_t left = static_cast<size_t>(bufferEnd - q);
        const Utf8Step step = decodeUtf8(c, [q, left](uint32_t i) { return i < left ? q[i] : uint8_t{0}; });
        if (!step.valid || (step.value > 0xFFFF && room - n < 2)) break;
        n += storeScalar(dst + n, room - n, static_cast<int32_t>(step.value));
        q += step.length;
    }
    stored = n;
    return static_cast<size_t>(q - p);
}

// A field reader's invalid sequence: its bytes while room lasts, ASCII as
// itself and the rest as replacement. A byte that went back to the stream
// is read again as a character of its own; one that could not go back and
// is a delimiter ends the field (a line feed is stored first). True when
// the field ended.
bool storeBadBytes(const BadSequence &bad, charU16 *dst, size_t room, size_t &n, LineEnd lineEnd, charU16 replacement) {
    const uint32_t kept = bad.count - (bad.gaveBack ? 1u : 0u);
    for (uint32_t k = 0; k < kept && n < room; ++k) {
        const uint8_t b = bad.bytes[k];
        const bool last = k + 1 == bad.count;
        if (last && lineEnd == LineEnd::word && isByteDelimiter(b)) return true;
        dst[n++] = b < 0x80 ? b : replacement;
        if (last && b == lineFeed && lineEnd == LineEnd::keep) return true;
    }
    return false;
}

}  // namespace

int32_t readUtf8CharU16(FILE *stream, int firstByte, BadSequence *bad, int32_t *errorState) {
    const auto lead = static_cast<uint8_t>(firstByte);
    bad->gaveBack = false;
    if (lead < 0x80) return lead;
    if (lead >= 0xF5 && lead <= 0xF7) {
        *bad = {1, {lead}, false};
        return consumeBeyondRange(stream, bad, errorState);
    }
    bool endOfFile = false;
    uint8_t read[4] = {lead};
    uint32_t lastIndex = 0;
    const Utf8Step step = decodeUtf8(lead, [&](uint32_t i) -> uint8_t {
        if (endOfFile) return 0;
        const int c = plat::readByteLocked(stream);
        if (c == EOF) {
            endOfFile = true;
            return 0;
        }
        lastIndex = i;
        read[i] = static_cast<uint8_t>(c);
        return read[i];
    });
    if (step.valid) return static_cast<int32_t>(step.value);
    // A read error is no invalid input: the reader stops as at end of file
    // and errno stays the read's.
    if (endOfFile && plat::streamError(stream)) return EOF;
    if (lead == 0xF4 && step.length == 2 && !endOfFile && isTrail(read[1])) {
        *bad = {2, {lead, read[1]}, false};
        return consumeBeyondRange(stream, bad, errorState);
    }
    // The bytes examined; at end of file the missing byte is not one of them.
    const uint32_t count = endOfFile ? lastIndex + 1 : step.length;
    for (uint32_t i = 0; i < count; ++i) bad->bytes[i] = read[i];
    bad->count = static_cast<uint8_t>(count);
    // The byte that broke the sequence starts whatever follows: it goes back.
    if (!endOfFile && step.length >= 2) bad->gaveBack = plat::unreadByte(read[step.length - 1], stream) != EOF;
    return invalid(errorState);
}

ReadOutcome readUnits(FILE *stream, charU16 *dst, size_t room, LineEnd lineEnd, int32_t replacement) {
    ReadOutcome out;
    size_t n = 0;
    const bool word = lineEnd == LineEnd::word;
    bool started = !word;  // a word starts at its first unit that is not white space
    bool lineEnded = false;
    while (n < room) {
        if (!word) {
            const plat::BufferedBytes buffered = plat::bufferedInput(stream);
            if (buffered.count != 0) {
                const size_t used = decodeBuffered(buffered.bytes, buffered.count, dst, room, lineEnd, n, lineEnded);
                plat::consumeBuffered(stream, used);
                if (lineEnded || n >= room) break;
            }
        }
        const int c = plat::readByteLocked(stream);
        if (c == EOF) {
            out.endOfFile = true;
            break;
        }
        int32_t errorState = 0;
        BadSequence bad;
        const int32_t value = readUtf8CharU16(stream, c, &bad, &errorState);
        if (value == EOF) {
            out.endOfFile = true;
            break;
        }
        if (errorState != 0) {
            if (!out.sawInvalid) {
                out.sawInvalid = true;
                out.firstBad = bad;
            }
            started = true;
            if (replacement != noReplacement) {
                if (storeBadBytes(bad, dst, room, n, lineEnd, static_cast<charU16>(replacement))) break;
                continue;
            }
        } else if (word && isWhiteSpaceU16(static_cast<uint32_t>(value))) {
            if (started) break;
            continue;
        }
        started = true;
        if (value == lineFeed && (lineEnd == LineEnd::keep || lineEnd == LineEnd::consume)) {
            if (lineEnd == LineEnd::keep) dst[n++] = lineFeed;
            lineEnded = true;
            break;
        }
        n += storeScalar(dst + n, room - n, value);
    }
    // A line that filled the array exactly leaves only its line feed: that
    // is consumed too, so the next call starts on the next line.
    if (n >= room && !lineEnded && !out.endOfFile && lineEnd == LineEnd::consume) {
        const int c = plat::readByteLocked(stream);
        if (c != lineFeed && c != EOF) plat::unreadByte(c, stream);
    }
    out.stored = n;
    return out;
}

ReadOutcome readAndReport(FILE *stream, charU16 *dst, size_t room, LineEnd lineEnd, const char *text,
                          const char *sourceName, int32_t line) {
    const bool locked = plat::lockStream(stream);
    ReadOutcome out = readUnits(stream, dst, room, lineEnd);
    out.streamError = plat::streamError(stream);
    plat::unlockStream(stream, locked);
    if (!out.sawInvalid || traceLevel() <= traceNone) return out;
    // The report's own calls must not change the caller's errno.
    const int savedErrno = errno;
    char message[96];
    plat::formatNarrow(message, sizeof message, text, static_cast<unsigned>(plat::streamDescriptor(stream)));
    traceMessageU16(message, sourceName, line, false);
    traceBytesU16(out.firstBad.bytes, out.firstBad.count);
    traceLine("Characters previously read:");
    constexpr size_t shownUnits = 80;
    const size_t shown = out.stored < shownUnits ? out.stored : shownUnits;
    traceCharsU16(dst + (out.stored - shown), static_cast<int32_t>(shown));
    traceEndOfMessage();
    errno = savedErrno;
    return out;
}

}  // namespace qoru
