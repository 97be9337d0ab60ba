// strerrorU16: the C runtime's narrow error text, converted into one static
// UTF-16 buffer that every call overwrites; perrorU16 converts into a buffer
// of its own through the same code.
#include "flat/nlsui1_strerror.h"

#include <cerrno>

#include "flat/nlsui1_narrow.h"
#include "flat/nlsui1_utf8.h"
#include "i18n/qoru16/u16_aux.h"
#include "platform/platform.h"
#include "qorucum/stdio.h"

namespace qoru {
namespace {

charU16 werror[errorTextCapacity];

}  // namespace

ErrorTextSource gErrorTextSource = plat::errorText;

charU16 *errorTextU16(int32_t errnum, charU16 (&dst)[errorTextCapacity]) {
    const char *text = gErrorTextSource(errnum);
    if (text == nullptr) return nullptr;
    size_t stored = Utf8sToU2s(dst, text, errorTextCapacity);
    if (stored == utf8Invalid) {
        traceInvalidUtf8U16(dst, text, errorTextCapacity, __FILE__, __LINE__, "strerrorU16");
        char replacement[errorTextCapacity];
        narrowSnprintf(replacement, sizeof replacement, "Could not convert error no. %d to UTF-16 characters",
                       errnum);
        stored = Utf8sToU2s(dst, replacement, errorTextCapacity);
        errno = EILSEQ;
    }
    if (stored == errorTextCapacity) {
        // The converter filled the array without a terminator: keep the first
        // 511 units as a proper string.
        dst[errorTextCapacity - 1] = 0;
        traceArrayTooSmall("strerrorU16", "werror", "MAX_ERROR_LN", __FILE__, __LINE__);
        errno = ENAMETOOLONG;
    }
    return dst;
}

}  // namespace qoru

extern "C" QORUCUM_API charU16 *strerrorU16(int32_t errnum) { return qoru::errorTextU16(errnum, qoru::werror); }
