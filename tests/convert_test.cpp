// Whole-string conversion both ways against plain references on random input
// and against ICU on valid text, the round trip, the invalid-input table, and
// the failure report byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
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
    const size_t trail = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : 0;
    if (trail == 0) return {false, 0, 1};
    // The first trailing byte's range excludes overlong forms and values above U+10FFFF.
    unsigned char lo = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
    char32_t v = b & (0x3F >> trail);
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

// One code point (or surrogate) in its shortest form.
std::string encodeUtf8(char32_t c) {
    if (c < 0x80) return std::string(1, static_cast<char>(c));
    const int n = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    std::string s(static_cast<size_t>(n), 0);
    for (int i = n - 1; i > 0; --i, c >>= 6) s[static_cast<size_t>(i)] = static_cast<char>(0x80 | (c & 0x3F));
    s[0] = static_cast<char>(((0xFF00u >> n) & 0xFF) | c);
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

// ---- Against the references and ICU -------------------------------------------------------

// UTF-16 to UTF-8: each unit by itself in one to three bytes (surrogates
// too), cut before a sequence that does not fit, terminated when there is room.
size_t refToUtf8(unsigned char *dst, const charU16 *src, size_t limit) {
    size_t n = 0;
    if (dst == nullptr) {
        for (; *src; ++src) n += encodeUtf8(*src).size();
        return n;
    }
    for (; limit > 0; ++src) {
        const std::string bytes = encodeUtf8(*src);
        if (*src == 0 || n + bytes.size() > limit) return dst[n] = 0, n;
        for (const char b : bytes) dst[n++] = static_cast<unsigned char>(b);
        if (n == limit) return n;
    }
    return 0;
}

TEST(Convert, RandomInputMatchesTheReferences) {
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

        const std::vector<char16_t> s = rnd.string(rnd.below(20));
        const size_t limit8 = rnd.below(70);
        std::vector<unsigned char> ours8(80, 0xA5), ref8(80, 0xA5);
        EXPECT_EQ(U2sToUtf8s(reinterpret_cast<char *>(ours8.data()), s.data(), limit8),
                  refToUtf8(ref8.data(), s.data(), limit8));
        EXPECT_EQ(ours8, ref8);
        const size_t needed = U2sToUtf8s(nullptr, s.data(), rnd.below(3));
        EXPECT_EQ(needed, refToUtf8(nullptr, s.data(), 0));

        // The reader reads the writer's output back unchanged, lone
        // surrogates and pairs included.
        std::vector<char> utf8(needed + 1);
        ASSERT_EQ(U2sToUtf8s(utf8.data(), s.data(), utf8.size()), needed);
        std::vector<charU16> back(s.size(), canary);
        ASSERT_EQ(Utf8sToU2s(back.data(), utf8.data(), back.size()), s.size() - 1);
        EXPECT_EQ(back, s);
    }
}

TEST(Convert, ValidTextMatchesIcu) {
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
        int32_t icuLength = 0, needed = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8(icu.data(), static_cast<int32_t>(icu.size()), &icuLength, src.c_str(), -1, &status);
        ASSERT_TRUE(U_SUCCESS(status)) << u_errorName(status);
        std::vector<charU16> ours(icu.size(), canary);
        ASSERT_EQ(Utf8sToU2s(ours.data(), src.c_str(), ours.size()), static_cast<size_t>(icuLength));
        EXPECT_EQ(0, memcmp(ours.data(), icu.data(), (static_cast<size_t>(icuLength) + 1) * sizeof(UChar)));
        status = U_ZERO_ERROR;
        u_strFromUTF8(nullptr, 0, &needed, src.c_str(), -1, &status);  // pre-flight length
        EXPECT_EQ(Utf8sToU2s(nullptr, src.c_str(), 0), static_cast<size_t>(needed));

        // Back to UTF-8 without surrogates (ours writes each one by itself).
        std::replace_if(ours.begin(), ours.end(), [](charU16 u) { return u >= 0xD800 && u <= 0xDFFF; }, u'x');
        std::vector<char> icu8(3 * ours.size() + 1), ours8(icu8.size(), 'Z');
        status = U_ZERO_ERROR;
        u_strToUTF8(icu8.data(), static_cast<int32_t>(icu8.size()), &icuLength, ours.data(), -1, &status);
        ASSERT_TRUE(U_SUCCESS(status)) << u_errorName(status);
        ASSERT_EQ(U2sToUtf8s(ours8.data(), ours.data(), ours8.size()), static_cast<size_t>(icuLength));
        EXPECT_STREQ(ours8.data(), icu8.data());
    }
#endif
}

TEST(Convert, InvalidInputTable) {
    std::vector<std::string> cases{"\x80", "\xBF", "\xF4\x90\x80\x80", "\xF7\xBF\xBF\xBF",  // above U+10FFFF
                                   // Overlong forms (a hidden NUL or "/" must not slip through).
                                   "\xC0\x80", "\xC0\xAF", "\xC1\xBF", "\xE0\x80\x80", "\xE0\x9F\xBF",
                                   "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF"};
    for (int lead = 0xF5; lead <= 0xFF; ++lead) cases.push_back(std::string(1, static_cast<char>(lead)) + "\x80\x80\x80");
    // Every proper prefix of each length, ended by the terminator or ASCII.
    for (const char32_t c : {U'\u00E9', U'\u20AC', U'\uFFFF', U'\U0001F600', U'\U0010FFFF'})
        for (size_t k = 1; k < encodeUtf8(c).size(); ++k)
            cases.insert(cases.end(), {encodeUtf8(c).substr(0, k), encodeUtf8(c).substr(0, k) + "z"});
    for (const std::string &bytes : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        const std::string src = "ab" + bytes;
        charU16 dst[16];
        std::fill(std::begin(dst), std::end(dst), canary);
        errno = 0;
        EXPECT_EQ(Utf8sToU2s(dst, src.c_str(), 16), utf8Invalid);
        EXPECT_EQ(errno, EILSEQ);
        EXPECT_EQ(Units(dst, dst + 3), (Units{u'a', u'b', canary}));  // no terminator after what was stored
        errno = 0;
        EXPECT_EQ(Utf8sToU2s(nullptr, src.c_str(), 0), utf8Invalid);
        EXPECT_EQ(errno, EILSEQ);
    }
}

