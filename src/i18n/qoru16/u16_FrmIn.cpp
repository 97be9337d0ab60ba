// The scanf engine's main loop: ordinary characters, white-space runs and
// directives, with the early returns that tell "nothing matched" (0), "the
// input ended first" (-1) and the count of stored conversions apart.
#include "i18n/qoru16/u16_FrmIn.h"
#include "i18n/qoru16/u16_space.h"

namespace qoru {
namespace {

bool isWhiteSpaceUnit(int32_t unit) { return unit != endOfInput && isWhiteSpaceU16(static_cast<uint32_t>(unit)); }

// The field's first unit: "c" and "[" take the next unit as it is, the other
// conversions skip white space first (it is not given back).
int32_t readFieldStart(ScanInput &in, charU16 conversion) {
    int32_t unit = readUnit(in);
    if (conversion == u'c' || conversion == u'[') return unit;
    while (isWhiteSpaceUnit(unit)) unit = readUnit(in);
    return unit;
}

bool runConversion(ScanInput &in, const ScanDirective &directive, int32_t first, void *target) {
    switch (directive.conversion) {
    case u'c': return scanCharacters(in, directive, first, static_cast<charU16 *>(target));
    case u's': return scanWord(in, directive, first, static_cast<charU16 *>(target));
    case u'[': return scanSet(in, directive, first, static_cast<charU16 *>(target));
    case u'd': case u'i': case u'o': case u'u': case u'x': case u'X': case u'p':
        return scanIntegerField(in, directive, first, target);
    default: return scanFloatField(in, directive, first, target);
    }
}

}  // namespace

int32_t scanFormatted(ScanInput &in) {
    int32_t count = 0;
    bool matched = false;  // an ordinary character matched or a conversion was stored
    const charU16 *&format = in.formatPosition;
    for (;;) {
        const charU16 unit = *format;
        if (unit == 0) return count;
        if (unit == u'%' && format[1] != u'%') {
            ScanDirective directive;
            const int32_t used = parseScanDirective(directive, format + 1, in.argumentPosition);
            if (used < 0) return count;
            format += 1 + used;
            // The target is taken before any input is read.
            void *target = directive.suppress ? nullptr : va_arg(in.argumentPosition, void *);
            if (directive.conversion == u'n') {
                if (target != nullptr) storeConsumed(in, directive, target);
                continue;
            }
            const int32_t first = readFieldStart(in, directive.conversion);
            if (first == endOfInput) return matched ? count : -1;
            if (!runConversion(in, directive, first, target)) {
                if (matched) return count;
                return in.ended ? -1 : 0;
            }
            if (target != nullptr) {
                ++count;
                matched = true;
            }
            continue;
        }
        if (isWhiteSpaceU16(unit)) {
            // A run of white space in the format matches any run, even none.
            while (isWhiteSpaceU16(*format)) ++format;
            int32_t next = readUnit(in);
            while (isWhiteSpaceUnit(next)) next = readUnit(in);
            if (next != endOfInput) pushBackUnit(in, next);
            continue;
        }
        // An ordinary character; "%%" stands for one "%".
        if (unit == u'%') ++format;
        ++format;
        if (in.ended) continue;
        const int32_t next = readUnit(in);
        if (next == endOfInput) return matched ? count : -1;
        if (next != unit) {
            pushBackUnit(in, next);
            return matched ? count : 0;
        }
        matched = true;
    }
}

}  // namespace qoru
