// The printf conversions: each directive's argument becomes UTF-16 text.
// Integers are written by the library's digit writer; floating-point values
// by the library's exact digits where they reach, others by the platform's
// narrow formatter, widened unit by unit.
#include <cerrno>
#include <cmath>
#include <cstring>

#include "i18n/qoru16/u16_FrmOut.h"
#include "i18n/qoru16/u16_aux.h"
#include "i18n/qoru16/u16_digits.h"
#include "i18n/qoru16/u16_heap.h"
#include "platform/platform.h"
#include "qorucum/string.h"

namespace qoru {

void reportFormatOutOfMemory(int32_t line) {
    if (traceLevel() > traceNone) {
        constexpr char message[] = "vvfprintfU16 : malloc : Out of memory.";
        FILE *err = plat::standardError();
        fputs(message, err);
        fputs("\n", err);
        traceMessageU16(message, __FILE__, line, true);
    }
    errno = ENOMEM;
}

namespace {

// Room for a text of units code units and its terminator: the record's inline
// text, or a heap block the engine releases after the directive. Null (after
// the report) when the heap refuses.
charU16 *textStorage(OutSpec &spec, size_t units) {
    if (units <= static_cast<size_t>(inlineTextUnits)) return spec.inlineText;
    auto *block = static_cast<charU16 *>(allocate(units + 1, sizeof(charU16)));
    if (block == nullptr) {
        reportFormatOutOfMemory(__LINE__);
        spec.outOfMemory = true;
        return nullptr;
    }
    spec.heapText = block;
    return block;
}

void setFixedText(OutSpec &spec, const char16_t *text, int32_t length) {
    memcpy(spec.inlineText, text, static_cast<size_t>(length + 1) * sizeof(charU16));
    spec.text = spec.inlineText;
    spec.textLength = static_cast<size_t>(length);
}

bool isWideInteger(uint32_t lengthFlags) { return (lengthFlags & (lengthLL | lengthI64)) != 0; }

// The narrow work buffer of a floating-point text: the stack block serves
// precisions up to 16 for any value and up to 291 for values below 1e40.
constexpr size_t floatStackBytes = 336;

size_t floatWorkBytes(charU16 conversion, int32_t precision, double magnitude) {
    const size_t p = static_cast<size_t>(precision);
    if (conversion != u'f' && conversion != u'F') return precision > 320 ? p + 16 : floatStackBytes;
    const bool fits = (precision <= 16 && !(magnitude > 1e305)) || (precision <= 40 && magnitude < 1e280) ||
                      (precision <= 291 && magnitude < 1e40);
    return fits ? floatStackBytes : p + 640;
}

}  // namespace

void convertOutInteger(OutSpec &spec, uint64_t value, unsigned base, bool upperCase, int32_t precision,
                       bool alternate) {
    const bool octalAlternate = spec.conversion == u'o' && alternate;
    const int32_t digits = value == 0 && precision == 0 && !octalAlternate ? 0 : countDigits(value, base);
    int32_t zeros = 0;
    if (precision > digits) {
        zeros = precision - digits;
        if (octalAlternate) --zeros;  // the layout's "0" prefix stands for one of them
    }
    const size_t total = static_cast<size_t>(zeros) + static_cast<size_t>(digits);
    charU16 *out = textStorage(spec, total);
    if (out == nullptr) return;
    for (int32_t i = 0; i < zeros; ++i) out[i] = u'0';
    if (digits != 0) writeDigitsBackward(out + total, value, base, upperCase);
    out[total] = 0;
    spec.text = out;
    spec.textLength = total;
}

// An "L" argument has been read as the caller passes it and arrives here as
// a double: the narrow formatter never sees a long-double directive.
void convertOutFloat(OutSpec &spec, double value, bool longDouble, bool alternate, int32_t precision) {
    (void)longDouble;
    const int32_t p = precision < 0 ? 6 : precision;
    const charU16 conversion = spec.conversion;
    const bool upperCase = conversion == u'E' || conversion == u'G' || conversion == u'A';
    const bool finite = std::isfinite(value);
    spec.nonFinite = !finite;
    int32_t exact = -1;
    const charU16 point = static_cast<unsigned char>(plat::decimalPoint());
    if (conversion == u'a' || conversion == u'A') {
        // Without a precision the text is exact; a cut hexadecimal fraction
        // stays with the formatter: glibc rounds a tie to even, mingw-w64
        // away from zero.
        if (precision < 0 && finite) exact = writeHexExact(spec.inlineText, value, alternate, upperCase, point);
    } else {
        if (conversion == u'f' || conversion == u'F') {
            exact = writeFixedExact(spec.inlineText, value, p, alternate, point);
        } else if (conversion == u'e' || conversion == u'E') {
            exact = writeExponentExact(spec.inlineText, value, p, alternate, upperCase, point);
        } else {
            exact = writeGeneralExact(spec.inlineText, value, p, alternate, upperCase, point);
        }
    }
    if (exact >= 0) {
        spec.text = spec.inlineText;
        spec.textLength = static_cast<size_t>(exact);
        return;
    }
    const size_t workBytes = floatWorkBytes(spec.conversion, p, std::fabs(value));
    char stackWork[floatStackBytes];
    char *work = stackWork;
    if (workBytes != floatStackBytes) {
        work = static_cast<char *>(allocate(workBytes, 1));
        if (work == nullptr) {
            reportFormatOutOfMemory(__LINE__);
            spec.outOfMemory = true;
            return;
        }
    }
    int32_t n = plat::formatDoubleMagnitude(work, workBytes, value, static_cast<char>(spec.conversion), p,
                                            alternate);
    if (n < 0) {
        if (traceLevel() > traceNone)
            traceMessageU16("Buffer overflow (floating point output)", __FILE__, __LINE__, true);
        n = static_cast<int32_t>(strlen(work));
    }
    charU16 *out = textStorage(spec, static_cast<size_t>(n));
    if (out != nullptr) {
        for (int32_t i = 0; i < n; ++i) out[i] = static_cast<unsigned char>(work[i]);
        out[n] = 0;
        spec.text = out;
        spec.textLength = static_cast<size_t>(n);
    }
    if (work != stackWork) release(work);
}

void convertOutArgument(OutSpec &spec, va_list &args) {
    const bool wide = isWideInteger(spec.lengthFlags);
    const bool alternate = spec.alternate != 0;
    switch (spec.conversion) {
    case u'd':
    case u'i': {
        const int64_t value = wide ? va_arg(args, long long) : va_arg(args, int);
        spec.negative = value < 0;
        // The most negative value's magnitude is taken as an unsigned number.
        const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
        convertOutInteger(spec, magnitude, 10, false, spec.precision, alternate);
        return;
    }
    case u'u':
    case u'o':
    case u'x':
    case u'X': {
        const uint64_t value = wide ? va_arg(args, unsigned long long) : va_arg(args, unsigned int);
        const unsigned base = spec.conversion == u'u' ? 10 : spec.conversion == u'o' ? 8 : 16;
        convertOutInteger(spec, value, base, spec.conversion == u'X', spec.precision, alternate);
        return;
    }
    case u'p': {
        const void *pointer = va_arg(args, void *);
        if (pointer == nullptr) {
            setFixedText(spec, u"(nil)", 5);
            return;
        }
        convertOutInteger(spec, reinterpret_cast<uintptr_t>(pointer), 16, false, spec.precision, alternate);
        return;
    }
    case u'c':
        spec.inlineText[0] = static_cast<charU16>(va_arg(args, int));
        spec.inlineText[1] = 0;
        spec.text = spec.inlineText;
        spec.textLength = 1;
        return;
    case u's': {
        // The text is the caller's own string: no copy, whatever its length.
        const charU16 *s = va_arg(args, const charU16 *);
        if (s == nullptr) s = u"(null)";
        const size_t length = spec.precision < 0 ? strlenU16(s) : strnlenU16(s, static_cast<size_t>(spec.precision));
        spec.text = s;
        spec.textLength = length;
        return;
    }
    case u'%':
        setFixedText(spec, u"%", 1);
        return;
    default: {  // a A e E f F g G
        const double value =
            spec.lengthFlags == lengthLongDouble ? plat::longDoubleArgument(args) : va_arg(args, double);
        // A negative zero and a NaN with its sign bit set are negative too:
        // the layout writes the sign, the formatter gets the magnitude.
        spec.negative = std::signbit(value);
        convertOutFloat(spec, value, spec.lengthFlags == lengthLongDouble, alternate, spec.precision);
        return;
    }
    }
}

}  // namespace qoru
