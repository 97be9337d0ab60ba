// strtodU16 and the narrow decimal conversion behind it. strtodU16 scans the
// UTF-16 text itself. A plain number of up to 19 significant digits and a
// short exponent goes as an integer and a power of ten straight to
// fast_float's conversion steps. Anything else (more digits, far exponents,
// the special spellings, the rare products that need the digits again) is
// scanned once more into a short normalised form (at most 24 significant
// digits, the decimal point and an exponent it computes) in a stack buffer,
// which fast_float parses. Either way the double is the correctly rounded
// one, with the same bits on every platform.
#include "i18n/qoru16/u16_tod.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <limits>

#include <fast_float/fast_float.h>

#include "flat/nlsui1_narrow.h"
#include "i18n/qoru16/u16_aux.h"
#include "i18n/qoru16/u16_digits.h"
#include "i18n/qoru16/u16_space.h"
#include "platform/platform.h"
#include "qorucum/stdlib.h"
#include "qorucum/string.h"

namespace qoru {
namespace {

constexpr int32_t significantDigitLimit = 24;
// An exponent copied as text has at most four digits.
constexpr int32_t exponentTextDigits = 4;
// An exponent read as a value stops growing here.
constexpr int64_t exponentValueCap = 1000000000000000;
// A computed exponent must have at most five digits.
constexpr int64_t adjustedExponentLimit = 100000;
constexpr size_t bufferSize = 128;
constexpr int32_t tracedUnitsLimit = 80;

template <class Unit>
inline bool isDigit(Unit u) {
    return static_cast<uint32_t>(u) - '0' < 10;
}

// An infinity from finite digits is an overflow; a zero from digits that are
// not all zero is an underflow.
bool outOfRange(const char *text, const char *stop, double value) {
    if (*text == '-') ++text;
    if (std::isinf(value)) return *text != 'i' && *text != 'I';
    for (const char *p = text; p != stop && *p != 'e' && *p != 'E'; ++p) {
        if (*p >= '1' && *p <= '9') return true;
    }
    return false;
}

}  // namespace

char numberDecimalPoint() {
    const char point = plat::decimalPoint();
    return static_cast<unsigned char>(point) >= 0x80 || point == '\0' ? '.' : point;
}

double convertDecimalText(const char *text, const char *last, const char **stop, char decimalPoint) {
    double value = 0.0;
    const fast_float::parse_options options(fast_float::chars_format::general, decimalPoint);
    const fast_float::from_chars_result r = fast_float::from_chars_advanced(text, last, value, options);
    if (r.ec != std::errc() || r.ptr == text) {
        *stop = text;
        return 0.0;
    }
    *stop = r.ptr;
    if ((value == 0.0 || std::isinf(value)) && outOfRange(text, r.ptr, value)) errno = ERANGE;
    return value;
}

namespace {

// The narrow form of the number being built, with what the scan has learnt.
struct NumberBuffer {
    char bytes[bufferSize];
    int32_t length = 0;
    int32_t significant = 0;  // significant digits copied
    // Integer digits dropped beyond the limit add 1 each, leading zeros of
    // the fraction dropped subtract 1 each; 64 bits, so that no text is
    // long enough to overflow it.
    int64_t adjustment = 0;

