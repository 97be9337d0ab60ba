// Number parsing: the strtol family against a plain reference on random texts
// and, on Windows, against wcstol/wcstoul; strtodU16 against the C library's
// strtod on the text or its 24-digit form; ecvtU16 against the C runtime's
// _ecvt (Windows) or the C library's exact "%.*e" digits (Linux).
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>

#include "errno_after.h"
#include "i18n/qoru16/u16_tod.h"
#include "i18n/qoru16/u16_tol.h"
#include "qorucum.h"
#include "trace_capture.h"

namespace {

using qoru_test::errnoAfter;
constexpr bool windowsRuntime = sizeof(long) == 4;

// ---- strtol family -------------------------------------------------------------

bool refSpace(char16_t u) {
    return (u >= 9 && u <= 13) || (u >= 0x1C && u <= 0x20) || u == 0x85 || u == 0xA0 || u == 0x1680 ||
           (u >= 0x2000 && u <= 0x200B) || u == 0x2028 || u == 0x2029 || u == 0x202F || u == 0x3000;
}

int refDigit(char16_t u) {
    return u >= '0' && u <= '9' ? u - '0' : u >= 'a' && u <= 'z' ? u - 'a' + 10 : u >= 'A' && u <= 'Z' ? u - 'A' + 10 : 99;
}

struct Expected {
    uint64_t bits;  // the result's bit pattern in its width
    int error;
    size_t end;
};

// A plain reading of the family's rules, the magnitude in 128 bits.
Expected refStrtol(const std::u16string &s, int base, int width, bool isSigned) {
    if (base != 0 && (base < 2 || base > 36)) return {0, EINVAL, 0};
    size_t i = 0, end = 0;
    while (refSpace(s[i])) ++i;
    const bool negative = s[i] == '-';
    if (s[i] == '-' || s[i] == '+') ++i;
    if ((base == 0 || base == 16) && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
        end = i - 1;  // the "0" alone, unless digits follow
    } else if (base == 0) {
        base = s[i] == '0' ? 8 : 10;
    }
    using U128 = unsigned __int128;
    U128 magnitude = 0;
    for (; refDigit(s[i]) < base; end = ++i) magnitude = std::min<U128>(magnitude * base + refDigit(s[i]), U128{1} << 65);
    const U128 one = 1, mask = (one << width) - 1, limit = isSigned ? (one << (width - 1)) - !negative : mask;
    if (magnitude > limit) return {static_cast<uint64_t>(limit), ERANGE, end};  // the clamped value's bits
    return {static_cast<uint64_t>((negative ? 0 - magnitude : magnitude) & mask), 0, end};
}

// Texts rich in the units that matter: white space and its near misses,
// signs, prefixes, digits, letters, units above 0x7F whose low byte is a
// digit, full-width digits; a third of them long runs of digits. Narrow
// texts keep to units below 0x100.
std::u16string randomNumberText(std::mt19937 &rng, bool narrow) {
    static const char16_t alphabet[] = {
        u' ', u'\t', u'\n', 0x1C, 0x85, 0xA0, 0x3000, 0x2000, 0x200B, 0x1680, 0x205F, 0x180E, 0xFEFF, 0x1B,
        u'-', u'+', u'0', u'0', u'x', u'X', u'1', u'7', u'9', u'a', u'f', u'g', u'z', u'Z', 0xB1, 0x131, 0xFF11, u'.'};
    std::u16string s(rng() % 40, u' ');
    const bool longDigits = rng() % 3 == 0;
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = longDigits && i > 2 ? "0123456789abcdefzZ"[rng() % 18] : alphabet[rng() % std::size(alphabet)];
        if (narrow && s[i] > 0xFF) s[i] = u'5';
    }
    return s;
}

template <class Result, class Unit>
void expectMatches(Result (*convert)(const Unit *, Unit **, int32_t), const std::u16string &s, int base) {
    const std::basic_string<Unit> text(s.begin(), s.end());
    Unit *end = nullptr;
    Result value = 0;
    const int error = errnoAfter([&] { value = convert(text.c_str(), &end, base); });
    const Expected want = refStrtol(s, base, sizeof(Result) * 8, std::is_signed_v<Result>);
    ASSERT_EQ(static_cast<uint64_t>(static_cast<std::make_unsigned_t<Result>>(value)), want.bits) << base;
    ASSERT_EQ(error, want.error);
    ASSERT_EQ(static_cast<size_t>(end - text.c_str()), want.end);
}