TEST(Convert, LimitRulesPinnedDown) {
    // A few literal results that hold the references above to the rules.
    const char *grin = "\xF0\x9F\x98\x80";
    charU16 dst[4] = {canary, canary, canary, canary};
    EXPECT_EQ(Utf8sToU2s(dst, grin, 1), 1u);  // the low surrogate does not fit
    EXPECT_EQ(Units(dst, dst + 2), (Units{0xD83D, canary}));
    EXPECT_EQ(Utf8sToU2s(dst, grin, 2), 2u);  // filled without a terminator
    EXPECT_EQ(Units(dst, dst + 3), (Units{0xD83D, 0xDE00, canary}));
    EXPECT_EQ(Utf8sToU2s(nullptr, grin, 1), 2u);  // counting ignores the limit
    EXPECT_EQ(Utf8sToU2s(dst, "\xED\xA0\x80", 4), 1u);  // an encoded surrogate is accepted
    EXPECT_EQ(dst[0], 0xD800);
    char out[8] = "ZZZZZZZ";
    EXPECT_EQ(U2sToUtf8s(out, u"a\u00E9", 2), 1u);
    EXPECT_EQ(std::string(out, 3), std::string("a\0Z", 3));
    const charU16 pair[] = {0xD83D, 0xDE00, 0};
    EXPECT_EQ(U2sToUtf8s(out, pair, sizeof out), 6u);
    EXPECT_STREQ(out, "\xED\xA0\xBD\xED\xB8\x80");
}

// ---- The failure report -----------------------------------------------------------------------

class FailureReport : public testing::Test {
protected:
    void SetUp() override { qoru_test::showCommandLineOnce(); }
};

TEST_F(FailureReport, ShowsTheBadSequenceAndWhatCameBefore) {
    const std::string digits = [] {
        std::string d;
        for (int i = 0; i < 100; ++i) d += static_cast<char>('0' + i % 10);
        return d;
    }();
    const struct {
        std::string src;
        size_t offset, length, stored;  // the bad bytes, and units before them
        bool counting = false;
        size_t nameLength = 4;
    } cases[] = {
        {"ab\xF0\x9F\x98\x80\xC3(z", 6, 2, 4},  // after a valid four-byte character
        {"x\x80y", 1, 1, 1},                    // lone continuation byte
        {"x\xF8\x80", 1, 1, 1},                 // no such lead byte
        {"x\xC3", 1, 2, 1},                     // the terminator ends a two-byte form
        {"x\xE2\x82z", 1, 3, 1},                // the second following byte is wrong
        {"\xC0\x80", 0, 1, 0},                  // overlong lead
        {"\xE0\x9F\xBF", 0, 2, 0},              // overlong three-byte form
        {"\xF4\x90\x80\x80", 0, 2, 0},          // above U+10FFFF
        {"\xF0\x9F\x98\x80\xF0\x9F\x98", 4, 4, 2},
        {digits + "\xFF", 100, 1, 100},  // the last 80 units and the first 80 bytes
        {"ab\xFF", 2, 1, 2, true},       // counting mode shows no units
        {"\xFF", 0, 1, 0, false, 70},    // the function name is cut to 50
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.src));
        const std::string func(c.nameLength, 'f');
        charU16 buffer[128];
        charU16 *dst = c.counting ? nullptr : buffer;
        TraceCapture cap(qoru::traceLow);
        const int64_t before = plat::calendarTime();
        errno = EILSEQ;
        qoru::traceInvalidUtf8U16(dst, c.src.c_str(), c.counting ? 0 : 128, "src/flat/conv.cpp", 77, func.c_str());
        const int64_t after = plat::calendarTime();
        EXPECT_EQ(errno, EILSEQ);
        ASSERT_FALSE(cap.lines().empty());
        const int64_t time = qoru_test::headerTime(cap.lines()[0]);
        EXPECT_TRUE(time >= before && time <= after) << time;
        std::vector<std::string> want{qoru_test::framedMessage(
            "src/flat/conv.cpp", 77, time, func.substr(0, 50) + " encountered invalid UTF-8", false)};
        const auto add = [&](const std::vector<std::string> &lines) { want.insert(want.end(), lines.begin(), lines.end()); };
        add(qoru_test::byteDump(c.src.data() + c.offset, static_cast<int>(c.length)));
        want.push_back("Characters previously read:");
        const size_t shown = std::min<size_t>(c.stored, 80);
        if (dst != nullptr) add(qoru_test::unitDump(dst + c.stored - shown, static_cast<int>(shown)));
        want.push_back("All bytes to process");
        add(qoru_test::byteDump(c.src.data(), static_cast<int>(std::min<size_t>(c.src.size(), 80))));
        want.push_back(qoru_test::endOfMessage);
        EXPECT_EQ(cap.lines(), want);
    }
}

TEST_F(FailureReport, WithoutAFindingSaysButWhereAndNothingAtLevelNone) {
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
    TraceCapture cap(qoru::traceNone);
    charU16 dst[4];
    qoru::traceInvalidUtf8U16(dst, "\xFF", 4, "s.cpp", 1, "f");
    EXPECT_TRUE(cap.lines().empty());
}

}  // namespace
