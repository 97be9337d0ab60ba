// The scanf directive parser: suppression, width, length modifier and
// conversion character, in that order.
#include "i18n/qoru16/u16_FrmIn.h"

namespace qoru {
namespace {

bool isLengthUnit(charU16 u) {
    return u == u'I' || u == u'L' || u == u'h' || u == u'j' || u == u'l' || u == u't' || u == u'z';
}

bool isScanConversion(charU16 u) {
    switch (u) {
    case u'd': case u'i': case u'o': case u'u': case u'x': case u'X': case u'p':
    case u'a': case u'A': case u'e': case u'E': case u'f': case u'F': case u'g': case u'G':
    case u'c': case u's': case u'[': case u'n':
        return true;
    default:
        return false;
    }
}

}  // namespace

int32_t parseScanDirective(ScanDirective &directive, const charU16 *text, va_list &args) {
    directive.suppress = false;
    directive.width = noWidth;
    directive.lengthFlags = 0;
    int32_t pos = 0;
    if (text[pos] == u'*') {
        directive.suppress = true;
        ++pos;
    }
    // A "*" here can only follow the suppression "*": the width comes from
    // the argument list.
    if (text[pos] == u'*' || isDecimalDigit(text[pos])) pos += parseFieldWidth(&directive.width, text + pos, args);
    if (isLengthUnit(text[pos])) pos += parseLengthModifier(&directive.lengthFlags, text + pos);
    const charU16 conversion = text[pos];
    if (!isScanConversion(conversion)) {
        reportFormatError(text, conversion, __FILE__, __LINE__);
        return -1;
    }
    directive.conversion = conversion;
    return pos + 1;
}

}  // namespace qoru
