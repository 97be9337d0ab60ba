// The field-width parser shared by the printf and scanf directive parsers.
#include "i18n/qoru16/u16_format.h"

namespace qoru {

int32_t parseFieldWidth(int32_t *width, const charU16 *p, va_list &args) {
    if (*p == u'*') {
        *width = va_arg(args, int);
        return 1;
    }
    if (!isDecimalDigit(*p)) return 0;
    // Unsigned arithmetic: an over-long digit run wraps instead of overflowing.
    uint32_t value = 0;
    int32_t used = 0;
    for (; isDecimalDigit(p[used]); ++used) value = value * 10 + static_cast<uint32_t>(p[used] - u'0');
    *width = static_cast<int32_t>(value);
    return used;
}

}  // namespace qoru