TEST(StrtolFamily, RandomTextsEveryBaseMatchReference) {
    std::mt19937 rng(7141);
    for (int round = 0; round < 60000; ++round) {
        const int base = round % 39 - 1;  // -1 to 37
        const std::u16string s = randomNumberText(rng, false), n = randomNumberText(rng, true);
        ASSERT_NO_FATAL_FAILURE(expectMatches(strtolU16, s, base));
        ASSERT_NO_FATAL_FAILURE(expectMatches(strtoulU16, s, base));
        ASSERT_NO_FATAL_FAILURE(expectMatches(strtollU16, s, base));
        ASSERT_NO_FATAL_FAILURE(expectMatches(strtoullU16, s, base));
        ASSERT_NO_FATAL_FAILURE(expectMatches(qoru::strtollNarrow, n, base));
        ASSERT_NO_FATAL_FAILURE(expectMatches(qoru::strtoullNarrow, n, base));
    }
    // The exact limits, which random digits seldom meet.
    ASSERT_NO_FATAL_FAILURE(expectMatches(strtolU16, u"-2147483648", 10));
    ASSERT_NO_FATAL_FAILURE(expectMatches(strtolU16, u"-2147483649", 10));
    ASSERT_NO_FATAL_FAILURE(expectMatches(strtoulU16, u"-4294967295", 10));
    ASSERT_NO_FATAL_FAILURE(expectMatches(strtoullU16, u"18446744073709551616", 10));
    ASSERT_NO_FATAL_FAILURE(expectMatches(strtollU16, u"-0x8000000000000000", 0));
}

// wcstol and wcstoul, whose long has 32 bits and whose wchar_t is a UTF-16
// unit, agree where their rules are the same: ASCII with C white space and no
// bare "0x" (no number at all for them).
TEST(StrtolFamily, AgreesWithWindowsWcstol) {
    if (!windowsRuntime) GTEST_SKIP() << "wcstol's long has 64 bits and wchar_t 32 here";
    std::mt19937 rng(99);
    for (int round = 0; round < 30000; ++round) {
        const int base = round % 36 == 0 ? 0 : round % 36 + 1;  // 0, 2 to 36
        std::u16string s = randomNumberText(rng, true);
        for (auto &u : s) u = u > 0x7F || (u >= 0x1C && u < 0x20) ? u' ' : u;
        const size_t end = refStrtol(s, base, 32, true).end;
        if (end != 0 && (s[end] | 0x20) == 'x' && s[end - 1] == '0') continue;
        const std::wstring wide(s.begin(), s.end());
        const auto *text = reinterpret_cast<const charU16 *>(wide.c_str());
        wchar_t *wideEnd = nullptr;
        charU16 *unitEnd = nullptr;
        errno = 0;
        const long signedPeer = std::wcstol(wide.c_str(), &wideEnd, base);
        const int signedError = errno;
        EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(strtolU16(text, &unitEnd, base), signedPeer); }), signedError);
        EXPECT_EQ(unitEnd - text, wideEnd - wide.c_str());
        errno = 0;
        const unsigned long unsignedPeer = std::wcstoul(wide.c_str(), &wideEnd, base);
        const int unsignedError = errno;
        uint32_t ours = 0;
        EXPECT_EQ(errnoAfter([&] { ours = strtoulU16(text, &unitEnd, base); }), unsignedError);
        // Wine's wcstoul gives 1 for a negative number out of range.
        EXPECT_TRUE(unsignedError != 0 || ours == unsignedPeer) << std::string(s.begin(), s.end());
    }
}

TEST(StrtolFamily, WhiteSpaceSetAndIllegalBase) {
    charU16 *end = nullptr;
    for (char16_t u = 1; u != 0; ++u) {
        const char16_t text[] = {u, u'7', 0};
        if (refDigit(u) < 36 || u == u'-' || u == u'+') continue;
        ASSERT_EQ(strtolU16(text, &end, 10), refSpace(u) ? 7 : 0) << int(u);
        ASSERT_EQ(end - text, refSpace(u) ? 2 : 0);
    }
    EXPECT_EQ(qoru::strtoullNarrow("\xA0" "12", nullptr, 10), 12u);
    qoru_test::TraceCapture capture(16);
    const charU16 *text = u" 12";
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(strtoullU16(text, &end, 37), 0u); }), EINVAL);
    EXPECT_EQ(end, text);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_NE(capture.lines()[0].find("Illegal base 37 in strtolU16"), std::string::npos);
    nlsui_set_trace(nullptr, 15);
    capture.clear();
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(strtolU16(text, nullptr, 1), 0); }), EINVAL);
    EXPECT_TRUE(capture.lines().empty());
}

