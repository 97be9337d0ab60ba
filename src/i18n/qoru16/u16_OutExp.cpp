// Exact "%e" and "%g" text for the common case, without the narrow formatter.
//
// Both styles need the first n significant digits of the exact binary value
// rounded to nearest. With the value normalized to m * 2^e (2^63 <= m < 2^64)
// and x the estimate floor((e + 63) * log10(2)) of its decimal exponent, the
// digits are m * 2^e * 10^k for k = n - 1 - x: the product of m and 10^k's
// 128-bit significand (truncated, from u16_pow10.h) is a 192-bit number whose
// bits above the shift are the integer part and whose next 64 bits are the
// fraction. The truncation makes the product short by less than m, which is
// below one unit of that 64-bit fraction for n <= 17, so the true fraction
// lies in [f, f + 2) units. Only a fraction at one of the two units next to
// the half cannot be rounded from here (an exact tie, or a value within
// 2^-63 of one); those values, like precisions beyond 17 significant digits,
// go to the formatter, which rounds exact ties to even ("%g" takes only its
// digits and lays them out here).
#include <bit>
#include <cmath>

#include "i18n/qoru16/u16_FrmOut.h"
#include "i18n/qoru16/u16_digits.h"
#include "i18n/qoru16/u16_pow10.h"
#include "platform/platform.h"

