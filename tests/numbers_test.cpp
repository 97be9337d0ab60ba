// Number parsing: the strtol family against a plain reference on random texts
// (and the C runtime's own converters where they share the rules); strtodU16
// against the C library's strtod on the text or its 24-digit form; ecvtU16
// against the C runtime's ecvt.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "errno_after.h"
#include "i18n/qoru16/u16_tod.h"
#include "i18n/qoru16/u16_tol.h"
#include "qorucum.h"
#include "trace_capture.h"

namespace {

using qoru_test::errnoAfter;

// ---- strtol family -------------------------------------------------------------

// A plain reading of the family's rules: magnitude in 128 bits, saturated.
struct Scan {
    unsigned __int128 magnitude = 0;
    bool negative = false;
    size_t end = 0;  // units consumed; 0 when no number
};

bool refSpace(char16_t u, bool narrow) {
    if (narrow && u > 0xFF) return false;
    return (u >= 9 && u <= 13) || (u >= 0x1C && u <= 0x20) || u == 0x85 || u == 0xA0 || u == 0x1680 ||
           (u >= 0x2000 && u <= 0x200B) || u == 0x2028 || u == 0x2029 || u == 0x202F || u == 0x3000;
}

int refDigit(char16_t u) {
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'z') return u - 'a' + 10;
    if (u >= 'A' && u <= 'Z') return u - 'A' + 10;
    return 99;
}

Scan refScan(const std::u16string &s, int base, bool narrow) {
    Scan r;
    size_t i = 0;
    while (refSpace(s[i], narrow)) ++i;
    if (s[i] == '-' || s[i] == '+') r.negative = s[i++] == '-';
    if ((base == 0 || base == 16) && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
        r.end = i - 1;  // the "0" alone, unless digits follow
    } else if (base == 0) {
        base = s[i] == '0' ? 8 : 10;
    }
    const unsigned __int128 saturated = static_cast<unsigned __int128>(1) << 65;
    for (; refDigit(s[i]) < base; ++i) {
        r.magnitude = std::min<unsigned __int128>(r.magnitude * base + refDigit(s[i]), saturated);
        r.end = i + 1;
    }
    return r;
}

struct Expected {
    unsigned __int128 bits;  // the result's bit pattern in its width
    int error;
    size_t end;
};

Expected refConvert(const std::u16string &s, int base, int width, bool isSigned, bool narrow) {
    if (base != 0 && (base < 2 || base > 36)) return {0, EINVAL, 0};
    const Scan r = refScan(s, base, narrow);
    const unsigned __int128 one = 1, mask = (one << width) - 1;
    if (r.end == 0 || r.magnitude == 0) return {0, 0, r.end};
    if (isSigned) {
        const unsigned __int128 limit = (one << (width - 1)) - (r.negative ? 0 : 1);
        if (r.magnitude > limit) return {r.negative ? (one << (width - 1)) : limit, ERANGE, r.end};
    } else if (r.magnitude > mask) {
        return {mask, ERANGE, r.end};
    }
    return {(r.negative ? 0 - r.magnitude : r.magnitude) & mask, 0, r.end};
}

// Texts from an alphabet rich in the units that matter: white space and its
// near misses, signs, prefixes, digits, letters, units above 0x7F whose low
// byte is a digit, full-width digits.
std::u16string randomNumberText(std::mt19937 &rng, bool narrow) {
    static const char16_t alphabet[] = {
        u' ', u'\t', u'\n', 0x1C, 0x85, 0xA0, 0x3000, 0x2000, 0x200B, 0x1680, 0x205F, 0x180E, 0xFEFF, 0x1B,
        u'-', u'+', u'0', u'0', u'x', u'X', u'1', u'7', u'9', u'a', u'f', u'g', u'z', u'Z', 0xB1, 0x131, 0xFF11, u'.'};
    std::u16string s;
    const size_t length = rng() % 40;
    const bool longDigits = rng() % 3 == 0;
    for (size_t i = 0; i < length; ++i) {
        char16_t u = longDigits && i > 2 ? static_cast<char16_t>("0123456789abcdefzZ"[rng() % 18])
                                         : alphabet[rng() % std::size(alphabet)];
        if (narrow && u > 0xFF) u = u'5';
        s.push_back(u);
    }
    return s;
}

