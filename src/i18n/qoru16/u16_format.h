// Directive pieces shared by the printf and scanf directive parsers: the
// length codes, the field-width and length-modifier parsers, and the
// format-string error report.
#ifndef QORU_U16_FORMAT_H
#define QORU_U16_FORMAT_H

#include <cstdarg>
#include <cstdint>

#include "qorucum/base.h"

namespace qoru {

// Length codes, the values parseLengthModifier stores.
inline constexpr uint32_t lengthHH = 0x2;
inline constexpr uint32_t lengthH = 0x4;
inline constexpr uint32_t lengthL = 0x8;
inline constexpr uint32_t lengthLL = 0x10;
inline constexpr uint32_t lengthJ = 0x20;
inline constexpr uint32_t lengthZ = 0x40;
inline constexpr uint32_t lengthT = 0x80;
inline constexpr uint32_t lengthLongDouble = 0x100;  // "L"
inline constexpr uint32_t lengthI64 = 0x200;

inline bool isDecimalDigit(charU16 u) { return u >= u'0' && u <= u'9'; }

// A run of decimal digits stores its value (wrapping, no overflow check) and
// is consumed whole; "*" stores the next int argument and consumes one unit;
// anything else consumes nothing and leaves width unchanged. Returns the units
// consumed.
int32_t parseFieldWidth(int32_t *width, const charU16 *p, va_list &args);

// Stores the code of the modifier at p ("hh", "h", "l", "ll", "j", "z", "t",
// "L", "I64") and returns its units; anything else, "I" without "64"
// included, consumes nothing and leaves lengthFlags unchanged.
int32_t parseLengthModifier(uint32_t *lengthFlags, const charU16 *p);

// "Error in format string at or near 'Y':\n" and the directive text, one
// byte per unit, as one trace message; written at trace level 4 and above.
void reportFormatError(const charU16 *directiveText, charU16 badUnit, const char *sourceName, int32_t line);

}  // namespace qoru

#endif
