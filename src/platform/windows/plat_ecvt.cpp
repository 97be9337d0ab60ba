// The digits of a double from the C runtime's _ecvt; counts beyond what the
// platform promises are brought into range first.
#include "platform/platform.h"

#include <stdlib.h>

namespace plat {

const char *ecvtDigits(double value, int32_t count, int32_t *decimalPosition, int32_t *negative) {
    int position = 0;
    int sign = 0;
    const char *digits = _ecvt(value, count > ecvtDigitsMax ? ecvtDigitsMax : count, &position, &sign);
    *decimalPosition = position;
    *negative = sign;
    return digits;
}

}  // namespace plat
