// perrorU16: the caller's text, ": ", the UTF-16 error text of errno and a
// line feed on the standard error stream. A null text writes the error text
// alone, as the C runtime's perror does. The text is converted into a buffer
// of this call's own, so threads may call it at once.
#include <cerrno>

#include "flat/nlsui1_strerror.h"
#include "i18n/qoru16/u16_put.h"
#include "platform/platform.h"
#include "qorucum/stdio.h"
#include "qorucum/string.h"

extern "C" QORUCUM_API void perrorU16(const charU16 *s) {
    const int errnum = errno;
    charU16 buffer[qoru::errorTextCapacity];
    const charU16 *text = qoru::errorTextU16(errnum, buffer);
    FILE *err = plat::standardError();
    const qoru::StreamLock lock(err);
    if (s != nullptr) {
        qoru::fwriteUtf8U16(s, 1, strlenU16(s), err, nullptr, true);
        fputs(": ", err);
    }
    if (text != nullptr) qoru::fwriteUtf8U16(text, 1, strlenU16(text), err, nullptr, false);
    fputc('\n', err);
}