template <class Result, class Unit>
void expectMatches(Result (*convert)(const Unit *, Unit **, int32_t), const std::u16string &s, int base, bool narrow) {
    std::basic_string<Unit> text(s.begin(), s.end());
    Unit *end = nullptr;
    Result value = 0;
    const int error = errnoAfter([&] { value = convert(text.c_str(), &end, base); });
    const Expected want = refConvert(s, base, sizeof(Result) * 8, std::is_signed_v<Result>, narrow);
    const auto mask = std::numeric_limits<std::make_unsigned_t<Result>>::max();
    ASSERT_EQ(static_cast<uint64_t>(value) & mask, static_cast<uint64_t>(want.bits)) << base;
    ASSERT_EQ(error, want.error);
    ASSERT_EQ(end - text.c_str(), static_cast<ptrdiff_t>(want.end));
}

TEST(StrtolFamily, RandomTextsEveryBaseMatchReference) {
    std::mt19937 rng(7141);
    for (int round = 0; round < 60000; ++round) {
        const int base = round % 39 - 1;  // -1 to 37
        const std::u16string s = randomNumberText(rng, false), n = randomNumberText(rng, true);
        ASSERT_NO_FATAL_FAILURE(expectMatches(strtolU16, s, base, false));
        ASSERT_NO_FATAL_FAILURE(expectMatches(strtoulU16, s, base, false));
        ASSERT_NO_FATAL_FAILURE(expectMatches(strtollU16, s, base, false));
        ASSERT_NO_FATAL_FAILURE(expectMatches(strtoullU16, s, base, false));
        ASSERT_NO_FATAL_FAILURE(expectMatches(qoru::strtollNarrow, n, base, true));
        ASSERT_NO_FATAL_FAILURE(expectMatches(qoru::strtoullNarrow, n, base, true));
    }
}

// The C runtime's own converters agree where their rules are the same: ASCII
// text with C-locale white space, a legal base and no bare "0x" (which the
// Windows runtime reads as no number at all).
TEST(StrtolFamily, AgreesWithCRuntime) {
    std::mt19937 rng(99);
    for (int round = 0; round < 30000; ++round) {
        const int base = round % 36 == 0 ? 0 : round % 36 + 1;  // 0, 2 to 36
        std::u16string s = randomNumberText(rng, true);
        for (auto &u : s) u = u > 0x7F || (u >= 0x1C && u < 0x20) ? u' ' : u;
        const Scan r = refScan(s, base, true);
        if (r.end != 0 && (s[r.end] == 'x' || s[r.end] == 'X') && s[r.end - 1] == '0') continue;
        const std::string narrow(s.begin(), s.end());
        char *peerEnd = nullptr, *ourEnd = nullptr;
        errno = 0;
        const long long peer = std::strtoll(narrow.c_str(), &peerEnd, base);
        const int peerError = errno;
        const int ourError = errnoAfter([&] { ASSERT_EQ(qoru::strtollNarrow(narrow.c_str(), &ourEnd, base), peer); });
        ASSERT_EQ(ourError, peerError) << narrow;
        ASSERT_EQ(ourEnd, peerEnd) << narrow;
        if constexpr (sizeof(long) == 4) {
            // Windows: wcstol and wcstoul take the UTF-16 text as is.
            const std::wstring wide(s.begin(), s.end());
            wchar_t *wideEnd = nullptr;
            charU16 *unitEnd = nullptr;
            const auto *text = reinterpret_cast<const charU16 *>(wide.c_str());
            errno = 0;
            const long wideValue = std::wcstol(wide.c_str(), &wideEnd, base);
            const int wideError = errno;
            EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(strtolU16(text, &unitEnd, base), wideValue); }), wideError);
            EXPECT_EQ(unitEnd - text, wideEnd - wide.c_str());
            errno = 0;
            const unsigned long wideUnsigned = std::wcstoul(wide.c_str(), &wideEnd, base);
            const int wideUnsignedError = errno;
            // Wine's wcstoul gives 1 for a negative number out of range; only
            // the error is compared there.
            const uint32_t ours = strtoulU16(text, &unitEnd, base);
            if (wideUnsignedError == 0) {
                EXPECT_EQ(ours, wideUnsigned);
            }
            EXPECT_EQ(errnoAfter([&] { strtoulU16(text, &unitEnd, base); }), wideUnsignedError);
        }
    }
}

