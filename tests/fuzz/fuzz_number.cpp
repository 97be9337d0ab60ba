// Arbitrary UTF-16 text through strtodU16, strtolU16 and strtoullU16 against
// plain references: the same value, end and errno. The strtod reference
// reads the number, writes its first 24 significant digits as 0.DIGITS e
// EXPONENT and hands that to the C library's strtod.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "qorucum.h"

namespace {

void check(bool ok) {
    if (!ok) abort();
}

bool isSpace(uint32_t u) {
    return (u >= 9 && u <= 13) || (u >= 0x1C && u <= 0x20) || u == 0x85 || u == 0xA0 || u == 0x1680 ||
           (u >= 0x2000 && u <= 0x200B) || u == 0x2028 || u == 0x2029 || u == 0x202F || u == 0x3000;
}
bool isDigit(uint32_t u) { return u >= '0' && u <= '9'; }
uint32_t digitValue(uint32_t u) {
    if (isDigit(u)) return u - '0';
    if (u >= 'a' && u <= 'z') return u - 'a' + 10;
    if (u >= 'A' && u <= 'Z') return u - 'A' + 10;
    return 99;
}

struct Expected {
    double value;
    size_t end;
    int error;
};

bool spelled(const std::u16string &s, size_t i, const char16_t *word) {
    for (size_t k = 0; word[k] != 0; ++k) {
        if (s[i + k] != word[k]) return false;
    }
    return true;
}

Expected referenceStrtod(const std::u16string &s) {
    size_t i = 0;
    while (isSpace(s[i])) ++i;
    const bool negative = s[i] == '-';
    if (s[i] == '-' || s[i] == '+') ++i;
    const double sign = negative ? -1.0 : 1.0;
    if (!isDigit(s[i]) && !(s[i] == '.' && isDigit(s[i + 1]))) {
        if ((s[i] == 'i' || s[i] == 'I') && (spelled(s, i + 1, u"nfinity") || spelled(s, i + 1, u"NFINITY")))
            return {sign * HUGE_VAL, i + 8, 0};
        if ((s[i] == 'i' || s[i] == 'I') && (spelled(s, i + 1, u"nf") || spelled(s, i + 1, u"NF")))
            return {sign * HUGE_VAL, i + 3, 0};
        if ((s[i] == 'n' || s[i] == 'N') && (spelled(s, i + 1, u"aN") || spelled(s, i + 1, u"AN") || spelled(s, i + 1, u"an")))
            return {NAN, i + 3, 0};
        return {0.0, 0, 0};
    }
    std::string mantissa;
    long long pointAt = -1;
    for (; isDigit(s[i]) || (s[i] == '.' && pointAt < 0); ++i) {
        if (s[i] == '.') {
            pointAt = static_cast<long long>(mantissa.size());
        } else {
            mantissa += static_cast<char>(s[i]);
        }
    }
    if (pointAt < 0) pointAt = static_cast<long long>(mantissa.size());
    long long exponent = 0;
    if (s[i] == 'e' || s[i] == 'E') {
        size_t k = i + 1;
        const bool negativeExponent = s[k] == '-';
        if (s[k] == '-' || s[k] == '+') ++k;
        if (isDigit(s[k])) {
            for (; isDigit(s[k]); ++k) exponent = std::min(exponent * 10 + (s[k] - '0'), 1000000000LL);
            if (negativeExponent) exponent = -exponent;
            i = k;
        }
    }
    const size_t zeros = mantissa.find_first_not_of('0');
    if (zeros == std::string::npos) return {sign * 0.0, i, 0};
    const std::string form = (negative ? "-0." : "0.") + mantissa.substr(zeros, 24) + "e" +
                             std::to_string(pointAt - static_cast<long long>(zeros) + exponent);
    errno = 0;
    const double value = std::strtod(form.c_str(), nullptr);
    // glibc also reports an inexact subnormal result, which is no error here.
    const int error = errno == ERANGE && (value == 0.0 || std::isinf(value)) ? ERANGE : 0;
    return {value, i, error};
}

// The strtol family on a 128-bit magnitude; width and signedness pick the range.
Expected referenceStrtol(const std::u16string &s, int base, int width, bool isSigned, uint64_t &bits) {
    bits = 0;
    if (base != 0 && (base < 2 || base > 36)) return {0, 0, EINVAL};
    size_t i = 0, end = 0;
    while (isSpace(s[i])) ++i;
    const bool negative = s[i] == '-';
    if (s[i] == '-' || s[i] == '+') ++i;
    if ((base == 0 || base == 16) && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
        end = i - 1;
    } else if (base == 0) {
        base = s[i] == '0' ? 8 : 10;
    }
    unsigned __int128 magnitude = 0;
    for (; digitValue(s[i]) < static_cast<uint32_t>(base); end = ++i) {
        magnitude = std::min<unsigned __int128>(magnitude * base + digitValue(s[i]), static_cast<unsigned __int128>(1) << 65);
    }
    const unsigned __int128 one = 1, mask = (one << width) - 1;
    if (isSigned) {
        const unsigned __int128 limit = (one << (width - 1)) - (negative ? 0 : 1);
        if (magnitude > limit) {
            bits = static_cast<uint64_t>(negative ? (one << (width - 1)) : limit);
            return {0, end, ERANGE};
        }
    } else if (magnitude > mask) {
        bits = static_cast<uint64_t>(mask);
        return {0, end, ERANGE};
    }
    bits = static_cast<uint64_t>((negative ? 0 - magnitude : magnitude) & mask);
    return {0, end, 0};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    // An odd size reads the bytes as units (numbers are likelier), an even
    // one reads byte pairs.
    std::u16string text;
    const int base = data[0] % 40 - 2;
    for (size_t i = 1; i < size; i += size % 2 ? 1 : 2) {
        text += static_cast<char16_t>(size % 2 || i + 1 >= size ? data[i] : data[i] | data[i + 1] << 8);
    }
    text.erase(std::min(text.find(u'\0'), text.size()));

    charU16 *end = nullptr;
    const Expected d = referenceStrtod(text);
    errno = 0;
    const double value = strtodU16(text.c_str(), &end);
    check(errno == d.error);
    check(std::memcmp(&value, &d.value, sizeof value) == 0 || (std::isnan(value) && std::isnan(d.value)));
    check(static_cast<size_t>(end - text.c_str()) == d.end);

    uint64_t bits = 0;
    Expected l = referenceStrtol(text, base, 32, true, bits);
    errno = 0;
    const int32_t v32 = strtolU16(text.c_str(), &end, base);
    check(errno == l.error && static_cast<uint32_t>(v32) == bits && static_cast<size_t>(end - text.c_str()) == l.end);
    l = referenceStrtol(text, base, 64, false, bits);
    errno = 0;
    const uint64_t v64 = strtoullU16(text.c_str(), &end, base);
    check(errno == l.error && v64 == bits && static_cast<size_t>(end - text.c_str()) == l.end);
    return 0;
}
