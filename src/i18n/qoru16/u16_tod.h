// The one narrow decimal-to-double conversion of the library, correctly
// rounded and the same on every platform. strtodU16 and the scan engine's
// floating-point field hand their collected text to it.
#ifndef QORU_U16_TOD_H
#define QORU_U16_TOD_H

namespace qoru {

// The decimal point the number parsers take: the first byte of the C
// runtime's, or "." when that byte is 0x80 or above.
char numberDecimalPoint();

// A decimal number, "inf", "infinity" or "nan" (any case, an optional "-"
// first, no white space or "+") in the text that ends before last, with the
// decimal point given: the value, *stop past the characters used (text when
// none), ERANGE when finite digits overflow to infinity or nonzero digits
// underflow to zero.
double convertDecimalText(const char *text, const char *last, const char **stop, char decimalPoint);

}  // namespace qoru

#endif
