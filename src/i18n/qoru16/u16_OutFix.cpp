// Exact "%f" text for the common case, without the narrow formatter.
//
// A finite double is exactly m * 2^-s. With its integer part m >> s and its
// fraction bits f = m mod 2^s, the fraction digits at precision p are
// f * 10^p / 2^s rounded to nearest, ties to even on the last digit written,
// which is how the C runtime's formatter rounds an exact binary value. For
// p <= 17 and 0 <= s <= 120, f * 10^p stays below 2^110, so 128-bit integer
// arithmetic gives the digits exactly. Other values go to the formatter.
#include "i18n/qoru16/u16_FrmOut.h"
#include "i18n/qoru16/u16_digits.h"

#include <array>
#include <bit>

namespace qoru {
namespace {

constexpr int32_t maxExactPrecision = 17;
constexpr int maxFractionShift = 120;

constexpr uint64_t powerOfTen(int32_t p) {
    uint64_t v = 1;
    for (int32_t i = 0; i < p; ++i) v *= 10;
    return v;
}

constexpr auto powersOfTen = [] {
    std::array<uint64_t, maxExactPrecision + 1> table{};
    for (int32_t i = 0; i <= maxExactPrecision; ++i) table[static_cast<size_t>(i)] = powerOfTen(i);
    return table;
}();

}  // namespace

int32_t writeFixedExact(charU16 *out, double magnitude, int32_t precision, bool alternate, charU16 point) {
    if (precision > maxExactPrecision) return -1;
    const uint64_t bits = std::bit_cast<uint64_t>(magnitude) & ~(uint64_t{1} << 63);
    const uint32_t biased = static_cast<uint32_t>(bits >> 52);
    if (biased == 0x7FF) return -1;  // infinity or NaN
    const uint64_t fractionField = bits & ((uint64_t{1} << 52) - 1);
    const uint64_t m = biased == 0 ? fractionField : fractionField | (uint64_t{1} << 52);
    const int shift = biased == 0 ? 1074 : 1075 - static_cast<int>(biased);
    if (m != 0 && (shift < 0 || shift > maxFractionShift)) return -1;

    uint64_t integer = 0;
    uint64_t fraction = 0;
    if (m != 0) {
        integer = shift >= 64 ? 0 : m >> shift;
        const uint64_t fractionBits = shift >= 64 ? m : m & ((uint64_t{1} << shift) - 1);
        const uint64_t scale = powersOfTen[static_cast<size_t>(precision)];
        if (shift > 0 && fractionBits != 0) {
            const unsigned __int128 product = static_cast<unsigned __int128>(fractionBits) * scale;
            const unsigned __int128 one = 1;
            fraction = static_cast<uint64_t>(product >> shift);
            const unsigned __int128 rest = product & ((one << shift) - 1);
            const unsigned __int128 half = one << (shift - 1);
            const bool lastOdd = precision > 0 ? (fraction & 1) != 0 : (integer & 1) != 0;
            if (rest > half || (rest == half && lastOdd)) {
                if (precision == 0) {
                    ++integer;
                } else if (++fraction == scale) {
                    fraction = 0;
                    ++integer;
                }
            }
        }
    }

    const int intDigits = countDigits(integer, 10);
    charU16 *p = out + intDigits;
    writeDecimalBackward(p, integer);
    if (precision > 0 || alternate) *p++ = point;
    if (precision > 0) {
        charU16 *end = p + precision;
        charU16 *first = writeDecimalBackward(end, fraction);
        while (first > p) *--first = u'0';
        p = end;
    }
    *p = 0;
    return static_cast<int32_t>(p - out);
}

}  // namespace qoru
