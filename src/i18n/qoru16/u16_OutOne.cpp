// The one-directive path. It takes only formats whose whole output it can
// know before writing (no cut, no error, no null string), so every result
// equals the engine's; anything else is declined before a unit is written.
#include "i18n/qoru16/u16_OutOne.h"

#include "i18n/qoru16/u16_FrmOut.h"
#include "i18n/qoru16/u16_digits.h"
#include "qorucum/string.h"

namespace qoru {

int32_t formatOneDirective(charU16 *buffer, size_t limit, const charU16 *format, va_list args) {
    if (buffer == nullptr || format == nullptr) return oneDirectiveDeclined;
    const charU16 *percent = format;
    while (*percent != u'%') {
        if (*percent == 0) return oneDirectiveDeclined;
        ++percent;
    }
    const charU16 letter = percent[1];
    if (letter != u'd' && letter != u's') return oneDirectiveDeclined;
    const charU16 *const tail = percent + 2;
    const charU16 *tailEnd = tail;
    for (; *tailEnd != 0; ++tailEnd)
        if (*tailEnd == u'%') return oneDirectiveDeclined;

    charU16 digits[maxDigits64 + 1];
    const charU16 *text;
    size_t textLength;
    if (letter == u'd') {
        const int value = va_arg(args, int);
        const uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
        charU16 *const end = digits + maxDigits64 + 1;
        charU16 *first = writeDecimalBackward(end, magnitude);
        if (value < 0) *--first = u'-';
        text = first;
        textLength = static_cast<size_t>(end - first);
    } else {
        text = va_arg(args, const charU16 *);
        textLength = text != nullptr ? strlenU16(text) : 0;
    }
    if (text == nullptr) return oneDirectiveDeclined;  // "(null)": the engine's text

    const size_t head = static_cast<size_t>(percent - format);
    const size_t tailLength = static_cast<size_t>(tailEnd - tail);
    const size_t total = head + textLength + tailLength;
    // A cut, or a count beyond the result's range, is the engine's to report.
    if (total >= limit || total > INT32_MAX) return oneDirectiveDeclined;
    copyUnits(buffer, format, head);
    copyUnits(buffer + head, text, textLength);
    copyUnits(buffer + head + textLength, tail, tailLength);
    buffer[total] = 0;
    return static_cast<int32_t>(total);
}

}  // namespace qoru
