// Whole-string conversion: Utf8sToU2s against ICU on valid text and against a
// plain reference decoder on random bytes, the invalid-input table, the limit
// and counting rules, U2sToUtf8s and its round trip, and the failure report
// byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "flat/nlsui1_utf8.h"
#include "qorucum.h"
#include "random_units.h"
#include "trace_frame.h"

#ifdef QORU_TEST_HAS_ICU
#include <unicode/ustring.h>
#endif

namespace {

using qoru::Utf8sToU2s;
using qoru::utf8Invalid;
using qoru_test::TraceCapture;
using qoru_test::UnitSource;
using Units = std::u16string;

constexpr charU16 canary = 0xCCCC;

// ---- Reference decoder ---------------------------------------------------------------
// Straight from the table of well-formed sequences (shortest forms up to
// U+10FFFF), with encoded surrogates accepted.

struct Decoded {
    bool valid;
    char32_t value;
    size_t length;  // bytes taken; when invalid, bytes examined including the bad one
};

Decoded refDecodeOne(const unsigned char *p) {
    const unsigned char b = p[0];
    if (b < 0x80) return {true, b, 1};
    size_t trail;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t v;
    if (b >= 0xC2 && b <= 0xDF) trail = 1, v = b & 0x1F;
    else if (b == 0xE0) trail = 2, v = 0, lo = 0xA0;
    else if (b >= 0xE1 && b <= 0xEF) trail = 2, v = b & 0x0F;
    else if (b == 0xF0) trail = 3, v = 0, lo = 0x90;
    else if (b >= 0xF1 && b <= 0xF3) trail = 3, v = b & 0x07;
    else if (b == 0xF4) trail = 3, v = 4, hi = 0x8F;
    else return {false, 0, 1};
    for (size_t i = 1; i <= trail; ++i) {
        const unsigned char c = p[i];
        if (c < lo || c > hi) return {false, 0, i + 1};
        lo = 0x80, hi = 0xBF;
        v = (v << 6) | (c & 0x3F);
    }
    return {true, v, trail + 1};
}

// The conversion with its limit rules, one step at a time; dst is written
// like the real one's so that whole arrays can be compared.
size_t refConvert(charU16 *dst, const unsigned char *src, size_t limit) {
    const bool counting = dst == nullptr;
    if (!counting && limit == 0) return 0;
    size_t count = 0;
    for (;;) {
        const Decoded d = refDecodeOne(src);
        if (!d.valid) return utf8Invalid;
        src += d.length;
        if (d.value < 0x10000) {
            if (!counting) dst[count] = static_cast<charU16>(d.value);
            if (d.value == 0) return count;
        } else {
            if (!counting) dst[count] = static_cast<charU16>(0xD800 + ((d.value - 0x10000) >> 10));
            if (counting || count + 1 < limit) {
                ++count;
                if (!counting) dst[count] = static_cast<charU16>(0xDC00 + (d.value & 0x3FF));
            }
        }
        ++count;
        if (!counting && count == limit) return count;
    }
}

std::string encodeUtf8(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

// A code point from every encoded length, surrogates excluded.
char32_t randomScalar(UnitSource &rnd) {
    switch (rnd.below(4)) {
        case 0: return static_cast<char32_t>(1 + rnd.below(0x7F));
        case 1: return static_cast<char32_t>(0x80 + rnd.below(0x800 - 0x80));
        case 2: {
            char32_t c = static_cast<char32_t>(0x800 + rnd.below(0x10000 - 0x800));
            return (c >= 0xD800 && c <= 0xDFFF) ? c + 0x800 : c;
        }
        default: return static_cast<char32_t>(0x10000 + rnd.below(0x110000 - 0x10000));
    }
}

// Random bytes that are mostly well formed, with bytes that test the edges of
// the forms mixed in.
std::string randomBytes(UnitSource &rnd, size_t pieces) {
    static constexpr unsigned char edges[] = {0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0,
                                              0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xF7, 0xF8, 0xFE, 0xFF, 'a'};
    std::string s;
    for (size_t i = 0; i < pieces; ++i) {
        if (rnd.chance(85))
            s += encodeUtf8(rnd.chance(5) ? static_cast<char32_t>(0xD800 + rnd.below(0x800)) : randomScalar(rnd));
        else
            s += static_cast<char>(edges[rnd.below(std::size(edges))]);
    }
    return s;
}

const unsigned char *bytesOf(const std::string &s) { return reinterpret_cast<const unsigned char *>(s.c_str()); }

// ---- Utf8sToU2s ---------------------------------------------------------------------------

TEST(Utf8ToUtf16, RandomBytesMatchTheReferenceDecoder) {
    UnitSource rnd(31);
    for (int it = 0; it < 20000; ++it) {
        SCOPED_TRACE(it);
        const std::string src = randomBytes(rnd, rnd.below(12));
        const size_t limit = rnd.below(30);
        std::vector<charU16> ours(40, canary), ref(40, canary);
        errno = 0;
        const size_t got = Utf8sToU2s(ours.data(), src.c_str(), limit);
        const int gotErrno = errno;
        const size_t want = refConvert(ref.data(), bytesOf(src), limit);
        EXPECT_EQ(got, want);
        EXPECT_EQ(gotErrno, want == utf8Invalid ? EILSEQ : 0);
        EXPECT_EQ(ours, ref);
        EXPECT_EQ(Utf8sToU2s(nullptr, src.c_str(), rnd.below(3)), refConvert(nullptr, bytesOf(src), 0));
    }
}

TEST(Utf8ToUtf16, ValidTextMatchesIcu) {
#ifndef QORU_TEST_HAS_ICU
    GTEST_SKIP() << "ICU is a test peer only where it is installed (Linux builds)";
#else
    UnitSource rnd(32);
    for (int it = 0; it < 5000; ++it) {
        SCOPED_TRACE(it);
        std::string src;
        const size_t n = rnd.length();
        for (size_t i = 0; i < n; ++i) src += encodeUtf8(randomScalar(rnd));
        std::vector<UChar> icu(2 * n + 2);
        int32_t icuLength = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8(icu.data(), static_cast<int32_t>(icu.size()), &icuLength, src.c_str(), -1, &status);
        ASSERT_TRUE(U_SUCCESS(status)) << u_errorName(status);

        std::vector<charU16> ours(icu.size(), canary);
        ASSERT_EQ(Utf8sToU2s(ours.data(), src.c_str(), ours.size()), static_cast<size_t>(icuLength));
        EXPECT_EQ(0, memcmp(ours.data(), icu.data(), (static_cast<size_t>(icuLength) + 1) * sizeof(UChar)));

        // Counting mode agrees with ICU's pre-flight length.
        int32_t needed = 0;
        status = U_ZERO_ERROR;
        u_strFromUTF8(nullptr, 0, &needed, src.c_str(), -1, &status);
        EXPECT_EQ(Utf8sToU2s(nullptr, src.c_str(), 0), static_cast<size_t>(needed));
    }
#endif
}

struct InvalidCase {
    std::string bytes;  // after the prefix "ab"
    std::string why;
};

std::vector<InvalidCase> invalidCases() {
    std::vector<InvalidCase> cases;
    // Every proper prefix of sequences of each length, ended by the
    // terminator or by an ASCII byte.
    for (const char32_t c : {U'\u00E9', U'\u20AC', U'\uFFFF', U'\U0001F600', U'\U0010FFFF'}) {
        const std::string full = encodeUtf8(c);
        for (size_t k = 1; k < full.size(); ++k) {
            cases.push_back({full.substr(0, k), "truncated at end"});
            cases.push_back({full.substr(0, k) + "z", "truncated before ASCII"});
        }
    }
    cases.push_back({"\x80", "lone continuation 80"});
    cases.push_back({"\xBF", "lone continuation BF"});
    for (int lead = 0xF5; lead <= 0xFF; ++lead)
        cases.push_back({std::string(1, static_cast<char>(lead)) + "\x80\x80\x80", "lead " + std::to_string(lead)});
    cases.push_back({"\xF4\x90\x80\x80", "above U+10FFFF"});
    cases.push_back({"\xF7\xBF\xBF\xBF", "above U+10FFFF, largest four-byte form"});
    cases.push_back({"\xC0\x80", "overlong NUL"});
    cases.push_back({"\xC0\xAF", "overlong slash"});
    cases.push_back({"\xC1\xBF", "overlong C1"});
    cases.push_back({"\xE0\x80\x80", "overlong E0 80"});
    cases.push_back({"\xE0\x9F\xBF", "overlong E0 9F"});
    cases.push_back({"\xF0\x80\x80\x80", "overlong F0 80"});
    cases.push_back({"\xF0\x8F\xBF\xBF", "overlong F0 8F"});
    return cases;
}

TEST(Utf8ToUtf16, InvalidInputTable) {
    for (const InvalidCase &c : invalidCases()) {
        SCOPED_TRACE(c.why);
        const std::string src = "ab" + c.bytes;
        charU16 dst[16];
        std::fill(std::begin(dst), std::end(dst), canary);
        errno = 0;
        EXPECT_EQ(Utf8sToU2s(dst, src.c_str(), 16), utf8Invalid);
        EXPECT_EQ(errno, EILSEQ);
        // The units before the bad sequence stay, without a terminator.
        EXPECT_EQ(dst[0], u'a');
        EXPECT_EQ(dst[1], u'b');
        EXPECT_EQ(dst[2], canary);
        errno = 0;
        EXPECT_EQ(Utf8sToU2s(nullptr, src.c_str(), 0), utf8Invalid);
        EXPECT_EQ(errno, EILSEQ);
    }
}

TEST(Utf8ToUtf16, EdgesOfTheValidForms) {
    const struct {
        const char *bytes;
        Units units;
    } cases[] = {
        {"\xC2\x80", u"\u0080"},
        {"\xDF\xBF", u"\u07FF"},
        {"\xE0\xA0\x80", u"\u0800"},
        {"\xED\x9F\xBF", u"\uD7FF"},
        {"\xED\xA0\x80", Units(1, char16_t(0xD800))},  // encoded surrogates are accepted
        {"\xED\xBF\xBF", Units(1, char16_t(0xDFFF))},
        {"\xEF\xBF\xBF", u"\uFFFF"},
        {"\xF0\x90\x80\x80", u"\U00010000"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.bytes);
        charU16 dst[8];
        ASSERT_EQ(Utf8sToU2s(dst, c.bytes, 8), c.units.size());
        EXPECT_EQ(Units(dst), c.units);
    }
}

TEST(Utf8ToUtf16, LimitAndCountingRules) {
    const char *grin = "\xF0\x9F\x98\x80";
    charU16 dst[10];
    std::fill(std::begin(dst), std::end(dst), canary);
    EXPECT_EQ(Utf8sToU2s(dst, grin, 10), 2u);
    EXPECT_EQ(Units(dst, dst + 4), (Units{0xD83D, 0xDE00, 0, canary}));

    std::fill(std::begin(dst), std::end(dst), canary);
    EXPECT_EQ(Utf8sToU2s(dst, grin, 2), 2u);  // filled without a terminator
    EXPECT_EQ(Units(dst, dst + 3), (Units{0xD83D, 0xDE00, canary}));

    std::fill(std::begin(dst), std::end(dst), canary);
    EXPECT_EQ(Utf8sToU2s(dst, grin, 1), 1u);  // the low surrogate does not fit
    EXPECT_EQ(Units(dst, dst + 2), (Units{0xD83D, canary}));

    std::fill(std::begin(dst), std::end(dst), canary);
    EXPECT_EQ(Utf8sToU2s(dst, "abc", 0), 0u);
    EXPECT_EQ(dst[0], canary);
    EXPECT_EQ(Utf8sToU2s(dst, "abc", 3), 3u);
    EXPECT_EQ(dst[3], canary);
    EXPECT_EQ(Utf8sToU2s(dst, "", 1), 0u);
    EXPECT_EQ(dst[0], 0);

    // Counting mode ignores the limit.
    EXPECT_EQ(Utf8sToU2s(nullptr, grin, 1), 2u);
    EXPECT_EQ(Utf8sToU2s(nullptr, "abc\xC3\xA9", 0), 4u);
}

// ---- U2sToUtf8s ---------------------------------------------------------------------------

// Each unit by itself in one to three bytes, cut before a sequence that does
// not fit, terminated when there is room.
size_t refToUtf8(unsigned char *dst, const charU16 *src, size_t limit) {
    size_t n = 0;
    if (dst == nullptr) {
        for (; *src; ++src) n += *src < 0x80 ? 1 : *src < 0x800 ? 2 : 3;
        return n;
    }
    if (limit == 0) return 0;
    for (;; ++src) {
        const std::string bytes = encodeUtf8(*src);
        if (*src == 0) {
            dst[n] = 0;
            return n;
        }
        if (n + bytes.size() > limit) {
            dst[n] = 0;
            return n;
        }
        for (const char b : bytes) dst[n++] = static_cast<unsigned char>(b);
        if (n == limit) return n;
    }
}

TEST(Utf16ToUtf8, RandomUnitsMatchTheReferenceAndReadBack) {
    UnitSource rnd(33);
    for (int it = 0; it < 20000; ++it) {
        SCOPED_TRACE(it);
        const std::vector<char16_t> s = rnd.string(rnd.below(20));
        const size_t limit = rnd.below(70);
        std::vector<unsigned char> ours(80, 0xA5), ref(80, 0xA5);
        EXPECT_EQ(U2sToUtf8s(reinterpret_cast<char *>(ours.data()), s.data(), limit),
                  refToUtf8(ref.data(), s.data(), limit));
        EXPECT_EQ(ours, ref);
        const size_t needed = U2sToUtf8s(nullptr, s.data(), rnd.below(3));
        EXPECT_EQ(needed, refToUtf8(nullptr, s.data(), 0));

        // The reader reads the writer's output back unchanged, lone surrogates
        // and pairs included.
        std::vector<char> utf8(needed + 1);
        ASSERT_EQ(U2sToUtf8s(utf8.data(), s.data(), utf8.size()), needed);
        std::vector<charU16> back(s.size(), canary);
        ASSERT_EQ(Utf8sToU2s(back.data(), utf8.data(), back.size()), s.size() - 1);
        EXPECT_EQ(back, s);
    }
}

TEST(Utf16ToUtf8, MatchesIcuWithoutSurrogates) {
#ifndef QORU_TEST_HAS_ICU
    GTEST_SKIP() << "ICU is a test peer only where it is installed (Linux builds)";
#else
    UnitSource rnd(34);
    for (int it = 0; it < 5000; ++it) {
        SCOPED_TRACE(it);
        std::vector<char16_t> s;
        for (size_t i = rnd.length(); i > 0; --i) {
            const char16_t u = rnd.unit();
            s.push_back(u >= 0xD800 && u <= 0xDFFF ? u'x' : u);
        }
        s.push_back(0);
        std::vector<char> icu(3 * s.size() + 1);
        int32_t icuLength = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strToUTF8(icu.data(), static_cast<int32_t>(icu.size()), &icuLength, s.data(), -1, &status);
        ASSERT_TRUE(U_SUCCESS(status)) << u_errorName(status);
        std::vector<char> ours(icu.size(), 'Z');
        ASSERT_EQ(U2sToUtf8s(ours.data(), s.data(), ours.size()), static_cast<size_t>(icuLength));
        EXPECT_EQ(std::string(ours.data()), std::string(icu.data()));
    }
#endif
}

TEST(Utf16ToUtf8, SurrogatesAndLimits) {
    const charU16 grin[] = {0xD83D, 0xDE00, 0};
    char out[8];
    EXPECT_EQ(U2sToUtf8s(out, grin, sizeof out), 6u);
    EXPECT_EQ(std::string(out), "\xED\xA0\xBD\xED\xB8\x80");
    EXPECT_EQ(U2sToUtf8s(nullptr, grin, 0), 6u);

    memset(out, 'Z', sizeof out);
    EXPECT_EQ(U2sToUtf8s(out, u"ab", 2), 2u);
    EXPECT_EQ(std::string(out, 3), "abZ");
    EXPECT_EQ(U2sToUtf8s(out, u"ab", 3), 2u);
    EXPECT_EQ(std::string(out, 3), std::string("ab\0", 3));
    memset(out, 'Z', sizeof out);
    EXPECT_EQ(U2sToUtf8s(out, u"a\u00E9", 2), 1u);
    EXPECT_EQ(std::string(out, 3), std::string("a\0Z", 3));
    memset(out, 'Z', sizeof out);
    EXPECT_EQ(U2sToUtf8s(out, u"a", 0), 0u);
    EXPECT_EQ(out[0], 'Z');
}

// ---- The failure report -----------------------------------------------------------------------

// The lines of the report for a src that fails at badOffset with badLength
// bytes, after `stored` units were stored in dst.
std::vector<std::string> expectedReport(const std::string &firstLine, const std::string &src, size_t badOffset,
                                        size_t badLength, const charU16 *dst, size_t stored) {
    std::vector<std::string> lines{firstLine};
    for (const auto &l : qoru_test::byteDump(src.data() + badOffset, static_cast<int>(badLength))) lines.push_back(l);
    lines.push_back("Characters previously read:");
    const size_t shown = std::min<size_t>(stored, 80);
    if (dst != nullptr)
        for (const auto &l : qoru_test::unitDump(dst + stored - shown, static_cast<int>(shown))) lines.push_back(l);
    lines.push_back("All bytes to process");
    for (const auto &l : qoru_test::byteDump(src.data(), static_cast<int>(std::min<size_t>(src.size(), 80))))
        lines.push_back(l);
    lines.push_back(qoru_test::endOfMessage);
    return lines;
}

class FailureReport : public testing::Test {
protected:
    void SetUp() override { qoru_test::showCommandLineOnce(); }

    // Runs the report and checks it against the expectation, the header's
    // time aside (taken from the message, checked to be now).
    void check(charU16 *dst, const std::string &src, size_t limit, const char *func, const std::string &text,
               size_t badOffset, size_t badLength, size_t stored) {
        TraceCapture cap(qoru::traceLow);
        const int64_t before = plat::calendarTime();
        errno = EILSEQ;
        qoru::traceInvalidUtf8U16(dst, src.c_str(), limit, "src/flat/conv.cpp", 77, func);
        const int64_t after = plat::calendarTime();
        EXPECT_EQ(errno, EILSEQ);
        ASSERT_FALSE(cap.lines().empty());
        const int64_t time = qoru_test::headerTime(cap.lines()[0]);
        EXPECT_TRUE(time >= before && time <= after) << time;
        const std::string first = qoru_test::framedMessage("src/flat/conv.cpp", 77, time, text, false);
        EXPECT_EQ(cap.lines(), expectedReport(first, src, badOffset, badLength, dst, stored));
    }
};

TEST_F(FailureReport, PointsAtTheBadSequenceAfterAFourByteCharacter) {
    const std::string src = "ab\xF0\x9F\x98\x80\xC3(z";
    charU16 dst[16];
    check(dst, src, 16, "fopenU16", "fopenU16 encountered invalid UTF-8", 6, 2, 4);
    EXPECT_EQ(Units(dst, dst + 4), (Units{u'a', u'b', 0xD83D, 0xDE00}));
}

TEST_F(FailureReport, LiteralLayoutOfOneReport) {
    // The same report, its dump lines written out by hand.
    TraceCapture cap(qoru::traceMedium);
    charU16 dst[8];
    qoru::traceInvalidUtf8U16(dst, "a b\xE2\x82", 8, "x.cpp", 3, "f");
    const std::vector<std::string> want{
        qoru_test::framedMessage("x.cpp", 3, qoru_test::headerTime(cap.lines().at(0)),
                                 "f encountered invalid UTF-8", false),
        " e2 82 00                                        |...             |",
        "Characters previously read:",
        " 0061 0020 0062                           |a b     |",
        "All bytes to process",
        " 61 20 62 e2 82                                  |a.b..           |",
        qoru_test::endOfMessage,
    };
    EXPECT_EQ(cap.lines(), want);
}

TEST_F(FailureReport, RecordsTheBytesOfEachKindOfFailure) {
    const struct {
        std::string src;
        size_t offset, length, stored;
    } cases[] = {
        {"x\x80y", 1, 1, 1},                 // lone continuation byte
        {"x\xF8\x80", 1, 1, 1},              // no such lead byte
        {"x\xC3", 1, 2, 1},                  // the terminator ends a two-byte form
        {"x\xC3z", 1, 2, 1},
        {"x\xE2\x82z", 1, 3, 1},             // the second following byte is wrong
        {"\xC0\x80", 0, 1, 0},               // overlong lead
        {"\xE0\x9F\xBF", 0, 2, 0},           // overlong three-byte form
        {"\xF4\x90\x80\x80", 0, 2, 0},       // above U+10FFFF
        {"\xF0\x9F\x98\x80\xF0\x9F\x98", 4, 4, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.src);
        charU16 dst[16];
        check(dst, c.src, 16, "getservbynameU16", "getservbynameU16 encountered invalid UTF-8", c.offset, c.length,
              c.stored);
    }
}

TEST_F(FailureReport, LongInputShowsTheLast80UnitsAndTheFirst80Bytes) {
    std::string src;
    for (int i = 0; i < 100; ++i) src += static_cast<char>('0' + i % 10);
    src += "\xFF";
    charU16 dst[128];
    check(dst, src, 128, "f", "f encountered invalid UTF-8", 100, 1, 100);
}

TEST_F(FailureReport, CountingModeShowsNoUnits) {
    check(nullptr, "ab\xFF", 0, "f", "f encountered invalid UTF-8", 2, 1, 2);
}

TEST_F(FailureReport, FunctionNameIsCutTo50) {
    const std::string name(70, 'n');
    charU16 dst[4];
    check(dst, "\xFF", 4, name.c_str(), std::string(50, 'n') + " encountered invalid UTF-8", 0, 1, 0);
}

TEST_F(FailureReport, WithoutAFindingSaysButWhere) {
    // A valid string, and a limit reached before the bad sequence.
    for (const auto &[src, limit] : {std::pair<std::string, size_t>{"abc", 8}, {"abc\xFF", 2}, {"\xFF", 0}}) {
        SCOPED_TRACE(src);
        TraceCapture cap(qoru::traceMedium);
        charU16 dst[8];
        qoru::traceInvalidUtf8U16(dst, src.c_str(), limit, "s.cpp", 1, "f");
        std::vector<std::string> want{
            qoru_test::framedMessage("s.cpp", 1, qoru_test::headerTime(cap.lines().at(0)),
                                     "f encountered invalid UTF-8 (but where?)", false),
            "Characters previously read:", "All bytes to process"};
        for (const auto &l : qoru_test::byteDump(src.data(), static_cast<int>(src.size()))) want.push_back(l);
        want.push_back(qoru_test::endOfMessage);
        EXPECT_EQ(cap.lines(), want);
    }
}

TEST_F(FailureReport, NothingAtLevelNone) {
    TraceCapture cap(qoru::traceNone);
    charU16 dst[4];
    qoru::traceInvalidUtf8U16(dst, "\xFF", 4, "s.cpp", 1, "f");
    EXPECT_TRUE(cap.lines().empty());
}

}  // namespace
