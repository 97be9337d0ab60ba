// ecvtU16: the digits of a double from the platform's _ecvt, converted into
// one static UTF-16 array that every call overwrites.
#include <cerrno>

#include "flat/nlsui1_utf8.h"
#include "i18n/qoru16/u16_aux.h"
#include "platform/platform.h"
#include "qorucum/stdlib.h"

namespace qoru {
namespace {

constexpr size_t maxNDigits = 128;
charU16 wstring[maxNDigits];

}  // namespace
}  // namespace qoru

extern "C" QORUCUM_API charU16 *ecvtU16(double value, int32_t count, int32_t *decimalPosition, int32_t *negative) {
    using namespace qoru;
    // errno is never changed, whatever the runtime does inside.
    const int savedErrno = errno;
    // A null pointer only means the caller does not want that value.
    int32_t unusedPosition = 0;
    int32_t unusedSign = 0;
    const char *digits = plat::ecvtDigits(value, count, decimalPosition != nullptr ? decimalPosition : &unusedPosition,
                                          negative != nullptr ? negative : &unusedSign);
    charU16 *result = nullptr;
    if (digits != nullptr) {
        if (Utf8sToU2s(wstring, digits, maxNDigits) == maxNDigits) {
            // The digits filled the array without a terminator: keep 127.
            traceArrayTooSmall("excvtU16", "wstring", "MAX_NDIGITS", __FILE__, __LINE__);
            wstring[maxNDigits - 1] = 0;
        }
        result = wstring;
    }
    errno = savedErrno;
    return result;
}
