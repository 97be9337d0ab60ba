// The flags of a printf directive.
#include "i18n/qoru16/u16_FrmOut.h"

namespace qoru {

// At most five units are examined. A repeated "-" is harmless; any other
// repeated flag ends the flags unconsumed, which leaves the directive invalid.
int32_t parseOutFlags(OutSpec &spec, const charU16 *p) {
    constexpr int32_t maxFlagUnits = 5;
    int32_t used = 0;
    for (; used < maxFlagUnits; ++used) {
        int *flag;
        switch (p[used]) {
        case u'-':
            spec.leftJustify = 1;
            continue;
        case u'+': flag = &spec.plusSign; break;
        case u' ': flag = &spec.spaceSign; break;
        case u'#': flag = &spec.alternate; break;
        case u'0': flag = &spec.zeroPad; break;
        default: return used;
        }
        if (*flag) return used;
        *flag = 1;
    }
    return used;
}

}  // namespace qoru
