// The printf field layout: blanks, sign, alternate-form prefix, zeros, the
// converted text and trailing blanks, through the engine's sinks.
#include "i18n/qoru16/u16_FrmOut.h"

namespace qoru {
namespace {

// Units of text that count for the field: a lone zero unit counts for
// nothing, except as the text of '%c', which is one unit wide whatever it is.
size_t fieldTextLength(const OutSpec &spec) {
    return spec.conversion != u'c' && spec.textLength == 1 && spec.text[0] == 0 ? 0 : spec.textLength;
}

bool takesPrefix(const OutSpec &spec, size_t length) {
    if (!spec.alternate || spec.text == nullptr || !isNumericConversion(spec.conversion)) return false;
    return length != 0 && !(length == 1 && spec.text[0] == u'0');
}

bool isUnsignedConversion(charU16 c) { return c == u'o' || c == u'u' || c == u'x' || c == u'X'; }

}  // namespace

void prepareOutField(OutSpec &spec, va_list &args) {
    convertOutArgument(spec, args);
    if (spec.text == nullptr) return;
    const size_t length = fieldTextLength(spec);
    const charU16 c = spec.conversion;
    if (isNumericConversion(c) && !isUnsignedConversion(c)) {
        spec.signChar = spec.negative ? u'-' : spec.plusSign ? u'+' : spec.spaceSign ? u' ' : 0;
        spec.signLength = spec.signChar != 0 ? 1 : 0;
    }
    if (spec.width == -1) return;
    int64_t pad = int64_t{spec.width} - spec.signLength - static_cast<int64_t>(length);
    if (takesPrefix(spec, length)) pad -= c == u'o' ? 1 : (c == u'x' || c == u'X') ? 2 : 0;
    spec.padCount = pad > 0 ? static_cast<int32_t>(pad) : 0;
}

ptrdiff_t emitOutField(const OutSpec &spec, OutContext &ctx) {
    // A precision below the width switches zero padding off, for every letter;
    // zeros before an infinity or NaN would make a text no number reader takes.
    const bool belowWidth = spec.precision != -1 && spec.width != -1 && spec.precision < spec.width;
    const bool zeros = spec.zeroPad && !spec.leftJustify && !belowWidth && !spec.nonFinite;
    ptrdiff_t total = 0;
    if (!spec.leftJustify && !zeros) total += outRepeat(ctx, u' ', spec.padCount);
    if (spec.signLength != 0) {
        const ptrdiff_t r = outUnit(ctx, spec.signChar);
        if (r < 0) return r;
        total += r;
    }
    if (takesPrefix(spec, spec.text ? fieldTextLength(spec) : 0)) {
        const charU16 c = spec.conversion;
        const charU16 prefix[2] = {u'0', c == u'X' ? u'X' : u'x'};
        const size_t units = c == u'o' ? 1 : (c == u'x' || c == u'X') ? 2 : 0;
        for (size_t i = 0; i < units; ++i) {
            const ptrdiff_t r = outUnit(ctx, prefix[i]);
            if (r < 0) return r;
            total += r;
        }
    }
    if (zeros) total += outRepeat(ctx, u'0', spec.padCount);
    if (spec.text == nullptr) return total;
    const ptrdiff_t r = spec.conversion == u'c' ? outUnit(ctx, spec.text[0])
                                               : outRun(ctx, spec.text, spec.textLength);
    if (r < 0) return r;
    total += r;
    if (spec.leftJustify) total += outRepeat(ctx, u' ', spec.padCount);
    return total;
}

}  // namespace qoru
