// The printf directive parser: flags, width, precision, length modifier and
// conversion letter, in that order.
#include "i18n/qoru16/u16_FrmOut.h"

namespace qoru {
namespace {

bool isFlagUnit(charU16 u) { return u == u'-' || u == u'+' || u == u' ' || u == u'#' || u == u'0'; }

bool isLengthUnit(charU16 u) {
    return u == u'I' || u == u'L' || u == u'h' || u == u'j' || u == u'l' || u == u't' || u == u'z';
}

bool isConversionLetter(charU16 u) {
    switch (u) {
    case u'%': case u'c': case u'p': case u's':
        return true;
    default:
        return isNumericConversion(u);
    }
}

}  // namespace

int32_t parseOutDirective(OutSpec &spec, const charU16 *p, va_list &args) {
    int32_t pos = 0;
    if (isFlagUnit(p[pos])) pos += parseOutFlags(spec, p + pos);
    if (p[pos] == u'*' || (p[pos] >= u'1' && p[pos] <= u'9')) pos += parseFieldWidth(&spec.width, p + pos, args);
    if (p[pos] == u'.') {
        ++pos;
        // A "." that ends the format leaves no precision (and no letter).
        if (p[pos] != 0) pos += parseOutPrecision(spec, p + pos, args);
    }
    if (isLengthUnit(p[pos])) pos += parseLengthModifier(&spec.lengthFlags, p + pos);
    const charU16 letter = p[pos];
    if (!isConversionLetter(letter)) {
        reportFormatError(p, letter, __FILE__, __LINE__);
        return -1;
    }
    spec.conversion = letter;
    return pos + 1;
}

}  // namespace qoru
