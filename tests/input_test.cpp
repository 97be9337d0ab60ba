// UTF-8 stream input and the field readers: random byte streams against a plain reference decoder, the
// reports and their rate limit, standard-input readers in a child, and the field readers' results.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "child.h"
#include "errno_after.h"
#include "i18n/qoru16/u16_get.h"
#include "qorucum.h"
#include "stream_reads.h"
#include "temp_path.h"
#include "trace_capture.h"
#include "utf8_text.h"

namespace {

using qoru_test::errnoAfter;

TEST(StreamInput, RandomStreamsMatchReference) {
    qoru_test::UnitSource rnd(7101);
    for (int round = 0; round < 120; ++round) {
        // Some streams outgrow the C runtime's buffer, so runs cross its refills.
        const std::string bytes = qoru_test::randomUtf8(rnd, round % 6 == 0 ? 2000 : 1 + rnd.below(60));
        qoru_test::ByteStream in(bytes);
        ASSERT_NE(in.stream, nullptr);
        qoru_test::TraceCapture quiet(0);
        const size_t room = 1 + rnd.below(40), size = 1 + rnd.below(3), count = 1 + rnd.below(200);
        EXPECT_EQ(qoru_test::streamReadsDiffer(in.stream, bytes, room, size, count), "") << "round " << round;
        EXPECT_TRUE(quiet.lines().empty()) << "a report at level 0";
    }
}

// The stream and field readers' argument checks (a refused size stores nothing), and a line of room 1.
TEST(StreamInput, ArgumentsAndSmallBuffers) {
    charU16 buf[4] = {u'x', u'x', u'x', u'x'};
    int32_t out;
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fgetsU16(buf, 4, nullptr), nullptr); }), EBADF);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(freadU16(buf, 1, 4, nullptr), 0u); }), EBADF);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(freadU16(buf, SIZE_MAX / 2, 4, stdin), 0u); }), EINVAL);
    EXPECT_EQ(gets_sU16(buf, 0), nullptr);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fget_strU16(nullptr, 4, stdin, u'?'), -1); }), EBADF);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fget_lineU16(buf, 0, stdin, u'?'), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fget_intU16(&out, nullptr), -1); }), EBADF);
    EXPECT_EQ(buf[0], u'x');
    qoru_test::ByteStream in("ab");
    EXPECT_EQ(fgetsU16(buf, 1, in.stream), buf);  // room for the terminator only
    EXPECT_EQ(buf[0], 0);
}

// Reports of the line and block readers: each call that met invalid input, its first bad sequence and what it stored.
TEST(StreamInput, ReaderReport) {
    qoru_test::ByteStream in("ab\xC3(c\xE2\n");
    qoru_test::TraceCapture trace(1);
    charU16 buf[16];
    ASSERT_EQ(fgetsU16(buf, 16, in.stream), buf);
    EXPECT_EQ(std::u16string(buf), u"ab#(c#\n");
    const auto &lines = trace.lines();
    ASSERT_EQ(lines.size(), 5u) << trace.joined();
    EXPECT_NE(lines[0].find("Invalid UTF-8 encountered by fgetsU16 (fileno 0x"), std::string::npos);
    EXPECT_NE(lines[1].find("c3 28 "), std::string::npos);
    EXPECT_EQ(lines[2], "Characters previously read:");
    EXPECT_EQ(lines[4], "--- Unicode interface ------ End of message ------");
}

// In a child reading a file as standard input: the standard-input readers, then the reports' rate limit (once per
// process): 99 reports, the "Too many" message, an hour's silence on the test clock, the reset message, reports again.
int64_t gTestClock = 1000;
qoru_test::Child stdinChild("stdin-and-rate-limit", [](const std::vector<std::string> &) {
    charU16 line[64] = {u'x'};
    charU16 small[4];
    if (gets_sU16(small, 4) != small || std::u16string(small) != u"abc") return 2;
    if (gets_sU16(small, 4) != small || std::u16string(small) != u"def") return 3;
    if (getsU16(line) != line || std::u16string(line) != u"\u00E9t\u00E9") return 4;
    line[0] = u'x';
    if (getsU16(line) != nullptr || line[0] != u'x') return 5;  // untouched at end of file
    if (gets_sU16(small, 4) != nullptr || small[0] != 0) return 6;

    qoru::gReaderClock = [] { return gTestClock; };
    const qoru_test::ByteStream in("\xFF");
    qoru_test::TraceCapture trace(1);
    auto readOne = [&] {
        trace.clear();
        rewind(in.stream);
        fgetcU16(in.stream);
        return trace.joined();
    };
    for (int i = 1; i < 100; ++i)
        if (readOne().find("Invalid UTF-8 encountered by fgetcU16") == std::string::npos) return 10 + i;
    if (readOne().find("no more error message will be written for 3600 seconds") == std::string::npos) return 7;
    gTestClock += 3600;
    if (!readOne().empty()) return 8;
    gTestClock += 1;
    if (readOne().find("fgetcU16 error counter reset") == std::string::npos) return 9;
    return readOne().find("Invalid UTF-8 encountered by fgetcU16") == std::string::npos ? 10 : 0;
});