TEST(StrtolFamily, LimitsAndWhiteSpace) {
    charU16 *end = nullptr;
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(strtolU16(u"-2147483648", &end, 10), INT32_MIN); }), 0);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(strtolU16(u"99999999999x", &end, 10), INT32_MAX); }), ERANGE);
    EXPECT_EQ(*end, u'x');
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(strtoulU16(u"-4294967296", &end, 10), UINT32_MAX); }), ERANGE);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(strtoullU16(u"18446744073709551615", &end, 0), UINT64_MAX); }), 0);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(strtollU16(u"-9223372036854775809", &end, 0), INT64_MIN); }), ERANGE);
    // The whole white-space set is skipped; nothing else is.
    for (char16_t u = 1; u != 0; ++u) {
        const char16_t text[] = {u, u'7', 0};
        if (refDigit(u) < 36 || u == u'-' || u == u'+') continue;
        ASSERT_EQ(strtolU16(text, &end, 10), refSpace(u, false) ? 7 : 0) << int(u);
        ASSERT_EQ(end - text, refSpace(u, false) ? 2 : 0);
    }
    const char bytes[] = {'\xA0', '1', '2', 0};
    EXPECT_EQ(qoru::strtoullNarrow(bytes, nullptr, 10), 12u);
}

TEST(StrtolFamily, IllegalBaseTracedAtHighLevel) {
    const charU16 *text = u" 12";
    charU16 *end = nullptr;
    {
        qoru_test::TraceCapture capture(16);
        EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(strtoullU16(text, &end, 37), 0u); }), EINVAL);
        EXPECT_EQ(end, text);
        ASSERT_EQ(capture.lines().size(), 1u);
        EXPECT_NE(capture.lines()[0].find("Illegal base 37 in strtolU16"), std::string::npos);
    }
    qoru_test::TraceCapture quiet(15);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(strtolU16(text, nullptr, 1), 0); }), EINVAL);
    EXPECT_TRUE(quiet.lines().empty());
}

// ---- strtodU16 ------------------------------------------------------------------

// A random decimal text: white space of the library's set, a sign, integer
// and fraction digits (sometimes more than 24, sometimes leading zeros), an
// exponent that is sometimes incomplete or far out of range, and a tail.
std::u16string randomDecimalText(std::mt19937 &rng) {
    const auto digits = [&](size_t count, char lead) {
        std::u16string d(rng() % 3 == 0 ? rng() % 4 : 0, lead);
        for (size_t i = 0; i < count; ++i) d += static_cast<char16_t>('0' + rng() % 10);
        return d;
    };
    static const char16_t spaces[] = {u' ', u'\t', 0x3000, 0xA0, 0x1C, 0x2028};
    std::u16string s(rng() % 3, spaces[rng() % std::size(spaces)]);
    if (rng() % 3 == 0) s += rng() % 2 ? u'-' : u'+';
    const size_t longDigits = rng() % 4 == 0 ? 40 : 12;
    s += digits(rng() % longDigits, '0');
    if (rng() % 2) s += u'.' + digits(rng() % longDigits, '0');
    if (rng() % 2) {
        s += rng() % 2 ? u'e' : u'E';
        if (rng() % 2) s += rng() % 2 ? u'-' : u'+';
        s += digits(rng() % (rng() % 8 == 0 ? 7 : 4), '0');
    }
    static const char16_t tails[] = {0, u'x', u'e', u'.', u'5', 0xFF15};
    s += tails[rng() % std::size(tails)];
    return s;
}

