// Number parsing: the strtol family against a plain reference on random texts
// (and the C runtime's own converters where they share the rules).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <random>
#include <string>

#include "errno_after.h"
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
        if constexpr (sizeof(wchar_t) == 2 && sizeof(long) == 4) {
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

}  // namespace