    void put(char c) { bytes[length++] = c; }
    // Appends the decimal digits of a value below adjustedExponentLimit.
    void putDecimal(uint32_t value) {
        char digits[maxDigits64];
        char *const digitsEnd = digits + maxDigits64;
        for (const char *d = writeDecimalBackward(digitsEnd, value); d != digitsEnd; ++d) put(*d);
    }
};

double signedZero(bool negative) { return negative ? -0.0 : 0.0; }

[[gnu::cold, gnu::noinline]] void reportPartialConversion(const charU16 *text, int32_t accepted, int32_t expected) {
    if (traceLevel() <= traceNone) return;
    char message[96];
    narrowSnprintf(message, sizeof message, "strtod accepted %d characters (expected %d)", accepted, expected);
    traceMessageU16(message, __FILE__, __LINE__, false);
    const size_t length = strlenU16(text);
    traceCharsU16(text, length < tracedUnitsLimit ? static_cast<int32_t>(length) : tracedUnitsLimit);
    traceEndOfMessage();
}

// The special spellings after the sign: the infinities, and the three letters
// of a NaN, which the conversion decides.
double readSpecial(const charU16 *text, const charU16 *p, charU16 **end, bool negative, char decimalPoint) {
    const auto matches = [p](const char16_t *rest) {
        for (int32_t i = 0; rest[i] != 0; ++i) {
            if (p[1 + i] != rest[i]) return false;
        }
        return true;
    };
    const charU16 *after = nullptr;
    if (*p == 'I' || *p == 'i') {
        if (matches(u"nfinity") || matches(u"NFINITY")) {
            after = p + 8;
        } else if (matches(u"nf") || matches(u"NF")) {
            after = p + 3;
        }
        if (after != nullptr) {
            if (end != nullptr) *end = const_cast<charU16 *>(after);
            return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
        }
    } else if ((*p == 'N' || *p == 'n') && (matches(u"aN") || matches(u"AN") || matches(u"an"))) {
        char letters[5];
        int32_t n = 0;
        if (negative) letters[n++] = '-';
        for (int32_t i = 0; i < 3; ++i) letters[n++] = static_cast<char>(p[i]);
        letters[n] = '\0';
        const char *stop = letters;
        const double value = convertDecimalText(letters, letters + n, &stop, decimalPoint);
        if (stop != letters) {
            if (end != nullptr) *end = const_cast<charU16 *>(p + 3);
            return value;
        }
    }
    if (end != nullptr) *end = const_cast<charU16 *>(text);
    return 0.0;
}

// At most this many significant digits fit the integer of the direct path.
constexpr int32_t directDigitLimit = 19;
// Exponent texts up to this value take the direct path.
constexpr int32_t directExponentLimit = 10000;

// The direct path: a sign, digits with at most one point among them, and an
// optional exponent, read after the white space. True with *value and *end
// set when it can give the result; false, having changed nothing, when the
// text needs the full scan.
bool convertPlainDecimal(const charU16 *p, charU16 point, double *value, charU16 **end) {
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (!isDigit(p[0]) && !(p[0] == point && isDigit(p[1]))) return false;
    uint64_t digits = 0;  // the significant digits as an integer
    int32_t count = 0;    // significant digits read, leading zeros not counted
    int64_t exponent = 0;
    for (; isDigit(*p); ++p) {
        if (digits == 0 && *p == '0') continue;
        if (++count > directDigitLimit) return false;
        digits = digits * 10 + (*p - '0');
    }
    if (*p == point) {
        for (++p; isDigit(*p); ++p) {
            --exponent;
            if (digits == 0 && *p == '0') continue;
            if (++count > directDigitLimit) return false;
            digits = digits * 10 + (*p - '0');
        }
    }
    if ((*p == 'e' || *p == 'E') && (isDigit(p[1]) || ((p[1] == '-' || p[1] == '+') && isDigit(p[2])))) {
        const bool negativeExponent = p[1] == '-';
        p += isDigit(p[1]) ? 1 : 2;
        int32_t written = 0;
        for (; isDigit(*p); ++p) {
            written = written * 10 + (*p - '0');
            if (written > directExponentLimit) return false;
        }
        exponent += negativeExponent ? -written : written;
    }
    using Format = fast_float::binary_format<double>;
    double result;
    if (digits == 0) {
        result = 0.0;
    } else if (exponent >= Format::min_exponent_fast_path() && exponent <= Format::max_exponent_fast_path() &&
               digits <= Format::max_mantissa_fast_path() && fast_float::detail::rounds_to_nearest()) {
        // Both factors are exact, so one rounding gives the exact result.
        result = static_cast<double>(digits);
        result = exponent < 0 ? result / Format::exact_power_of_ten(-exponent)
                              : result * Format::exact_power_of_ten(exponent);
    } else {
        const fast_float::adjusted_mantissa m = fast_float::compute_float<Format>(exponent, digits);
        if (m.power2 < 0) return false;  // too close to call from 64 bits: the full digits decide
        fast_float::to_float(false, m, result);
        if (result == 0.0 || std::isinf(result)) errno = ERANGE;
    }
    *value = negative ? -result : result;
    if (end != nullptr) *end = const_cast<charU16 *>(p);
    return true;
}

}  // namespace
}  // namespace qoru

