// The one narrow decimal-to-double conversion of the library, correctly
// rounded and the same on every platform. strtodU16 and the scan engine's
// floating-point field hand their collected text to it.
#ifndef QORU_U16_TOD_H
#define QORU_U16_TOD_H

namespace qoru {

// As the C library's strtod on a decimal number, "inf", "infinity" or "nan"
// (any case) after optional white space and sign: the value, *end past the
// characters used (text when none), ERANGE when the value overflows to
// infinity or underflows to zero.
double strtodNarrow(const char *text, char **end);

// The decimal point the number parsers take: the first byte of the C
// runtime's, or "." when that byte is 0x80 or above.
char numberDecimalPoint();

// The conversion behind strtodNarrow on text that ends before last, with the
// decimal point given and without white space or "+" before it; *stop
// receives the end of what was used (text when nothing).
double convertDecimalText(const char *text, const char *last, const char **stop, char decimalPoint);

}  // namespace qoru

#endif
