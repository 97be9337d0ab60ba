// The precision of a printf directive, after its ".".
#include "i18n/qoru16/u16_FrmOut.h"

namespace qoru {

// Digits (leading zeros allowed) give their value, "*" the next int argument;
// anything else gives precision 0 and consumes nothing.
int32_t parseOutPrecision(OutSpec &spec, const charU16 *p, va_list &args) {
    if (*p == u'*') {
        spec.precision = va_arg(args, int);
        return 1;
    }
    uint32_t value = 0;  // wraps on an over-long run instead of overflowing
    int32_t used = 0;
    for (; isDecimalDigit(p[used]); ++used) value = value * 10 + static_cast<uint32_t>(p[used] - u'0');
    spec.precision = static_cast<int32_t>(value);
    return used;
}

}  // namespace qoru