extern "C" QORUCUM_API double strtodU16(const charU16 *text, charU16 **end) {
    using namespace qoru;
    const char decimalPoint = numberDecimalPoint();
    const charU16 point = static_cast<unsigned char>(decimalPoint);
    const charU16 *p = text;
    while (isWhiteSpaceU16(*p)) ++p;
    double direct;
    if (convertPlainDecimal(p, point, &direct, end)) return direct;
    NumberBuffer b;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        b.put('-');
        ++p;
    } else if (*p == '+') {
        ++p;
    }
    if (!isDigit(p[0]) && !(p[0] == point && isDigit(p[1]))) return readSpecial(text, p, end, negative, decimalPoint);

    // Leading zeros: one is kept; a zero that nothing follows is the result.
    if (*p == '0') {
        b.put('0');
        while (*++p == '0') {
        }
        if (!isDigit(*p) && *p != point && *p != 'e' && *p != 'E') {
            if (end != nullptr) *end = const_cast<charU16 *>(p);
            return signedZero(negative);
        }
    }
    // Integer digits up to the limit; the rest scale the exponent.
    for (; isDigit(*p); ++p) {
        if (b.significant < significantDigitLimit) {
            b.put(static_cast<char>(*p));
            ++b.significant;
        } else {
            ++b.adjustment;
        }
    }
    // Fraction: without an integer digit, leading zeros after the first
    // scale the exponent; digits beyond the limit are dropped.
    if (*p == point) {
        b.put(decimalPoint);
        ++p;
        if (b.significant == 0 && *p == '0') {
            b.put('0');
            while (*++p == '0') --b.adjustment;
        }
        for (; isDigit(*p); ++p) {
            if (b.significant < significantDigitLimit) {
                b.put(static_cast<char>(*p));
                ++b.significant;
            }
        }
    }
    // Exponent: copied as text when nothing scales it, otherwise read as a
    // value and combined with the adjustment.
    bool outOfRange = false;
    int64_t exponent = 0;  // out of range, its sign picks zero or infinity
    if (*p == 'e' || *p == 'E') {
        const charU16 *q = p + 1;
        const bool negativeExponent = *q == '-';
        if (*q == '-' || *q == '+') ++q;
        if (isDigit(*q)) {
            if (b.adjustment == 0) {
                while (*q == '0' && q[1] == '0') ++q;
                const charU16 *digits = q;
                while (isDigit(*q)) ++q;
                if (q - digits > exponentTextDigits) {
                    outOfRange = true;
                    exponent = negativeExponent ? -1 : 1;
                } else {
                    b.put('e');
                    if (negativeExponent) b.put('-');
                    for (const charU16 *d = digits; d != q; ++d) b.put(static_cast<char>(*d));
                }
            } else {
                // Read as a value, saturating far beyond any text's
                // adjustment, so that the sum keeps its true sign.
                int64_t value = 0;
                for (; isDigit(*q); ++q) {
                    if (value < exponentValueCap) value = value * 10 + (*q - '0');
                }
                b.adjustment += negativeExponent ? -value : value;
            }
            p = q;
        }
    }
    if (!outOfRange && b.adjustment != 0) {
        const uint64_t magnitude =
            b.adjustment < 0 ? 0 - static_cast<uint64_t>(b.adjustment) : static_cast<uint64_t>(b.adjustment);
        if (magnitude >= adjustedExponentLimit) {
            outOfRange = true;
            exponent = b.adjustment;
        } else {
            b.put('e');
            if (b.adjustment < 0) b.put('-');
            b.putDecimal(static_cast<uint32_t>(magnitude));
        }
    }
    if (end != nullptr) *end = const_cast<charU16 *>(p);
    if (outOfRange) {
        // Far beyond the range of a double whatever the digits: no conversion.
        if (b.significant == 0) return signedZero(negative);
        errno = ERANGE;
        if (exponent < 0) return signedZero(negative);
        return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    }
    b.bytes[b.length] = '\0';
    const char *stop = b.bytes;
    const double value = convertDecimalText(b.bytes, b.bytes + b.length, &stop, decimalPoint);
    if (stop == b.bytes) {
        if (end != nullptr) *end = const_cast<charU16 *>(text);
        return 0.0;
    }
    if (stop != b.bytes + b.length) reportPartialConversion(text, static_cast<int32_t>(stop - b.bytes), b.length);
    return value;
}
