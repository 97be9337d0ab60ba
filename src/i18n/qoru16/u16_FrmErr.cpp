// The format-string error report of the printf and scanf directive parsers.
#include <cstring>

#include "i18n/qoru16/u16_aux.h"
#include "i18n/qoru16/u16_format.h"

namespace qoru {

void reportFormatError(const charU16 *directiveText, charU16 badUnit, const char *sourceName, int32_t line) {
    if (traceLevel() < traceMedium) return;
    constexpr size_t messageCapacity = 128;
    char message[messageCapacity] = "Error in format string at or near 'Y':\n";
    size_t used = strlen(message);
    // The unit's low byte stands in for the Y; a zero byte (the format's
    // terminator) therefore ends the message right there.
    char *y = strchr(message, 'Y');
    *y = static_cast<char>(badUnit & 0xFF);
    for (const charU16 *p = directiveText; used < messageCapacity - 1; ++p) {
        const char byte = static_cast<char>(*p & 0xFF);
        if (byte == 0) break;
        message[used++] = byte;
    }
    message[used] = '\0';
    traceMessageU16(message, sourceName, line, true);
}

}  // namespace qoru
