// The stream decoder shared by the stream readers, the field readers,
// fgetcU16 and (through readStreamCharacter) the scan engine.
#ifndef QORU_U16_GET_H
#define QORU_U16_GET_H

#include <cstdint>
#include <cstdio>

#include "qorucum/base.h"

namespace qoru {

// The bytes of an invalid sequence as far as they were read, the one that
// broke it included.
struct BadSequence {
    uint8_t count = 0;
    uint8_t bytes[4] = {};
    bool gaveBack = false;  // the last recorded byte went back to the stream
};

// Decodes one UTF-8 sequence whose first byte (never EOF) the caller has
// read; the stream's lock is held by the caller (plat::lockStream), further
// bytes come from plat::readByteLocked. Returns the scalar value, or '#'
// with errno and *errorState EILSEQ and the bytes in *bad when the sequence
// is invalid. A byte that cannot continue the sequence goes back to the
// stream (one ungetc) and is read next; it is still recorded in *bad. At end
// of file nothing goes back. A read error (the stream's error indicator set)
// within the sequence gives EOF, with errno as the read left it and nothing
// recorded.
int32_t readUtf8CharU16(FILE *stream, int firstByte, BadSequence *bad, int32_t *errorState);

// fgetcU16 that also tells whether the decoder gave a byte back to the
// stream in this call. Only one give-back per stream is guaranteed, so a
// caller that would push a unit back right after such a read keeps it
// itself instead of calling ungetc again. With wholeCharacter a
// supplementary character is its scalar value (above 0xFFFF), unreported;
// without it, fgetcU16's U+FFFD and its report.
int32_t readStreamCharacter(FILE *stream, bool *gaveBack, bool wholeCharacter);

// What the line, block and field readers stop at.
enum class LineEnd {
    none,     // a block: only the room or end of file stops
    keep,     // a line, its line feed stored (fgetsU16, fget_lineU16)
    consume,  // a line, its line feed consumed but not stored (getsU16, gets_sU16)
    word,     // a word: white space before it skipped, white space after it consumed
};

// The stream readers store an invalid sequence as '#' (noReplacement); the
// field readers store its bytes, ASCII as itself and the rest as their
// replacement unit, except a byte that went back to the stream.
inline constexpr int32_t noReplacement = -1;

// What one reader call met.
struct ReadOutcome {
    size_t stored = 0;        // units stored
    bool endOfFile = false;   // the read ended at end of file (or a read error)
    bool sawInvalid = false;  // some sequence was invalid
    bool streamError = false; // the stream's error indicator was set at the end
    BadSequence firstBad;     // the first invalid sequence of the call
};

// Reads into dst until room units are stored, end of file, or the line or
// word ends as lineEnd says. The caller holds the stream's lock. Runs of
// valid text already in the stream's buffer are decoded in place; the rest
// goes through readUtf8CharU16 byte by byte.
ReadOutcome readUnits(FILE *stream, charU16 *dst, size_t room, LineEnd lineEnd,
                      int32_t replacement = noReplacement);

// readUnits under the stream's lock (with the stream's error indicator as
// it was at the end), then, when the call met invalid input
// and the trace level is above 0, the reader report: text (a format whose
// "%x" takes the stream's descriptor) under the reader's source name and
// line without the trailer, the first bad sequence's bytes, "Characters
// previously read:", at most the last 80 units stored, the end-of-message
// line.
ReadOutcome readAndReport(FILE *stream, charU16 *dst, size_t room, LineEnd lineEnd, const char *text,
                          const char *sourceName, int32_t line);

// The clock of fgetcU16's rate limit: calendar seconds. Tests replace it.
using ReaderClock = int64_t (*)();
extern ReaderClock gReaderClock;

}  // namespace qoru

#endif
