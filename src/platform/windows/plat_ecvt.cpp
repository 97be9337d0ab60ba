// The digits of a double from the C runtime's _ecvt; the count is brought
// into the range every version of the runtime takes first.
#include "platform/platform.h"

#include <stdlib.h>

namespace plat {

const char *ecvtDigits(double value, int32_t count, int32_t *decimalPosition, int32_t *negative) {
    int position = 0;
    int sign = 0;
    // No digits for a count below 1, at most ecvtDigitsMax: the runtime's
    // own buffer bounds differ between its versions.
    const int32_t digits = count < 0 ? 0 : (count > ecvtDigitsMax ? ecvtDigitsMax : count);
    const char *text = _ecvt(value, digits, &position, &sign);
    *decimalPosition = position;
    *negative = sign;
    return text;
}

}  // namespace plat
