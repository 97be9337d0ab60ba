// Number parsing on random texts against plain references and the C runtime's
// wcstol/wcstoul (Windows), strtod, and ecvt or exact "%.*e" digits.
#include <gtest/gtest.h>

#include <cctype>
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
#include "number_reference.h"
#include "qorucum.h"
#include "trace_capture.h"
#include "utf8_text.h"

namespace {

using namespace qoru_test;
constexpr bool windowsRuntime = sizeof(long) == 4;

// Texts rich in white space and its near misses, signs, prefixes, digits, letters, units above 0x7F whose low byte is a
// digit, full-width digits; a third of them long runs of digits.
std::u16string randomNumberText(std::mt19937 &rng) {
    static const char16_t alphabet[] = {
        u' ', u'\t', u'\n', 0x1C, 0x85, 0xA0, 0x3000, 0x2000, 0x200B, 0x1680, 0x205F, 0x180E, 0xFEFF, 0x1B,
        u'-', u'+', u'0', u'0', u'x', u'X', u'1', u'7', u'9', u'a', u'f', u'g', u'z', u'Z', 0xB1, 0x131, 0xFF11, u'.'};
    std::u16string s(rng() % 40, u' ');
    const bool longDigits = rng() % 3 == 0;
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = longDigits && i > 2 ? "0123456789abcdefzZ"[rng() % 18] : alphabet[rng() % std::size(alphabet)];
    return s;
}

// On Windows the reference is checked in turn against wcstol and wcstoul, whose long has
// 32 bits and whose wchar_t is a UTF-16 unit, where their rules are the same: ASCII with C
// white space, a legal base and no bare "0x" (no number at all for them).
void expectWcstolAgrees(std::u16string s, int base) {
    for (auto &u : s) u = u > 0x7F || (u >= 0x1C && u < 0x20) ? u' ' : u;
    const auto want = refStrtol(s.c_str(), base, 32, false);
    if (want.error == EINVAL || (want.end != 0 && (s[want.end] | 0x20) == 'x' && s[want.end - 1] == '0')) return;
    EXPECT_TRUE(strtolAgrees(std::wcstol, s, base)) << base << " " << utf8Of(s);
    const std::wstring wide(s.begin(), s.end());
    unsigned long value = 0;
    EXPECT_EQ(errnoAfter([&] { value = std::wcstoul(wide.c_str(), nullptr, base); }), want.error);
    // Wine's wcstoul gives 1 for a negative number out of range.
    EXPECT_TRUE(want.error != 0 || value == want.bits) << base << " " << utf8Of(s);
}

TEST(StrtolFamily, RandomTextsEveryBaseMatchReference) {
    std::mt19937 rng(7141);
    const auto all = [](const std::u16string &s, int base) {
        std::u16string n = s;  // the narrow converters' bytes
        for (auto &u : n) u = u > 0xFF ? u'5' : u;
        const auto each = [&](const std::u16string &text, auto... f) { return (strtolAgrees(f, text, base) && ...); };
        using namespace qoru;
        ASSERT_TRUE(each(s, strtolU16, strtoulU16, strtollU16, strtoullU16)) << base << " " << utf8Of(s);
        ASSERT_TRUE(each(n, strtolNarrow, strtoulNarrow, strtollNarrow, strtoullNarrow)) << base << " " << utf8Of(n);
    };
    for (int round = 0; round < 60000; ++round) {
        const std::u16string s = randomNumberText(rng);
        ASSERT_NO_FATAL_FAILURE(all(s, round % 39 - 1));
        if (windowsRuntime) expectWcstolAgrees(s, round % 39 - 1);
    }
    // The exact limits, which random digits seldom meet.
    for (const char16_t *s : {u"-2147483648", u"-2147483649", u"4294967296", u"-4294967295", u"18446744073709551615",
                              u"18446744073709551616", u"-0x8000000000000000", u"-9223372036854775809"})
        ASSERT_NO_FATAL_FAILURE(all(s, 0));
}

TEST(StrtolFamily, WhiteSpaceSetAndIllegalBase) {
    charU16 *end = nullptr;
    for (char16_t u = 1; u != 0; ++u) {
        const char16_t text[] = {u, u'7', 0};
        if (refDigit(u) < 36 || u == u'-' || u == u'+') continue;
        ASSERT_EQ(strtolU16(text, &end, 10), refSpace(u) ? 7 : 0) << int(u);
    }
    // An illegal base reports at trace level 16 and above (its result is in the random test).
    for (int level : {15, 16}) {
        TraceCapture capture(level);
        strtoullU16(u" 12", &end, 37);
        EXPECT_EQ(capture.joined().find("Illegal base 37 in strtolU16") != std::string::npos, level == 16);
    }
}

// White space, a sign, a spelling or integer and fraction digits (sometimes more than 24, sometimes leading zeros), an
// exponent sometimes incomplete or far out of range, and a tail.
std::u16string randomDecimalText(std::mt19937 &rng) {
    static const char16_t *const spaces[] = {u"", u" ", u"\t\u3000", u"\u00A0\u001C", u"\u2028"};
    static const char16_t *const signs[] = {u"", u"", u"-", u"+", u"+-"};
    static const char16_t *const words[] = {u"inf",    u"iNF", u"Infinity", u"INFINITY", u"infINITY",
                                            u"InF",    u"nan", u"NaN",      u"nAn",      u"-NAN"};
    static const char16_t *const exponents[] = {u"e", u"E", u"e+", u"E-", u"e-"};
    static const char16_t *const tails[] = {u"", u"", u"x", u"e", u".", u"5", u"\uFF15"};
    const auto pick = [&](const auto &list) { return std::u16string(list[rng() % std::size(list)]); };
    const auto digits = [&](size_t count) {
        std::u16string d(rng() % 3 == 0 ? rng() % 4 : 0, u'0');
        while (count-- > 0) d += static_cast<char16_t>('0' + rng() % 10);
        return d;
    };
    std::u16string s = pick(spaces);
    s += pick(signs);
    if (rng() % 8 == 0) return s + pick(words) + pick(tails);
    const size_t most = rng() % 4 == 0 ? 40 : 12;
    s += digits(rng() % most);
    if (rng() % 2) s += u'.' + digits(rng() % most);
    if (rng() % 2) s += pick(exponents) + digits(rng() % (rng() % 8 ? 4 : 7));
    return s + pick(tails);
}

// The narrow conversion as the C library's strtod is called: C white space and a "+" skipped first.
double narrowStrtod(const char *text, char **end) {
    const char *p = text + std::strspn(text, " \t\n\v\f\r");
    if (*p == '+' && p[1] != '-') ++p;
    const char *stop = p;
    const double value = qoru::convertDecimalText(p, p + std::strlen(p), &stop, qoru::numberDecimalPoint());
    *end = const_cast<char *>(stop == p ? text : stop);
    return value;
}

TEST(Strtod, RandomDecimalTextsMatchCStrtod) {
    std::mt19937 rng(5150);
    for (int round = 0; round < 100000; ++round) {
        const std::u16string s = randomDecimalText(rng);
        // The narrow conversion keeps every digit, takes C white space only and the spellings in any case.
        std::string narrow;
        std::u16string lower;
        for (char16_t u : s) {
            narrow += u < 0x80 && u != 0x1C ? static_cast<char>(u) : u > 0xFF00 ? '#' : ' ';
            lower += static_cast<char16_t>(std::tolower(static_cast<unsigned char>(narrow.back())));
        }
        ASSERT_TRUE(strtodAgrees(strtodU16, s, refStrtod(s.c_str()))) << narrow;
        ASSERT_TRUE(strtodAgrees(narrowStrtod, narrow, refStrtod(lower.c_str(), std::string::npos))) << narrow;
    }
    // Far out of range the computed exponent decides, whatever the written one's sign; within range the two combine.
    const std::u16string many3(200001, u'3');
    const std::u16string tiny = u"." + std::u16string(199999, u'0') + u"1";
    for (const std::u16string &s : {many3 + u"e-5", tiny + u"e200000", tiny + u"e5"})
        ASSERT_TRUE(strtodAgrees(strtodU16, s, refStrtod(s.c_str()))) << s.size();
}

// glibc's ecvt scales the value in floating point and misses exact digits now and then, so Linux compares with the C
// library's exact "%.*e" text (ties to even), zero's position being 0.
std::string peerEcvt(double value, int count, int &position, int &negative) {
    if (windowsRuntime) return ecvt(value, count, &position, &negative);
    char text[512];
    std::snprintf(text, sizeof text, "%+.*e", std::max(count, 1) - 1, value);
    negative = text[0] == '-';
    position = value == 0 ? 0 : std::atoi(std::strchr(text, 'e') + 1) + 1;
    std::string d(text + 1, std::strchr(text, 'e'));  // d.ddd
    if (d.size() > 1) d.erase(1, 1);
    return count < 1 ? "" : d;
}

// Digits past 127 are cut with a report.
TEST(EcvtU16, RandomValuesAndCountsMatchCRuntime) {
    TraceCapture capture(1);
    const std::string report = "Function excvtU16 :\nArray wstring length MAX_NDIGITS is too small.";
    std::mt19937_64 rng(31337);
    for (int round = 0; round < 20000; ++round) {
        double value;
        const uint64_t bits = rng();
        std::memcpy(&value, &bits, sizeof value);
        if (round % 3 == 0) value = static_cast<double>(static_cast<int64_t>(bits) >> (bits % 60));
        if (!std::isfinite(value)) continue;
        const int count = static_cast<int>(rng() % (round % 2 ? 18 : 340)) - 1;
        int position = 0, negative = 0;
        std::string digits = peerEcvt(value, count, position, negative);
        int32_t ourPosition = 0, ourNegative = 0;
        errno = 12345;
        capture.clear();
        const charU16 *ours = ecvtU16(value, count, &ourPosition, &ourNegative);
        ASSERT_EQ(errno, 12345);
        ASSERT_EQ(capture.joined().find(report) != std::string::npos, digits.size() > 127) << capture.joined();
        digits.resize(std::min<size_t>(digits.size(), 127));
        ASSERT_EQ(std::u16string(ours), std::u16string(digits.begin(), digits.end()));
        ASSERT_TRUE(count < 1 || ourPosition == position) << digits;
        ASSERT_EQ(ourNegative != 0, negative != 0);
    }
    EXPECT_EQ(std::u16string(ecvtU16(-2.5, 3, nullptr, nullptr)), u"250");  // null pointers: the digits alone
}

}  // namespace