namespace qoru {
namespace {

constexpr int32_t maxSignificant = 17;
constexpr uint64_t half = uint64_t{1} << 63;

// floor(e * log10(2)) for |e| <= 2620.
constexpr int32_t floorLog10Pow2(int32_t e) { return (e * 315653) >> 20; }

// The significant digits of a finite magnitude rounded to count digits and
// the decimal exponent of the first; a zero has count zeros and exponent 0.
struct Significand {
    charU16 digits[maxSignificant];
    int32_t exponent;
};

// False when the value's digits need the formatter: not finite, a rounding
// this path cannot settle, or more digits than it computes.
bool roundSignificand(double magnitude, int32_t count, Significand &out) {
    if (count > maxSignificant) return false;
    const uint64_t bits = std::bit_cast<uint64_t>(magnitude) & ~(uint64_t{1} << 63);
    const uint32_t biased = static_cast<uint32_t>(bits >> 52);
    if (biased == 0x7FF) return false;  // infinity or NaN
    if (bits == 0) {
        for (int32_t i = 0; i < count; ++i) out.digits[i] = u'0';
        out.exponent = 0;
        return true;
    }
    uint64_t m = bits & ((uint64_t{1} << 52) - 1);
    int32_t e = -1074;
    if (biased != 0) {
        m |= uint64_t{1} << 52;
        e = static_cast<int32_t>(biased) - 1075;
    }
    const int zeros = std::countl_zero(m);
    m <<= zeros;
    e -= zeros;

    int32_t exponent = floorLog10Pow2(e + 63);
    const int32_t k = count - 1 - exponent;
    const Pow10Significand &p = pow10Significands[k - pow10MinExponent];
    const unsigned __int128 low = static_cast<unsigned __int128>(m) * p.lo;
    const unsigned __int128 high = static_cast<unsigned __int128>(m) * p.hi + static_cast<uint64_t>(low >> 64);
    const uint64_t r2 = static_cast<uint64_t>(high >> 64);
    const uint64_t r1 = static_cast<uint64_t>(high);
    // The integer part is the product >> (128 + t); n <= 17 keeps t in [2, 64).
    const int t = -(e + floorLog2Pow10(k) - 127) - 128;
    uint64_t integer = r2 >> t;
    const uint64_t fraction = (r1 >> t) | (r2 << (64 - t));

    bool up;
    if (integer >= decimalPowers[count]) {
        // The estimate was one short: drop the last integer digit into the fraction.
        const uint64_t last = integer % 10;
        integer /= 10;
        ++exponent;
        if ((last == 5 && fraction < 2) || (last == 4 && fraction > ~uint64_t{0} - 2)) return false;
        up = last >= 5;
    } else {
        if (fraction - (half - 1) <= 1) return false;
        up = fraction > half;
    }
    if (up && ++integer == decimalPowers[count]) {
        integer = decimalPowers[count - 1];
        ++exponent;
    }
    writeDecimalBackward(out.digits + count, integer);
    out.exponent = exponent;
    return true;
}

// Significant digits left once trailing zeros go, keeping at least keep.
int32_t withoutTrailingZeros(const Significand &s, int32_t count, int32_t keep) {
    while (count > keep && s.digits[count - 1] == u'0') --count;
    return count;
}

charU16 *copyDigits(charU16 *out, const charU16 *digits, int32_t n) {
    for (int32_t i = 0; i < n; ++i) out[i] = digits[i];
    return out + n;
}

// d.ddd then "e" or "E", the sign and at least two exponent digits.
int32_t writeExponentStyle(charU16 *out, const Significand &s, int32_t used, bool alternate, bool upperCase,
                           charU16 point) {
    charU16 *p = out;
    *p++ = s.digits[0];
    if (used > 1 || alternate) *p++ = point;
    p = copyDigits(p, s.digits + 1, used - 1);
    *p++ = upperCase ? u'E' : u'e';
    *p++ = s.exponent < 0 ? u'-' : u'+';
    const uint32_t magnitude = static_cast<uint32_t>(s.exponent < 0 ? -s.exponent : s.exponent);
    if (magnitude < 10) *p++ = u'0';
    p += countDigits(magnitude, 10);
    writeDecimalBackward(p, magnitude);
    *p = 0;
    return static_cast<int32_t>(p - out);
}

}  // namespace

int32_t writeExponentExact(charU16 *out, double magnitude, int32_t precision, bool alternate, bool upperCase,
                           charU16 point) {
    Significand s;
    if (!roundSignificand(magnitude, precision + 1, s)) return -1;
    return writeExponentStyle(out, s, precision + 1, alternate, upperCase, point);
}

namespace {

// The exponent style's text the C library gives ("d.ddde+XX", count digits)
// as a significand; false for any other text.
bool readExponentText(const char *text, int32_t count, Significand &s) {
    int32_t n = 0;
    const char *p = text;
    for (; *p != 'e'; ++p) {
        if (*p == 0) return false;
        if (*p < '0' || *p > '9') continue;  // the point
        if (n == count) return false;
        s.digits[n++] = static_cast<charU16>(*p);
    }
    const bool negative = *++p == '-';
    if (*p == '-' || *p == '+') ++p;
    int32_t exponent = 0;
    for (; *p >= '0' && *p <= '9'; ++p) exponent = exponent * 10 + (*p - '0');
    s.exponent = negative ? -exponent : exponent;
    return n == count && *p == 0;
}

}  // namespace

int32_t writeGeneralExact(charU16 *out, double magnitude, int32_t precision, bool alternate, bool upperCase,
                          charU16 point) {
    const int32_t count = precision == 0 ? 1 : precision;
    Significand s;
    if (!roundSignificand(magnitude, count, s)) {
        // A rounding this path cannot settle: the C library's digits, in its
        // exponent style, laid out here. Its own "%#g" loses a kept zero where
        // the rounding adds a digit (99.5 at two digits: "1.e+02", not
        // "1.0e+02").
        char text[maxSignificant + 16];
        if (count > maxSignificant || !std::isfinite(magnitude) ||
            plat::formatDoubleMagnitude(text, sizeof text, magnitude, 'e', count - 1, false) < 0 ||
            !readExponentText(text, count, s))
            return -1;
    }
    const int32_t x = s.exponent;
    if (x < -4 || x >= count) {
        const int32_t used = alternate ? count : withoutTrailingZeros(s, count, 1);
        return writeExponentStyle(out, s, used, alternate, upperCase, point);
    }
    // Fixed style: the digits with the point after the first x + 1, or behind
    // "0." and -x - 1 zeros.
    charU16 *p = out;
    if (x >= 0) {
        const int32_t used = alternate ? count : withoutTrailingZeros(s, count, x + 1);
        p = copyDigits(p, s.digits, x + 1);
        if (used > x + 1 || alternate) *p++ = point;
        p = copyDigits(p, s.digits + x + 1, used - x - 1);
    } else {
        const int32_t used = alternate ? count : withoutTrailingZeros(s, count, 1);
        *p++ = u'0';
        *p++ = point;
        for (int32_t i = 0; i < -x - 1; ++i) *p++ = u'0';
        p = copyDigits(p, s.digits, used);
    }
    *p = 0;
    return static_cast<int32_t>(p - out);
}

}  // namespace qoru
