// Exact "%a" text without a precision: the shortest hexadecimal fraction that
// holds the value, so that reading the text back gives the same double. A
// normal value is written 0x1.<fraction>p<exponent>, a subnormal one
// 0x0.<fraction>p-1022 and zero 0x0p+0, as glibc writes them.
#include "i18n/qoru16/u16_FrmOut.h"
#include "i18n/qoru16/u16_digits.h"

#include <bit>

namespace qoru {
namespace {

constexpr int fractionBits = 52;
constexpr int fractionDigits = fractionBits / 4;
constexpr int exponentBias = 1023;

}  // namespace

int32_t writeHexExact(charU16 *out, double magnitude, bool alternate, bool upperCase, charU16 point) {
    const uint64_t bits = std::bit_cast<uint64_t>(magnitude) & ~(uint64_t{1} << 63);
    const int biased = static_cast<int>(bits >> fractionBits);
    uint64_t fraction = bits & ((uint64_t{1} << fractionBits) - 1);
    const int exponent = bits == 0 ? 0 : biased == 0 ? 1 - exponentBias : biased - exponentBias;
    // Trailing zero digits of the fraction are dropped.
    int digits = fraction == 0 ? 0 : fractionDigits;
    for (; digits != 0 && (fraction & 0xF) == 0; --digits) fraction >>= 4;

    const char *digitSet = upperCase ? upperDigits : lowerDigits;
    charU16 *p = out;
    *p++ = u'0';
    *p++ = upperCase ? u'X' : u'x';
    *p++ = biased == 0 ? u'0' : u'1';
    // "#" keeps the point even when no digit follows it.
    if (digits != 0 || alternate) *p++ = point;
    for (int i = digits - 1; i >= 0; --i, fraction >>= 4) p[i] = static_cast<charU16>(digitSet[fraction & 0xF]);
    p += digits;
    *p++ = upperCase ? u'P' : u'p';
    *p++ = exponent < 0 ? u'-' : u'+';
    charU16 exponentDigits[maxDigits64];
    charU16 *const end = exponentDigits + maxDigits64;
    const charU16 *first = writeDecimalBackward(end, static_cast<uint64_t>(exponent < 0 ? -exponent : exponent));
    while (first != end) *p++ = *first++;
    *p = 0;
    return static_cast<int32_t>(p - out);
}

}  // namespace qoru
