// Plain readings of the number parsers' rules, which the tests and the fuzzer check the library against.
#ifndef QORU_TEST_NUMBER_REFERENCE_H
#define QORU_TEST_NUMBER_REFERENCE_H

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace qoru_test {

inline bool refSpace(uint32_t u) {
    return (u >= 9 && u <= 13) || (u >= 0x1C && u <= 0x20) || u == 0x85 || u == 0xA0 || u == 0x1680 ||
           (u >= 0x2000 && u <= 0x200B) || u == 0x2028 || u == 0x2029 || u == 0x202F || u == 0x3000;
}

inline uint32_t refDigit(uint32_t u) {
    if (u - '0' < 10) return u - '0';
    const uint32_t letter = (u | 0x20) - 'a';
    return letter < 26 ? letter + 10 : 99;
}

struct RefNumber {
    uint64_t bits;  // an integer result's bit pattern in its width
    double value;
    size_t end;
    int error;
};

// The strtol family on a 128-bit magnitude; width and signedness pick the range.
inline RefNumber refStrtol(const char16_t *s, int base, int width, bool isSigned) {
    if (base != 0 && (base < 2 || base > 36)) return {0, 0, 0, EINVAL};
    size_t i = 0, end = 0;
    while (refSpace(s[i])) ++i;
    const bool negative = s[i] == '-';
    if (s[i] == '-' || s[i] == '+') ++i;
    if ((base == 0 || base == 16) && s[i] == '0' && (s[i + 1] | 0x20) == 'x') {
        base = 16;
        i += 2;
        end = i - 1;  // the "0" alone, unless digits follow
    } else if (base == 0) {
        base = s[i] == '0' ? 8 : 10;
    }
    using U128 = unsigned __int128;
    U128 magnitude = 0;
    for (; refDigit(s[i]) < static_cast<uint32_t>(base); end = ++i)
        magnitude = std::min<U128>(magnitude * base + refDigit(s[i]), U128{1} << 65);
    const U128 one = 1, mask = (one << width) - 1, limit = isSigned ? (one << (width - 1)) - !negative : mask;
    if (magnitude > limit) return {static_cast<uint64_t>(limit), 0, end, ERANGE};  // the clamped value's bits
    return {static_cast<uint64_t>((negative ? 0 - magnitude : magnitude) & mask), 0, end, 0};
}

// strtodU16: the spellings, or the number cut (not rounded) to its first `digits` significant digits and handed to
// the C library's strtod as 0.DIGITS e EXPONENT. Only an overflow to infinity or underflow to zero is an error.
inline RefNumber refStrtod(const char16_t *s, size_t digits = 24) {
    const auto isDigit = [](char16_t u) { return u >= '0' && u <= '9'; };
    size_t i = 0;
    while (refSpace(s[i])) ++i;
    const bool negative = s[i] == '-';
    if (s[i] == '-' || s[i] == '+') ++i;
    const double sign = negative ? -1.0 : 1.0;
    if (!isDigit(s[i]) && !(s[i] == '.' && isDigit(s[i + 1]))) {
        const auto follows = [&](const char16_t *word) { return std::u16string_view(s + i + 1).starts_with(word); };
        if ((s[i] | 0x20) == 'i' && (follows(u"nfinity") || follows(u"NFINITY"))) return {0, sign * HUGE_VAL, i + 8, 0};
        if ((s[i] | 0x20) == 'i' && (follows(u"nf") || follows(u"NF"))) return {0, sign * HUGE_VAL, i + 3, 0};
        if ((s[i] | 0x20) == 'n' && (follows(u"aN") || follows(u"AN") || follows(u"an"))) return {0, NAN, i + 3, 0};
        return {0, 0.0, 0, 0};
    }
    std::string mantissa;
    size_t point = std::string::npos;
    for (; isDigit(s[i]) || (s[i] == '.' && point == std::string::npos); ++i) {
        if (s[i] == '.') point = mantissa.size();
        else mantissa += static_cast<char>(s[i]);
    }
    long long exponent = 0;
    if ((s[i] | 0x20) == 'e') {
        size_t k = i + 1 + (s[i + 1] == '-' || s[i + 1] == '+');
        if (isDigit(s[k])) {
            for (; isDigit(s[k]); ++k) exponent = std::min(exponent * 10 + (s[k] - '0'), 1000000000LL);
            if (s[i + 1] == '-') exponent = -exponent;
            i = k;
        }
    }
    const size_t zeros = mantissa.find_first_not_of('0');
    if (zeros == std::string::npos) return {0, sign * 0.0, i, 0};
    const long long scale = static_cast<long long>(point == std::string::npos ? mantissa.size() : point) -
                            static_cast<long long>(zeros) + exponent;
    const std::string form = (negative ? "-0." : "0.") + mantissa.substr(zeros, digits) + "e" + std::to_string(scale);
    errno = 0;
    const double value = std::strtod(form.c_str(), nullptr);
    return {0, value, i, errno == ERANGE && (value == 0 || std::isinf(value)) ? ERANGE : 0};
}

// Whether a strtol-family conversion of s gives the reference's bits in its width, end and errno.
template <class Result, class Unit>
bool strtolAgrees(Result (*convert)(const Unit *, Unit **, int32_t), const std::u16string &s, int base) {
    const std::basic_string<Unit> text(s.begin(), s.end());
    const RefNumber want = refStrtol(s.c_str(), base, sizeof(Result) * 8, std::is_signed_v<Result>);
    Unit *end = nullptr;
    errno = 0;
    const auto value = static_cast<std::make_unsigned_t<Result>>(convert(text.c_str(), &end, base));
    return errno == want.error && value == want.bits && static_cast<size_t>(end - text.c_str()) == want.end;
}

// Whether a strtod-like conversion of s gives want's value (bit for bit, or a NaN for a NaN), end and errno.
template <class Unit>
bool strtodAgrees(double (*convert)(const Unit *, Unit **), const std::basic_string<Unit> &s, const RefNumber &want) {
    Unit *end = nullptr;
    errno = 0;
    const double value = convert(s.c_str(), &end);
    return errno == want.error && static_cast<size_t>(end - s.c_str()) == want.end &&
           (std::memcmp(&value, &want.value, sizeof value) == 0 || (std::isnan(value) && std::isnan(want.value)));
}

}  // namespace qoru_test

#endif