// ---- strtodU16 ------------------------------------------------------------------

// White space, a sign, integer and fraction digits (sometimes more than 24,
// sometimes leading zeros), an exponent sometimes incomplete or far out of
// range, and a tail.
std::u16string randomDecimalText(std::mt19937 &rng) {
    const auto digits = [&](size_t count) {
        std::u16string d(rng() % 3 == 0 ? rng() % 4 : 0, u'0');
        while (count-- > 0) d += static_cast<char16_t>('0' + rng() % 10);
        return d;
    };
    static const char16_t spaces[] = {u' ', u'\t', 0x3000, 0xA0, 0x1C, 0x2028};
    std::u16string s(rng() % 3, spaces[rng() % std::size(spaces)]);
    if (rng() % 3 == 0) s += rng() % 2 ? u'-' : u'+';
    const size_t most = rng() % 4 == 0 ? 40 : 12;
    s += digits(rng() % most);
    if (rng() % 2) s += u'.' + digits(rng() % most);
    if (rng() % 2) {
        s += u"eE"[rng() % 2];
        if (rng() % 3) s += u"+-"[rng() % 2];
        s += digits(rng() % (rng() % 8 ? 4 : 7));
    }
    static const char16_t tails[] = {u'x', u'e', u'.', u'5', 0xFF15};
    if (rng() % 2) s += tails[rng() % std::size(tails)];
    return s;
}

// The number cut to its first 24 significant digits, as 0.DIGITS e EXPONENT.
std::string twentyFourDigitForm(const std::string &narrow) {
    size_t i = narrow.find_first_not_of(" \t");
    std::string mantissa, form = narrow[i] == '-' ? "-0." : "0.";
    if (narrow[i] == '-' || narrow[i] == '+') ++i;
    long long pointAt = -1;
    for (; std::isdigit(static_cast<unsigned char>(narrow[i])) || (narrow[i] == '.' && pointAt < 0); ++i) {
        if (narrow[i] == '.') pointAt = static_cast<long long>(mantissa.size());
        if (narrow[i] != '.') mantissa += narrow[i];
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
        double peer = std::strtod(narrow.c_str(), &peerEnd);
        const size_t used = static_cast<size_t>(peerEnd - narrow.c_str());
        // No number is a plain zero (mingw's strtod keeps a "-"); beyond 24
        // significant digits the rest are dropped, not rounded.
        const std::string form = used == 0 ? "0" : twentyFourDigitForm(narrow);
        errno = 0;
        peer = std::strtod(form.c_str(), nullptr);
        // Only ERANGE counts, and not glibc's for an inexact subnormal.
        const int peerError = errno == ERANGE && std::fpclassify(peer) != FP_SUBNORMAL ? ERANGE : 0;
        charU16 *end = nullptr;
        double value = 0;
        ASSERT_EQ(errnoAfter([&] { value = strtodU16(s.c_str(), &end); }), peerError) << narrow;
        ASSERT_EQ(std::memcmp(&value, &peer, sizeof value), 0) << narrow << ": " << value << " " << peer;
        ASSERT_EQ(static_cast<size_t>(end - s.c_str()), used) << narrow;
    }
}

TEST(StrtodU16, SpellingsLimitsAndEnds) {
    const double inf = HUGE_VAL;
    std::u16string many3(200001, u'3'), tiny(200002, u'0');
    many3[0] = u'1';
    tiny[1] = u'.';
    tiny.back() = u'1';
    const struct {
        std::u16string text;
        double value;
        int error;
        size_t end;
    } cases[] = {
        {u"inf", inf, 0, 3},          {u"iNF", inf, 0, 3},          {u"-Infinity", -inf, 0, 9},
        {u"INFINITY", inf, 0, 8},     {u"infINITY", inf, 0, 3},     {u"InF", 0, 0, 0},
        {u"nAn", 0, 0, 0},            {u"0x1A", 0, 0, 1},           {u"-0", -0.0, 0, 2},
        {u"1e+", 1, 0, 1},            {u"-.", 0, 0, 0},             {u"\u30001.5", 1.5, 0, 4},
        {u"1e10000", inf, ERANGE, 7}, {u"-1e-10000", -0.0, ERANGE, 9}, {u"0e10000", 0, 0, 7},
        {u"1e00005", 1e5, 0, 7},      {u"\uFF11", 0, 0, 0},         {u"0.000123", 0.000123, 0, 8},
        // Far out of range the computed exponent decides, whatever the
        // written one's sign; within range the two combine.
        {many3 + u"e-5", inf, ERANGE, 200004}, {tiny + u"e200000", 1.0, 0, 200009}, {tiny + u"e5", 0, ERANGE, 200004},
    };
    for (const auto &c : cases) {
        charU16 *end = nullptr;
        double value = 1;
        EXPECT_EQ(errnoAfter([&] { value = strtodU16(c.text.c_str(), &end); }), c.error);
        EXPECT_EQ(std::memcmp(&value, &c.value, sizeof value), 0) << value;
        EXPECT_EQ(static_cast<size_t>(end - c.text.c_str()), c.end);
    }
    for (const char16_t *nan : {u"nan", u"NaN", u"-NAN"}) EXPECT_TRUE(std::isnan(strtodU16(nan, nullptr)));
}

