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

// A valid two- or three-byte form starts at p (its bytes are in the buffer).
bool isTwoByteAt(const uint8_t *p) { return p[0] >= 0xC2 && p[0] < 0xE0 && isTrail(p[1]); }
bool isThreeByteAt(const uint8_t *p) {
    return p[0] >= 0xE0 && p[0] < 0xF0 && threeByteSecondOk(p[0], p[1]) && isTrail(p[2]);
}

// Sixteen ASCII bytes at p (none a line feed when stopAtFeed) widened into
// dst; false, with nothing stored, when the block holds anything else. The
// test takes two words; the widening is one vector conversion, which every
// architecture's compiler makes two unpacking instructions of.
using ByteBlock = uint8_t __attribute__((vector_size(16)));
using UnitBlock = uint16_t __attribute__((vector_size(32)));
bool widenAsciiBlock(const uint8_t *p, charU16 *dst, bool stopAtFeed) {
    constexpr uint64_t ones = 0x0101010101010101u;
    constexpr uint64_t highBits = 0x8080808080808080u;
    uint64_t w[2];
    memcpy(w, p, sizeof w);
    uint64_t stops = (w[0] | w[1]) & highBits;
    if (stopAtFeed) {
        // A byte equal to the line feed becomes zero; a zero byte sets its high bit.
        for (const uint64_t word : w) {
            const uint64_t x = word ^ (ones * lineFeed);
            stops |= (x - ones) & ~x & highBits;
        }
    }
    if (stops != 0) return false;
    ByteBlock bytes;
    memcpy(&bytes, p, sizeof bytes);
    const UnitBlock units = __builtin_convertvector(bytes, UnitBlock);
    memcpy(dst, &units, sizeof units);
    return true;
}

// Bytes in the stream's buffer decoded in place: ASCII sixteen at a time,
// valid longer forms one by one; stops before anything else (invalid input,
// a form within four bytes of the buffer's end, a pair within one unit of
// the room), at the room, or after a line feed as lineEnd says. Returns the bytes used.
size_t decodeBuffered(const uint8_t *p, size_t avail, charU16 *dst, size_t room, LineEnd lineEnd, size_t &stored,
                      bool &lineEnded) {
    size_t i = 0;
    size_t n = stored;
    const bool stopAtFeed = lineEnd != LineEnd::none;
    // The CPU's block kernel first, where it has one, up to the line feed
    // when one ends the read; it leaves the last bytes before that end, and
    // anything it does not take, to the loop below.
    if (const auto convertValid = chosen<&qoru::Kernels::utf8ToUtf16Bounded>()) {
        const uint8_t *end = p + avail;
        if (stopAtFeed) {
            if (const void *feed = memchr(p, lineFeed, avail)) end = static_cast<const uint8_t *>(feed);
        }
        const uint8_t *q = p;
        convertValid(dst, n, q, end, room);
        i = static_cast<size_t>(q - p);
    }
    for (;;) {
        // While four bytes and two units of room remain, the common forms
        // need no limit test of their own.
        while (avail - i >= 4 && room - n >= 2) {
            const uint8_t c = p[i];
            if (c < 0x80) {
                // A lone blank between words of other scripts is not worth a block test.
                if (p[i + 1] < 0x80 && avail - i >= 16 && room - n >= 16 && widenAsciiBlock(p + i, dst + n, stopAtFeed)) {
                    i += 16;
                    n += 16;
                    continue;
                }
                if (c == lineFeed && stopAtFeed) break;
                dst[n++] = c;
                ++i;
            } else if (isThreeByteAt(p + i)) {
                // Words of one script in a tight loop, the blank between two
                // of them taken inside it: a word's end then costs one
                // mispredicted jump rather than two.
                do {
                    dst[n++] = static_cast<charU16>(threeByteValue(p[i], p[i + 1], p[i + 2]));
                    i += 3;
                    if (p[i] == 0x20 && avail - i >= 5 && room - n >= 3 && isThreeByteAt(p + i + 1)) {
                        dst[n++] = p[i++];
                    }
                } while (avail - i >= 4 && room - n >= 2 && isThreeByteAt(p + i));
            } else if (isTwoByteAt(p + i)) {
                do {
                    dst[n++] = static_cast<charU16>(twoByteValue(p[i], p[i + 1]));
                    i += 2;
                    if (p[i] == 0x20 && avail - i >= 5 && room - n >= 3 && isTwoByteAt(p + i + 1)) {
                        dst[n++] = p[i++];
                    }
                } while (avail - i >= 4 && room - n >= 2 && isTwoByteAt(p + i));
            } else if (c >= 0xF0 && c <= 0xF4 && fourByteSecondOk(c, p[i + 1]) && isTrail(p[i + 2]) &&
                       isTrail(p[i + 3])) {
                const char32_t value = fourByteValue(c, p[i + 1], p[i + 2], p[i + 3]);
                dst[n++] = highSurrogate(value);
                dst[n++] = lowSurrogate(value);
                i += 4;
            } else {
                break;
            }
        }
        // One ASCII step with its limits tested (near the ends, a line
        // feed); the byte-by-byte decoder takes anything else.
        if (n >= room || i >= avail || p[i] >= 0x80) break;
        const uint8_t c = p[i++];
        if (c == lineFeed && stopAtFeed) {
            if (lineEnd == LineEnd::keep) dst[n++] = lineFeed;
            lineEnded = true;
            break;
        }
        dst[n++] = c;
    }
    stored = n;
    return i;
}

// A field reader's invalid sequence: its bytes while room lasts, ASCII as
// itself and the rest as replacement. A byte that went back to the stream
// is read again as a character of its own; one that could not go back and
// is a delimiter ends the field (a line feed is stored first). True when
// the field ended.
bool storeBadBytes(const BadSequence &bad, charU16 *dst, size_t room, size_t &n, LineEnd lineEnd,
                   charU16 replacement) {
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
    plat::lockStream(stream);
    ReadOutcome out = readUnits(stream, dst, room, lineEnd);
    out.streamError = plat::streamError(stream);
    plat::unlockStream(stream);
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
