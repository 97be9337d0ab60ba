// The stream decoder shared by the stream readers, the field readers and,
// through fgetcU16, the scan engine.
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
};

// Decodes one UTF-8 sequence whose first byte (never EOF) the caller has
// read; the stream's lock is held by the caller (plat::lockStream), further
// bytes come from plat::readByteLocked. Returns the scalar value, or '#'
// with errno and *errorState EILSEQ and the bytes in *bad when the sequence
// is invalid. A byte that cannot continue the sequence goes back to the
// stream (one ungetc) and is read next; it is still recorded in *bad. At end
// of file nothing goes back.
int32_t readUtf8CharU16(FILE *stream, int firstByte, BadSequence *bad, int32_t *errorState);

// fgetcU16 that also tells whether the decoder gave a byte back to the
// stream in this call. Only one give-back per stream is guaranteed, so a
// caller that would push a unit back right after such a read keeps it
// itself instead of calling ungetc again.
int32_t fgetcU16Tracked(FILE *stream, bool *gaveBack);

// Stores a scalar value as one unit or a pair at dst; room is the units
// left (at least 1). A pair that finds one unit of room keeps its high
// surrogate. Returns the units stored.
int32_t storeScalar(charU16 *dst, int32_t room, int32_t value);

// The clock of fgetcU16's rate limit: calendar seconds. Tests replace it.
using ReaderClock = int64_t (*)();
extern ReaderClock gReaderClock;

}  // namespace qoru

#endif