TEST(StreamInput, StandardInputAndRateLimitInChild) {
    qoru_test::TempPath file;
    ASSERT_TRUE(file.write("abcdef\n\xC3\xA9t\xC3\xA9\n"));
    EXPECT_EQ(qoru_test::runChild("stdin-and-rate-limit", {.standardInput = file.narrow()}).exitCode, 0);
}

// The field readers: result, field, and the unit that the next read sees.
TEST(FieldReaders, ResultsAndWhatFollows) {
    enum Reader { word, line, number };
    const struct {
        Reader reader;
        int32_t n;
        const char *bytes;
        int32_t result;
        std::u16string field;  // for number, the character stored instead of a number
        int32_t next;
    } cases[] = {
        {word, 8, "  ab  cd", 2, u"ab", ' '},
        {word, 8, "\xE3\x80\x80" "ab\xC2\xA0" "cd", 2, u"ab", 'c'},
        {word, 8, "a\xC3 b", -2, u"a?", 'b'},
        {word, 8, "a\xC3" "b", -2, u"a?b", EOF},
        {word, 8, "   ", -1, u"", EOF},
        {line, 4, "abcdef\n", 3, u"abc", 'd'},
        {line, 8, "\xC3\n" "x", -2, u"?\n", 'x'},
        {line, 8, "\xF0\x9F\x98\x80" "z", 3, u"\U0001F600z", EOF},
        {line, 3, "\xF0\x9F\x98\x80" "z", 2, u"\U0001F600", 'z'},
        {line, 1, "abc", 0, u"", 'a'},
        {number, 0, "abc", -2, u"a", 'b'},
        {number, 0, "+x", -2, u"x", EOF},
        {number, 0, " \n", -1, u"", EOF},
    };
    for (const auto &c : cases) {
        qoru_test::ByteStream in(c.bytes);
        charU16 buf[16];
        int32_t value = 0;
        const int32_t result = c.reader == word   ? fget_strU16(buf, c.n, in.stream, u'?')
                               : c.reader == line ? fget_lineU16(buf, c.n, in.stream, u'?')
                                                  : fget_longU16(&value, in.stream);
        EXPECT_EQ(result, c.result) << c.bytes;
        const std::u16string number16(result == -1 ? 0 : 1, static_cast<char16_t>(value));
        EXPECT_EQ(c.reader == number ? number16 : std::u16string(buf), c.field) << c.bytes;
        EXPECT_EQ(fgetcU16(in.stream), c.next) << c.bytes;
    }
}

// Integers, some longer than the stack buffer, against strtol clamped to 32 bits; the non-digit after them stays.
TEST(FieldReaders, LongNumbersMatchStrtol) {
    qoru_test::UnitSource rnd(99);
    for (int round = 0; round < 40; ++round) {
        std::string digits = rnd.chance(50) ? "-" : "";
        digits += std::string(rnd.below(90), '0');
        for (size_t n = 1 + rnd.below(12); n > 0; --n) digits += static_cast<char>('0' + rnd.below(10));
        qoru_test::ByteStream in(std::string(1 + round % 3, ' ') + digits + ";");
        int32_t value = 0;
        const int32_t result = (round % 2 ? fget_longU16 : fget_intU16)(&value, in.stream);
        const long long expected = std::strtoll(digits.c_str(), nullptr, 10);
        const long long clamped = std::max<long long>(INT32_MIN, std::min<long long>(INT32_MAX, expected));
        EXPECT_EQ(value, clamped) << digits;
        EXPECT_EQ(result, clamped == expected ? 0 : 1) << digits;
        EXPECT_EQ(fgetcU16(in.stream), ';');
    }
}

}  // namespace
