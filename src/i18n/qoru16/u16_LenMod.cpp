// The length-modifier parser shared by the printf and scanf directive parsers.
#include "i18n/qoru16/u16_format.h"

namespace qoru {

int32_t parseLengthModifier(uint32_t *lengthFlags, const charU16 *p) {
    switch (p[0]) {
    case u'h':
        if (p[1] == u'h') {
            *lengthFlags = lengthHH;
            return 2;
        }
        *lengthFlags = lengthH;
        return 1;
    case u'l':
        if (p[1] == u'l') {
            *lengthFlags = lengthLL;
            return 2;
        }
        *lengthFlags = lengthL;
        return 1;
    case u'j': *lengthFlags = lengthJ; return 1;
    case u'z': *lengthFlags = lengthZ; return 1;
    case u't': *lengthFlags = lengthT; return 1;
    case u'L': *lengthFlags = lengthLongDouble; return 1;
    case u'I':
        if (p[1] == u'6' && p[2] == u'4') {
            *lengthFlags = lengthI64;
            return 3;
        }
        return 0;
    default: return 0;
    }
}

}  // namespace qoru
