// The printf engine and the stream side of its sinks.
#include "i18n/qoru16/u16_FrmOut.h"

#include <cerrno>
#include <cstdlib>

#include "i18n/qoru16/u16_digits.h"
#include "i18n/qoru16/u16_heap.h"
#include "i18n/qoru16/u16_put.h"
#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_strk.h"
#include "qorucum/string.h"

namespace qoru {
namespace {

bool isBounded(const OutContext &ctx) { return ctx.stream == nullptr && ctx.limit != unboundedLimit; }

// A directive that is one letter of d i u o x X s, with no flag, width,
// precision or length, is the common case. Its field is its text alone (and
// a "-" for a negative number), so the text goes straight to the sink
// without the directive record. Returns false for any other directive.
bool emitPlainDirective(OutContext &ctx, charU16 letter, ptrdiff_t &result) {
    charU16 digits[maxDigits64 + 1];
    charU16 *const end = digits + maxDigits64 + 1;
    charU16 *first;
    switch (letter) {
    case u'd':
    case u'i': {
        const int value = va_arg(ctx.arguments, int);
        const uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
        first = writeDecimalBackward(end, magnitude);
        if (value < 0) *--first = u'-';
        break;
    }
    case u'u':
        first = writeDecimalBackward(end, va_arg(ctx.arguments, unsigned int));
        break;
    case u'x':
    case u'X':
        first = writeHexBackward(end, va_arg(ctx.arguments, unsigned int), letter == u'X');
        break;
    case u'o':
        first = writePowerOfTwoBackward(end, va_arg(ctx.arguments, unsigned int), 3, false);
        break;
    case u's': {
        const charU16 *text = va_arg(ctx.arguments, const charU16 *);
        if (text == nullptr) text = u"(null)";
        result = outRun(ctx, text, strlenU16(text));
        return true;
    }
    default:
        return false;
    }
    result = outRun(ctx, first, static_cast<size_t>(end - first));
    return true;
}

}  // namespace

void resetOutSpec(OutSpec &spec) {
    spec.leftJustify = 0;
    spec.plusSign = 0;
    spec.spaceSign = 0;
    spec.alternate = 0;
    spec.zeroPad = 0;
    spec.width = -1;
    spec.precision = -1;
    spec.lengthFlags = 0;
    spec.conversion = 0;
    spec.text = nullptr;
    spec.heapText = nullptr;
    spec.outOfMemory = false;
    spec.textLength = 0;
    spec.nonFinite = false;
    spec.negative = 0;
    spec.signChar = 0;
    spec.signLength = 0;
    spec.padCount = 0;
}

void releaseOutText(OutSpec &spec) {
    if (spec.heapText != nullptr) {
        release(spec.heapText);
        spec.heapText = nullptr;
    }
    spec.text = nullptr;
}

bool flushStage(OutContext &ctx) {
    if (ctx.streamFailed) return false;
    const size_t n = ctx.staged;
    ctx.staged = 0;
    if (n == 0) return true;
    if (fwriteUtf8U16(ctx.stage, 1, n, ctx.stream, nullptr, false) != n) ctx.streamFailed = true;
    return !ctx.streamFailed;
}

// The stream writer joins a surrogate pair only within one run. Runs are
// staged together, so a high surrogate that ends one run and a low surrogate
// that starts the next go out in separate writer calls (each becoming "#"),
// and a block boundary never falls inside a pair of the same run.
ptrdiff_t stageRun(OutContext &ctx, const charU16 *text, size_t n) {
    if (ctx.streamFailed) return -1;
    if (n == 0) return 0;
    if (ctx.staged != 0 && isHighSurrogate(ctx.stage[ctx.staged - 1]) && isLowSurrogate(text[0]) &&
        !flushStage(ctx))
        return -1;
    size_t left = n;
    while (left != 0) {
        size_t take = streamStageUnits - ctx.staged;
        if (take >= left) {
            take = left;
        } else if (take != 0 && isHighSurrogate(text[take - 1]) && isLowSurrogate(text[take])) {
            --take;  // keep the pair for the next block
        }
        copyUnits(ctx.stage + ctx.staged, text, take);
        ctx.staged += take;
        text += take;
        left -= take;
        if (left != 0 && !flushStage(ctx)) return -1;
    }
    ctx.count += n;
    return static_cast<ptrdiff_t>(n);
}

// Padding: a failed write only shortens it; the next run reports the failure.
ptrdiff_t stageRepeat(OutContext &ctx, charU16 u, size_t n) {
    if (ctx.streamFailed) return 0;
    if (ctx.staged != 0 && isHighSurrogate(ctx.stage[ctx.staged - 1]) && isLowSurrogate(u) && !flushStage(ctx))
        return 0;
    size_t done = 0;
    while (done < n) {
        if (ctx.staged == streamStageUnits && !flushStage(ctx)) break;
        size_t take = streamStageUnits - ctx.staged;
        if (take > n - done) take = n - done;
        charU16 *out = ctx.stage + ctx.staged;
        for (size_t i = 0; i < take; ++i) out[i] = u;
        ctx.staged += take;
        done += take;
    }
    ctx.count += done;
    return static_cast<ptrdiff_t>(done);
}

int32_t vvfprintfU16(OutContext &ctx) {
    const charU16 *format = ctx.format;
    charU16 stage[streamStageUnits];
    ctx.stage = stage;
    ctx.staged = 0;
    ctx.streamFailed = false;
    ctx.overflowed = false;

    OutSpec spec;
    ptrdiff_t result = 0;
    size_t pos = 0;
    for (;;) {
        // One scan finds the next "%" or the end of the format.
        const size_t literal = static_cast<size_t>(findZeroOrUnitAnywhere(format + pos, u'%') - (format + pos));
        if (format[pos + literal] == 0) {
            result = outRun(ctx, format + pos, literal);
            break;
        }
        if (literal != 0) {
            result = outRun(ctx, format + pos, literal);
            if (result < 0) break;
            if (isBounded(ctx) && static_cast<size_t>(result) < literal) break;
        }
        pos += literal + 1;

        if (emitPlainDirective(ctx, format[pos], result)) {
            ++pos;
            if (result < 0) break;
            if (isBounded(ctx) && ctx.count >= ctx.limit) break;
            continue;
        }
        resetOutSpec(spec);
        const int32_t used = parseOutDirective(spec, format + pos, ctx.arguments);
        if (used < 0) {
            result = -1;
            break;
        }
        pos += static_cast<size_t>(used);
        prepareOutField(spec, ctx.arguments);
        if (spec.outOfMemory) {
            // A missing field would pass for a short text: the call fails
            // with ENOMEM, keeping what was written before the directive.
            releaseOutText(spec);
            result = -1;
            break;
        }
        result = emitOutField(spec, ctx);
        releaseOutText(spec);
        if (result < 0) break;
        if (isBounded(ctx) && ctx.count >= ctx.limit) break;
    }

    if (ctx.stream != nullptr) {
        if (!flushStage(ctx)) result = -1;
    } else if (ctx.buffer != nullptr && ctx.limit != 0) {
        ctx.buffer[ctx.count < ctx.limit ? ctx.count : ctx.limit - 1] = 0;
    }
    ctx.stage = nullptr;
    if (ctx.overflowed) errno = EOVERFLOW;
    if (result < 0 || ctx.overflowed) return -1;
    return static_cast<int32_t>(ctx.count);
}

}  // namespace qoru