// What strtod must give for the text: the number cut to its first 24
// significant digits, written as 0.DIGITS e EXPONENT.
std::string twentyFourDigitForm(const std::string &narrow) {
    size_t i = narrow.find_first_not_of(" \t");
    std::string form = narrow[i] == '-' ? "-0." : "0.";
    if (narrow[i] == '-' || narrow[i] == '+') ++i;
    std::string mantissa;
    long long pointAt = -1;
    for (; std::isdigit(static_cast<unsigned char>(narrow[i])) || (narrow[i] == '.' && pointAt < 0); ++i) {
        if (narrow[i] == '.') {
            pointAt = static_cast<long long>(mantissa.size());
        } else {
            mantissa += narrow[i];
        }
    }
    if (pointAt < 0) pointAt = static_cast<long long>(mantissa.size());
    const size_t zeros = std::min(mantissa.find_first_not_of('0'), mantissa.size());
    const long long exponent = (narrow[i] | 0x20) == 'e' ? std::atoll(narrow.c_str() + i + 1) : 0;
    return form + mantissa.substr(zeros, 24) + "0e" + std::to_string(pointAt - static_cast<long long>(zeros) + exponent);
}

TEST(StrtodU16, RandomDecimalTextsMatchCStrtod) {
    std::mt19937 rng(5150);
    for (int round = 0; round < 100000; ++round) {
        const std::u16string s = randomDecimalText(rng);
        std::string narrow;
        for (char16_t u : s) narrow += u < 0x80 && u != 0x1C ? static_cast<char>(u) : u > 0xFF00 ? '#' : ' ';
        char *peerEnd = nullptr;
        errno = 0;
        double peer = std::strtod(narrow.c_str(), &peerEnd);
        int peerError = errno;
        const size_t used = static_cast<size_t>(peerEnd - narrow.c_str());
        if (used == 0) {
            peer = 0.0;  // no number: a plain zero (mingw's strtod keeps a "-")
        } else {
            // Beyond 24 significant digits the rest are dropped, not rounded.
            const std::string form = twentyFourDigitForm(narrow);
            errno = 0;
            peer = std::strtod(form.c_str(), nullptr);
            peerError = errno;
        }
        // Only ERANGE counts (mingw's strtod leaves other values behind), and
        // not glibc's for an inexact subnormal result.
        if (peerError != ERANGE || std::fpclassify(peer) == FP_SUBNORMAL) peerError = 0;
        charU16 *end = nullptr;
        double value = 0;
        const int error = errnoAfter([&] { value = strtodU16(s.c_str(), &end); });
        ASSERT_EQ(std::memcmp(&value, &peer, sizeof value), 0) << narrow << ": " << value << " " << peer;
        ASSERT_EQ(error, peerError) << narrow;
        ASSERT_EQ(static_cast<size_t>(end - s.c_str()), used) << narrow;
    }
}

