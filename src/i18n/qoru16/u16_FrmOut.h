// The printf engine: the per-call output context, the directive record, the
// three sinks, the directive parser, the conversions and the field layout.
//
// One buffer abstraction serves every target. Buffer targets are written in
// place (bounded ones truncate at their limit); a stream target is staged in
// a block of UTF-16 units on the engine's stack and handed to the stream
// writer whenever the block fills and at the end of the call, so a line of
// output costs one writer call rather than one per run or padding unit.
#ifndef QORU_U16_FRMOUT_H
#define QORU_U16_FRMOUT_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "i18n/qoru16/u16_format.h"

namespace qoru {

inline constexpr size_t unboundedLimit = SIZE_MAX;
// The most units one call may output: its result is an int.
inline constexpr size_t maxOutputUnits = INT32_MAX;
// Units a stream target stages before one write through the stream writer.
inline constexpr size_t streamStageUnits = 512;

// One per call, on the calling entry point's stack.
struct OutContext {
    FILE *stream;        // stream target; null for a buffer target
    charU16 *buffer;     // buffer target; null with limit 0, or to count only (unboundedLimit)
    size_t count;        // units output so far
    size_t limit;        // buffer capacity, terminator included; unboundedLimit when none
    const charU16 *format;
    va_list arguments;
    // Stream staging, set up by the engine.
    charU16 *stage;
    size_t staged;
    bool streamFailed;
    // The output would pass maxOutputUnits: nothing more goes out and the
    // call fails with EOVERFLOW, so no count wraps.
    bool overflowed;
};

inline constexpr int32_t inlineTextUnits = 1024;

// The record of one directive, reset before each directive.
struct OutSpec {
    int leftJustify;
    int plusSign;
    int spaceSign;
    int alternate;
    int zeroPad;
    int32_t width;
    int32_t precision;
    uint32_t lengthFlags;
    charU16 conversion;
    const charU16 *text;  // inlineText, a heap block (heapText) or the caller's string
    charU16 *heapText;    // a block to release after the directive, or null
    bool outOfMemory;     // the directive's text could not be allocated: the call fails
    size_t textLength;    // a caller's string may be longer than an int counts
    bool nonFinite;       // an infinity or NaN text: padded with blanks, never zeros
    int negative;
    charU16 signChar;
    int32_t signLength;
    int32_t padCount;
    charU16 inlineText[inlineTextUnits + 1];
};

void resetOutSpec(OutSpec &spec);
void releaseOutText(OutSpec &spec);

// Runs the whole format; returns the units output, or -1 (errno EOVERFLOW
// when they would be more than maxOutputUnits).
int32_t vvfprintfU16(OutContext &ctx);

// ---- Sinks ----------------------------------------------------------------
// Each returns the units output (counted in ctx.count) or -1 on a stream
// failure. A full bounded buffer is no failure: the sink outputs what fits
// (possibly nothing) and the engine stops once count reaches the limit. A
// buffer target without a buffer only counts. Every sink takes its n units
// through fitsCount first.

// False, marking the context overflowed, when n more units would take the
// count past maxOutputUnits.
inline bool fitsCount(OutContext &ctx, size_t n) {
    if (!ctx.overflowed && n <= maxOutputUnits - ctx.count) return true;
    ctx.overflowed = true;
    return false;
}

// Stream side of the sinks, out of line.
ptrdiff_t stageRun(OutContext &ctx, const charU16 *text, size_t n);
ptrdiff_t stageRepeat(OutContext &ctx, charU16 u, size_t n);
// Hands the staged units to the stream writer; false on a failed write.
bool flushStage(OutContext &ctx);

inline size_t bufferRoom(const OutContext &ctx) { return ctx.limit - ctx.count; }

// Short runs (most fields and literals) are copied in place; longer ones by memcpy.
inline void copyUnits(charU16 *to, const charU16 *from, size_t n) {
    constexpr size_t shortRun = 16;
    if (n <= shortRun) {
        for (size_t i = 0; i < n; ++i) to[i] = from[i];
    } else {
        memcpy(to, from, n * sizeof(charU16));
    }
}

inline ptrdiff_t outRun(OutContext &ctx, const charU16 *text, size_t n) {
    if (ctx.stream != nullptr) return fitsCount(ctx, n) ? stageRun(ctx, text, n) : -1;
    const size_t room = bufferRoom(ctx);
    if (n > room) n = room;
    if (!fitsCount(ctx, n)) return -1;
    if (ctx.buffer != nullptr) copyUnits(ctx.buffer + ctx.count, text, n);
    ctx.count += n;
    return static_cast<ptrdiff_t>(n);
}

inline ptrdiff_t outUnit(OutContext &ctx, charU16 u) { return outRun(ctx, &u, 1); }

inline ptrdiff_t outRepeat(OutContext &ctx, charU16 u, ptrdiff_t n) {
    if (n <= 0) return 0;
    size_t todo = static_cast<size_t>(n);
    if (ctx.stream != nullptr) return fitsCount(ctx, todo) ? stageRepeat(ctx, u, todo) : 0;
    const size_t room = bufferRoom(ctx);
    if (todo > room) todo = room;
    if (!fitsCount(ctx, todo)) return 0;
    if (ctx.buffer != nullptr) {
        charU16 *out = ctx.buffer + ctx.count;
        for (size_t i = 0; i < todo; ++i) out[i] = u;
    }
    ctx.count += todo;
    return static_cast<ptrdiff_t>(todo);
}

// ---- Directive grammar -------------------------------------------------------

// Fills spec (in its reset state) from p, just after the "%"; returns the
// units of the directive after the "%", or -1 after the format-error report.
int32_t parseOutDirective(OutSpec &spec, const charU16 *p, va_list &args);
// Flags "-", "+", " ", "#", "0"; returns the units consumed.
int32_t parseOutFlags(OutSpec &spec, const charU16 *p);
// After the ".": digits, "*" or nothing (precision 0); returns the units consumed.
int32_t parseOutPrecision(OutSpec &spec, const charU16 *p, va_list &args);
// True for the letters that take a sign, a "#" prefix and numeric padding:
// A E F G X a d e f g i o u x.
inline bool isNumericConversion(charU16 conversion) {
    constexpr uint64_t upper = (1ull << ('A' - 64)) | (1ull << ('E' - 64)) | (1ull << ('F' - 64)) |
                               (1ull << ('G' - 64)) | (1ull << ('X' - 64));
    constexpr uint64_t lower = (1ull << ('a' - 64)) | (1ull << ('d' - 64)) | (1ull << ('e' - 64)) |
                               (1ull << ('f' - 64)) | (1ull << ('g' - 64)) | (1ull << ('i' - 64)) |
                               (1ull << ('o' - 64)) | (1ull << ('u' - 64)) | (1ull << ('x' - 64));
    return conversion >= 64 && conversion < 128 && (((upper | lower) >> (conversion - 64)) & 1) != 0;
}

// ---- Conversions and layout --------------------------------------------------

// Takes the directive's argument and sets text, textLength and negative.
void convertOutArgument(OutSpec &spec, va_list &args);
void convertOutInteger(OutSpec &spec, uint64_t value, unsigned base, bool upperCase, int32_t precision,
                       bool alternate);
void convertOutFloat(OutSpec &spec, double value, bool longDouble, bool alternate, int32_t precision);
// "%f" text of a finite magnitude with precision up to 17, exact, into out
// (room for 40 units); its length, or -1 when the value needs the formatter.
int32_t writeFixedExact(charU16 *out, double magnitude, int32_t precision, bool alternate, charU16 point);
// "%a" ("%A" with upperCase) text of a finite magnitude without a precision:
// the shortest hexadecimal digits that hold it exactly, into out (room for 40
// units); its length.
int32_t writeHexExact(charU16 *out, double magnitude, bool alternate, bool upperCase, charU16 point);
// "%e" ("%E" with upperCase) and "%g" ("%G") texts of a finite magnitude with
// up to 17 significant digits, exact, into out (room for 40 units); the
// length, or -1 when the value needs the formatter.
int32_t writeExponentExact(charU16 *out, double magnitude, int32_t precision, bool alternate, bool upperCase,
                           charU16 point);
int32_t writeGeneralExact(charU16 *out, double magnitude, int32_t precision, bool alternate, bool upperCase,
                          charU16 point);
// Runs the conversion, then computes the sign and the padding.
void prepareOutField(OutSpec &spec, va_list &args);
// Outputs the field; the units output, or the first negative sink result.
ptrdiff_t emitOutField(const OutSpec &spec, OutContext &ctx);

// ---- Heap texts and the out-of-memory report ----------------------------------

// Heap texts and floating-point work blocks come from the heap seam
// (u16_heap.h) and go back to it after the directive.

// "vvfprintfU16 : malloc : Out of memory." to the standard error stream and
// the trace channel when the level is above 0; errno ENOMEM always.
void reportFormatOutOfMemory(int32_t line);

}  // namespace qoru

#endif