TEST(StrtodNarrow, ScanEngineTexts) {
    const struct {
        const char *text;
        double value;
        size_t end;
        int error;
    } cases[] = {{"-1.5e3", -1500, 6, 0},    {"1.5e", 1.5, 3, 0},        {"e5", 0, 0, 0},
                 {" +2", 2, 3, 0},           {"+-2", 0, 0, 0},           {"1e999", HUGE_VAL, 5, ERANGE},
                 {"-1e-999", -0.0, 7, ERANGE}, {"0e-999", 0, 6, 0},        {"-Infinity", -HUGE_VAL, 9, 0}};
    for (const auto &c : cases) {
        char *end = nullptr;
        double value = 1;
        EXPECT_EQ(errnoAfter([&] { value = qoru::strtodNarrow(c.text, &end); }), c.error) << c.text;
        EXPECT_EQ(std::memcmp(&value, &c.value, sizeof value), 0) << c.text;
        EXPECT_EQ(static_cast<size_t>(end - c.text), c.end) << c.text;
    }
    EXPECT_TRUE(std::isnan(qoru::strtodNarrow("nAn", nullptr)));
}

// ---- ecvtU16 ----------------------------------------------------------------------

// ecvt is _ecvt on Windows. glibc's ecvt scales the value in floating point
// and misses exact digits now and then, so Linux compares with the C
// library's exact "%.*e" text (ties to even), zero's position being 0.
std::string peerEcvt(double value, int count, int &position, int &negative) {
    if (windowsRuntime) return ecvt(value, count, &position, &negative);
    char text[512];
    const int digits = std::max(count, 1);
    std::snprintf(text, sizeof text, "%+.*e", digits - 1, value);
    negative = text[0] == '-';
    position = value == 0 ? 0 : std::atoi(std::strchr(text, 'e') + 1) + 1;
    std::string d(text + 1, std::strchr(text, 'e'));  // d.ddd
    if (d.size() > 1) d.erase(1, 1);
    return count < 1 ? "" : d;
}

TEST(EcvtU16, RandomValuesAndCountsMatchCRuntime) {
    const qoru_test::TraceCapture quiet(0);  // counts above 127 report
    std::mt19937_64 rng(31337);
    for (int round = 0; round < 20000; ++round) {
        double value;
        const uint64_t bits = rng();
        std::memcpy(&value, &bits, sizeof value);
        if (round % 3 == 0) value = static_cast<double>(static_cast<int64_t>(bits) >> (bits % 60));
        if (!std::isfinite(value)) continue;
        const int count = static_cast<int>(rng() % (round % 2 ? 18 : 340)) - 1;
        int position = 0, negative = 0;
        const std::string digits = peerEcvt(value, count, position, negative);
        int32_t ourPosition = 0, ourNegative = 0;
        errno = 12345;
        const charU16 *ours = ecvtU16(value, count, &ourPosition, &ourNegative);
        ASSERT_EQ(errno, 12345);
        ASSERT_EQ(std::u16string(ours), std::u16string(digits.begin(), digits.begin() + std::min<size_t>(digits.size(), 127)));
        ASSERT_TRUE(count < 1 || ourPosition == position) << digits;
        ASSERT_EQ(ourNegative != 0, negative != 0);
    }
}

TEST(EcvtU16, CutAt127DigitsWithReport) {
    int32_t position = 0, negative = 0;
    EXPECT_EQ(std::u16string(ecvtU16(-2.5, 3, nullptr, nullptr)), u"250");
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