TEST(StrtodU16, SpellingsLimitsAndEnds) {
    const double inf = HUGE_VAL;
    const struct {
        const char16_t *text;
        double value;
        int error;
        size_t end;
    } cases[] = {
        {u"inf", inf, 0, 3},           {u"iNF", inf, 0, 3},         {u"-Infinity", -inf, 0, 9},
        {u"INFINITY", inf, 0, 8},      {u"infINITY", inf, 0, 3},    {u"InF", 0, 0, 0},
        {u"nAn", 0, 0, 0},             {u"0x1A", 0, 0, 1},          {u"-0", -0.0, 0, 2},
        {u"1e+", 1, 0, 1},             {u"-.", 0, 0, 0},            {u"\u30001.5", 1.5, 0, 4},
        {u"1e10000", inf, ERANGE, 7},  {u"-1e-10000", -0.0, ERANGE, 9}, {u"0e10000", 0, 0, 7},
        {u"1e00005", 1e5, 0, 7},       {u"\uFF11", 0, 0, 0},        {u"0.000123", 0.000123, 0, 8},
    };
    for (const auto &c : cases) {
        charU16 *end = nullptr;
        double value = 1;
        EXPECT_EQ(errnoAfter([&] { value = strtodU16(c.text, &end); }), c.error);
        EXPECT_EQ(std::memcmp(&value, &c.value, sizeof value), 0) << value;
        EXPECT_EQ(static_cast<size_t>(end - c.text), c.end);
    }
    for (const char16_t *nan : {u"nan", u"NaN", u"-NAN"}) EXPECT_TRUE(std::isnan(strtodU16(nan, nullptr)));
    // The computed exponent decides far out of range, whatever the sign of
    // the written one; within range it combines with the written exponent.
    const std::u16string manyDigits = u"1" + std::u16string(200000, u'3');
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(strtodU16((manyDigits + u"e-5").c_str(), nullptr), inf); }), ERANGE);
    const std::u16string smallFraction = u"0." + std::u16string(199999, u'0') + u"1";
    EXPECT_EQ(strtodU16((smallFraction + u"e200000").c_str(), nullptr), 1.0);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(strtodU16((smallFraction + u"e5").c_str(), nullptr), 0.0); }), ERANGE);
    EXPECT_EQ(strtodU16((u"-0." + std::u16string(200000, u'0')).c_str(), nullptr), 0.0);
}

TEST(StrtodNarrow, ScanEngineTexts) {
    const struct {
        const char *text;
        double value;
        size_t end;
    } cases[] = {{"-1.5e3", -1500, 6}, {"1.5e", 1.5, 3}, {"e5", 0, 0}, {" +2", 2, 3}, {"+-2", 0, 0}, {"nAn(x)", NAN, 6}};
    for (const auto &c : cases) {
        char *end = nullptr;
        const double value = qoru::strtodNarrow(c.text, &end);
        EXPECT_TRUE(value == c.value || (std::isnan(value) && std::isnan(c.value))) << c.text;
        EXPECT_EQ(static_cast<size_t>(end - c.text), c.end) << c.text;
    }
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(qoru::strtodNarrow("1e999", nullptr), HUGE_VAL); }), ERANGE);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(qoru::strtodNarrow("-1e-999", nullptr), 0.0); }), ERANGE);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(qoru::strtodNarrow("0e-999", nullptr), 0.0); }), 0);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(qoru::strtodNarrow("-Infinity", nullptr), -HUGE_VAL); }), 0);
}

// ---- ecvtU16 ----------------------------------------------------------------------

