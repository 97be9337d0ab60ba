// The scanf engine: the per-call input record with its read and push-back
// primitives, the directive record, the directive parser and the
// conversions.
//
// String input is read in place: the read primitive is inline and its string
// branch is a load and a compare. Stream input goes through the stream
// decoder, one character per UTF-8 sequence (a supplementary one as its two
// units), with one unit of push-back of its own.
#ifndef QORU_U16_FRMIN_H
#define QORU_U16_FRMIN_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "i18n/qoru16/u16_format.h"

namespace qoru {

inline constexpr int32_t emptyPushBack = -2;
inline constexpr int32_t endOfInput = -1;

// One per call, on the calling entry point's stack.
struct ScanInput {
    FILE *stream;              // null for string input
    const charU16 *position;   // next unit of the input string
    const charU16 *start;      // the input string's first unit
    int32_t pushBack;          // emptyPushBack, or one unit the next read returns
    // Stream input: the low surrogate of a supplementary character whose high
    // one was read last; read after the push-back slot.
    int32_t pendingLow = emptyPushBack;
    int64_t consumed;          // stream input: units taken so far, less those pushed back
    bool ended;                // a read met the end of the input or a read error
    bool gaveBack;             // the decoder's last read left a byte given back in the stream
    // Stream input: the bytes the stream has buffered (the call holds its
    // lock). ASCII bytes are taken here in place; those between start and
    // next are read but not yet marked read in the stream (settleStream).
    const unsigned char *bufferedStart;
    const unsigned char *bufferedNext;
    const unsigned char *bufferedEnd;
    const charU16 *formatPosition;
    va_list argumentPosition;
};

// Stream side of the primitives, out of line.
int32_t readStreamUnit(ScanInput &in);
void pushBackStreamUnit(ScanInput &in, int32_t unit);
// Takes a fresh view of the stream's buffer; settleStream marks the bytes
// taken from the view as read in the stream, before any other operation on
// it and at the end of the call.
void viewStream(ScanInput &in);
void settleStream(ScanInput &in);

// One code unit, or endOfInput (which sets ended). Once ended is set every
// further read gives endOfInput without touching the input: a string's
// position stays on its terminator, a stream is not read again.
inline int32_t readUnit(ScanInput &in) {
    if (in.stream == nullptr) {
        const int32_t unit = *in.position;
        if (unit == 0) {
            in.ended = true;
            return endOfInput;
        }
        ++in.position;
        return unit;
    }
    if (in.ended) return endOfInput;
    int32_t unit;
    if (in.pushBack == emptyPushBack && in.pendingLow == emptyPushBack && in.bufferedNext != in.bufferedEnd &&
        *in.bufferedNext < 0x80) {
        // An ASCII byte is the unit the decoder would give for it.
        unit = *in.bufferedNext++;
        in.gaveBack = false;  // a byte given back earlier has been read now
    } else {
        unit = readStreamUnit(in);
        if (unit == endOfInput) {
            in.ended = true;
            return endOfInput;
        }
    }
    ++in.consumed;
    return unit;
}

// Gives back the unit just read; callers never push back endOfInput, and
// after it nothing is pushed back at all.
inline void pushBackUnit(ScanInput &in, int32_t unit) {
    if (in.stream == nullptr) {
        --in.position;
        return;
    }
    --in.consumed;
    pushBackStreamUnit(in, unit);
}

// Units taken from the input so far, less those pushed back: for a string
// the distance its position has moved.
inline int64_t consumedUnits(const ScanInput &in) {
    return in.stream == nullptr ? in.position - in.start : in.consumed;
}

// ---- Directives ------------------------------------------------------------

struct ScanDirective {
    bool suppress;         // "*": read, not stored, not counted
    int32_t width;         // maximum units of the field; noWidth when none
    uint32_t lengthFlags;  // the length code, 0 without a modifier
    charU16 conversion;
};

inline constexpr int32_t noWidth = -1;

// Size-class bits: they decide the width of numeric stores.
inline constexpr uint32_t sizeLong = 0x1;     // l, ll, L, I64: double for floating point
inline constexpr uint32_t size64 = 0x2;       // 64-bit integers, double
inline constexpr uint32_t sizeShort = 0x4;    // h
inline constexpr uint32_t sizeChar = 0x8;     // hh

// The class bits of the length flags; a "p" target is always 64 bits wide.
inline uint32_t lengthSizeClass(const ScanDirective &directive) {
    uint32_t bits = 0;
    switch (directive.lengthFlags) {
    case lengthL: bits = sizeLong; break;
    case lengthZ: bits = size64; break;
    case lengthLL: case lengthLongDouble: case lengthI64: bits = sizeLong | size64; break;
    case lengthH: bits = sizeShort; break;
    case lengthHH: bits = sizeChar; break;
    default: break;  // none, j, t: the plain width
    }
    if (directive.conversion == u'p') bits = (bits & ~(sizeLong | sizeShort)) | size64;
    return bits;
}

// Fills directive from text, just after the "%"; returns the units through
// the conversion character, or -1 after the format-error report.
int32_t parseScanDirective(ScanDirective &directive, const charU16 *text, va_list &args);

// Runs the whole format; returns the call's result.
int32_t scanFormatted(ScanInput &in);

// The units of one field: the first one is taken already; next() reads
// another only while the width allows, so every unit of the field (a sign, a
// prefix, a spelling) counts toward it. A width of 0 or below takes one unit.
class FieldReader {
public:
    FieldReader(ScanInput &in, int32_t width)
        : in_(in), limit_(width == noWidth ? SIZE_MAX : static_cast<size_t>(width < 1 ? 1 : width)) {}
    // The next unit, or endOfInput when the width is reached or the input ended.
    int32_t next() {
        if (taken_ >= limit_) return endOfInput;
        const int32_t unit = readUnit(in_);
        if (unit != endOfInput) ++taken_;
        return unit;
    }
    // Gives back the unit just read.
    void giveBack(int32_t unit) {
        pushBackUnit(in_, unit);
        --taken_;
    }
    size_t taken() const { return taken_; }
    // Whether the width leaves room for more units.
    bool fits(size_t more) const { return limit_ - taken_ >= more; }

private:
    ScanInput &in_;
    size_t limit_;
    size_t taken_ = 1;
};

// ---- Conversions ---------------------------------------------------------------
// Each takes the field's first unit (already read, not endOfInput) and the
// target (null when suppressed); returns false when the conversion fails.

bool scanIntegerField(ScanInput &in, const ScanDirective &directive, int32_t first, void *target);
bool scanFloatField(ScanInput &in, const ScanDirective &directive, int32_t first, void *target);
bool scanCharacters(ScanInput &in, const ScanDirective &directive, int32_t first, charU16 *target);
bool scanWord(ScanInput &in, const ScanDirective &directive, int32_t first, charU16 *target);
// The set is read from the format at in.formatPosition (just after the "["),
// which then moves past its closing "]".
bool scanSet(ScanInput &in, const ScanDirective &directive, int32_t first, charU16 *target);
// Stores the units consumed with the width of the size class.
void storeConsumed(const ScanInput &in, const ScanDirective &directive, void *target);

// Stores an integer value truncated to the width of the size class.
void storeInteger(void *target, uint32_t sizeClass, uint64_t value);

}  // namespace qoru

#endif