// The exact decimal digits of a finite nonzero |value| = m * 2^e, from the
// decimal digits of m * 2^e or m * 5^-e in base-10^9 limbs, rounded to count
// digits half to even; position is the decimal point's.
std::string exactDigits(double value, int count, int &position) {
    int e = 0;
    uint64_t m = static_cast<uint64_t>(std::ldexp(std::frexp(std::fabs(value), &e), 53));
    e -= 53;
    std::vector<uint64_t> limbs;
    for (; m != 0; m /= 1000000000) limbs.push_back(m % 1000000000);
    const auto multiply = [&limbs](uint64_t k) {
        uint64_t carry = 0;
        for (auto &l : limbs) {
            carry += l * k;
            l = carry % 1000000000;
            carry /= 1000000000;
        }
        for (; carry != 0; carry /= 1000000000) limbs.push_back(carry % 1000000000);
    };
    int shift = 0;
    for (int s; e > 0; e -= s) multiply(uint64_t{1} << (s = std::min(e, 29)));
    for (int s; e < 0; e += s, shift += s) multiply(static_cast<uint64_t>(std::pow(5.0, s = std::min(-e, 13))));
    std::string d = std::to_string(limbs.back());
    for (size_t i = limbs.size() - 1; i-- > 0;) d += std::to_string(limbs[i] + 1000000000).substr(1);
    position = static_cast<int>(d.size()) - shift;
    if (d.size() <= static_cast<size_t>(count)) return d + std::string(static_cast<size_t>(count) - d.size(), '0');
    const std::string tail = d.substr(static_cast<size_t>(count));
    d.resize(static_cast<size_t>(count));
    const bool tie = tail[0] == '5' && tail.find_first_not_of('0', 1) == std::string::npos;
    if (tail[0] > '5' || (tail[0] == '5' && !tie) || (tie && (d.back() - '0') % 2 == 1)) {
        size_t i = d.size();
        while (i > 0 && d[i - 1] == '9') d[--i] = '0';
        if (i == 0) {
            d = '1' + d.substr(0, d.size() - 1);
            ++position;
        } else {
            ++d[i - 1];
        }
    }
    return d;
}

// The C runtime's own digits where ecvt is _ecvt (Windows, where long has 32
// bits). glibc's ecvt scales the value in floating point and misses the exact
// digits now and then, so Linux takes the exact reference above.
bool peerEcvt(double value, int count, std::string &digits, int &position, int &negative) {
    if constexpr (sizeof(long) == 4) {
        digits = ecvt(value, count, &position, &negative);
    } else {
        if (count < 1 || value == 0) return false;
        digits = exactDigits(value, count, position);
        negative = std::signbit(value);
    }
    return true;
}

TEST(EcvtU16, RandomValuesAndCountsMatchCRuntime) {
    std::mt19937_64 rng(31337);
    for (int round = 0; round < 20000; ++round) {
        double value;
        const uint64_t bits = rng();
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        if (round % 3 == 0) value = static_cast<double>(static_cast<int64_t>(bits) >> (bits % 60));
        const int count = static_cast<int>(rng() % (round % 2 ? 18 : 400));
        std::string digits;
        int position = 0, negative = 0;
        if (!peerEcvt(value, count, digits, position, negative)) continue;
        int32_t ourPosition = 0, ourNegative = 0;
        errno = 12345;
        const charU16 *ours = ecvtU16(value, count, &ourPosition, &ourNegative);
        ASSERT_EQ(errno, 12345);
        ASSERT_EQ(std::u16string(ours), std::u16string(digits.begin(), digits.begin() + std::min<size_t>(digits.size(), 127)));
        ASSERT_EQ(ourPosition, position) << digits;
        ASSERT_EQ(ourNegative != 0, negative != 0);
    }
}

TEST(EcvtU16, CutAt127DigitsWithReport) {
    int32_t position = 0, negative = 0;
    EXPECT_EQ(std::u16string(ecvtU16(-2.5, 0, nullptr, nullptr)), u"");
    const size_t most = std::u16string(ecvtU16(0.1, 300, &position, &negative)).size();
    if (most < 127) GTEST_SKIP() << "this C runtime's _ecvt gives only " << most << " digits";
    qoru_test::TraceCapture capture(1);
    EXPECT_EQ(std::u16string(ecvtU16(0.1, 127, &position, &negative)).size(), 127u);
    EXPECT_TRUE(capture.lines().empty());
    EXPECT_EQ(std::u16string(ecvtU16(0.1, 128, &position, &negative)).size(), 127u);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_NE(capture.lines()[0].find("Function excvtU16 :\nArray wstring length MAX_NDIGITS is too small."),
              std::string::npos);
}

}  // namespace
