// The scanf family: a table of the behaviours a random test would not meet (the stream's push-back rules among them),
// run from strings and from streams; random formats and inputs against the C library's narrow sscanf.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "child.h"
#include "errno_after.h"
#include "huge_string.h"
#include "qorucum/stdio.h"
#include "stream_reads.h"
#include "temp_path.h"
#include "trace_capture.h"
#include "utf8_text.h"

namespace {

using qoru_test::errnoAfter;

constexpr int slots = 8;
constexpr int slotBytes = 512;  // a word can run over several fields' texts
constexpr unsigned char fill = 0x7F;

// The va_list entry points through a wrapper, as a program writes one: from the string when there is one,
// else from the stream, else from the standard input.
int32_t scanWithList(FILE *stream, const charU16 *string, const charU16 *format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t r = string != nullptr ? vsscanfU16(string, format, args)
                      : stream != nullptr ? vfscanfU16(stream, format, args) : vscanfU16(format, args);
    va_end(args);
    return r;
}

// Targets for any field of the tests, prefilled so that untouched and unterminated targets show.
struct Targets {
    alignas(8) unsigned char bytes[slots][slotBytes];
    Targets() { memset(bytes, fill, sizeof bytes); }
    template <class Scan>
    int32_t scan(Scan call) {
        return call(bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7]);
    }

    // One slot read as kind: d int32, q int64, x 8 bytes in hex, f float, g double, s units to the 0, c to the fill.
    std::string show(int i, char kind) const {
        const unsigned char *b = bytes[i];
        if (std::all_of(b, b + 8, [](unsigned char c) { return c == fill; })) return "-";
        auto as = [b](auto v) { memcpy(&v, b, sizeof v); return v; };
        char text[32];
        std::string out;
        switch (kind) {
        case 'd': return std::to_string(as(int32_t{}));
        case 'q': return std::to_string(as(int64_t{}));
        case 'f': case 'g': {
            const double v = kind == 'f' ? as(float{}) : as(double{});
            snprintf(text, sizeof text, "%g", std::fabs(v));  // the runtimes spell NaN differently
            return std::string(std::signbit(v) ? "-" : "").append(std::isnan(v) ? "nan" : text);
        }
        case 'x':
            for (int k = 0; k < 8; ++k) out.append(text, static_cast<size_t>(snprintf(text, sizeof text, "%02x", b[k])));
            return out;
        default:
            for (int k = 0; k + 1 < slotBytes; k += 2) {
                const char16_t u = static_cast<char16_t>(b[k] | b[k + 1] << 8);
                if (u == (kind == 's' ? 0 : fill * 0x101)) break;
                out += u < 0x80 ? std::string(1, static_cast<char>(u)) : "\\u" + std::to_string(u);
            }
            return out;
        }
    }
    std::string show(const char *kinds) const {
        std::string out;
        for (int i = 0; kinds[i] != '\0'; ++i) out.append(i > 0 ? "|" : "").append(show(i, kinds[i]));
        return out;
    }
};

struct Case {
    const char16_t *input;
    const char16_t *format;
    int32_t result;
    const char *kinds;
    const char *stored;
    int error = 0;            // errno after the call, starting from 0
    bool stringOnly = false;  // a stream reads it differently (pairs, zero units)
    int next = -2;            // the byte a stream gives after the scan, where checked
    std::string_view bytes{}; // for a stream-only case (no input): bytes that are not UTF-8 or hold a zero
};

const Case cases[] = {
    {u"   ", u"%d", -1, "d", "-"},
    {u"12", u"%d,%d", 1, "dd", "12|-"},
    {u"5", u"%dabc%n", 1, "dd", "5|1"},
    {u"%5", u"%%%d", 1, "d", "5"},
    {u" %5", u"%%%d", 0, "d", "-"},
    {u"1 2", u"%*d%d", 1, "d", "2"},
    {u"123", u"%0d%d", 2, "dd", "1|23"},
    {u"\u3000 7 \u205F8", u"%d%d", 1, "dd", "7|-"},
    {u"0x1F 0x1F 0x1F", u"%x%i%d%s", 4, "ddds", "31|31|0|x1F"},
    {u"017 08", u"%i%i%s", 3, "dds", "15|0|8"},
    {u"0x1F", u"%3x%s", 2, "ds", "1|F"},
    {u"0xg", u"%x%s", 2, "ds", "0|g"},
    {u"778 -1", u"%o%d%u", 3, "ddd", "63|8|-1"},
    {u"(nIl) 0x10 10 0 012", u"%p%p%p%p%p", 5, "qqqqq", "0|16|16|0|18"},
    {u"(nix)", u"%p%s", 0, "qs", "-|-"},
    {u"-5", u"%p", 0, "q", "-"},
    {u"300 70000", u"%hhd%hd", 2, "xx", "2c7f7f7f7f7f7f7f|70117f7f7f7f7f7f"},
    {u"4294967296", u"%d", 1, "d", "2147483647", ERANGE},
    {u"-4294967296", u"%u", 1, "d", "-1", ERANGE},
    {u"-9223372036854775808", u"%lld", 1, "q", "-9223372036854775808"},
    {u"-1 -1 -1 -1 -1", u"%jd %td %zd %ld %I64d", 5, "xxxxx",
     "ffffffff7f7f7f7f|ffffffff7f7f7f7f|ffffffffffffffff|ffffffff7f7f7f7f|ffffffffffffffff"},
    {u"1.5 2.5 3.5 4.5", u"%Lf %lf %f %hf", 4, "ggff", "1.5|2.5|3.5|4.5"},
    {u"1.5e 2e+", u"%lf%n%lf%n", 2, "gdgd", "1.5|4|2|8"},
    {u"e5 ", u"%f", 0, "f", "-"},
    {u"inf -INF InFiNiTy", u"%f%lf%f", 3, "fgf", "inf|-inf|inf", ERANGE},
    {u"infx", u"%f%s", 2, "fs", "inf|x", ERANGE},
    {u"infin x", u"%f", 0, "f", "-"},
    {u"nAn -nan", u"%lf%lf", 2, "gg", "nan|-nan"},
    {u"-0", u"%lf", 1, "x", "0000000000000080"},
    {u"+1234 -1234", u"%3f%*d%3f", 2, "ff", "12|-12"},
    {u"abcd x,y ]a]b", u"%[a-c]%s %[^,],%s %[]a]", 5, "sssss", "abc|d|x|y|]a]"},
    {u"cza -a-b", u"%[z-a] %[-a]", 2, "ss", "cza|-a-"},
    {u"abc", u"%[abc", 0, "s", "-"},
    {u"abc", u"%[x]", 0, "s", "-"},
    {u"ab", u"%5c", 1, "c", "ab"},
    {u" ab", u"%c%2c", 2, "cc", " |ab"},
    {u"a\u3000b c\u205Fd", u"%s%s %ls%hs", 3, "sss", "a|b|c\\u8287d"},
    // A stream reads a supplementary character as its pair, as a string does; a low half pushed back is kept.
    {u"\xD83D\xDE00", u"%c%c", 2, "cc", "\\u55357|\\u56832"},
    {u"a\U0001F600 \U0001F601\U0001F602,\U0001F603", u"%s %2c%[^,],%[\xD83D]%c", 5, "scssc",
     "a\\u55357\\u56832|\\u55357\\u56833|\\u55357\\u56834|\\u55357|\\u56835"},
    // Every unit of a field counts toward its width: a sign, a prefix, an infinity or NaN spelling.
    {u"-1", u"%1g", 0, "f", "-", 0, false, '1'},
    {u"0x34 0x34 0x34", u"%2i%n%s %2x%s %2p%s", 6, "ddsdsqs", "0|2|34|0|34|0|34"},
    {u"-inf", u"%3lf", 0, "g", "-", 0, false, 'f'},
    {u"infinity -nan", u"%3lf%s %3lf", 2, "gsg", "inf|inity|-", ERANGE, false, 'n'},
    {u"infinity", u"%5lf", 0, "g", "-", 0, false, 'i'},
    {u"", u"%n", 0, "d", "0"},
    {u"1", u"%d%q", 1, "d", "1"},
    {u"12,3\u00e94", u"%d,%d", 2, "dd", "12|3", 0, false, '4'},  // a non-ASCII unit pushed back is consumed
    {nullptr, u"%c%c", 2, "cc", "#|A", EILSEQ, false, EOF, "\xC3" "A"},  // the byte that broke a sequence is read next
    {nullptr, u"%d", 1, "d", "12", EILSEQ, false, ',', "12\xC3,"},       // after such a read the "#" is kept apart
    {nullptr, u"%s%n", 1, "sd", "a|3", 0, false, ' ', {"a\0b c", 5}},  // a zero byte is an ordinary unit
};

TEST(Scan, TableFromStringsAndStreams) {
    qoru_test::TraceCapture quiet(0);
    for (const bool fromStream : {false, true}) {
        for (const Case &c : cases) {
            if (fromStream ? c.stringOnly : c.input == nullptr) continue;
            const std::string bytes = c.input != nullptr ? qoru_test::utf8Of(c.input) : std::string(c.bytes);
            qoru_test::ByteStream in(bytes);
            Targets t;
            errno = 0;
            const int32_t r = t.scan([&](auto... p) {
                return fromStream ? fscanfU16(in.stream, c.format, p...) : sscanfU16(c.input, c.format, p...);
            });
            const int error = errno;
            const std::string what = bytes + " with " + qoru_test::utf8Of(c.format) + (fromStream ? " (stream)" : "");
            EXPECT_EQ(r, c.result) << what;
            EXPECT_EQ(t.show(c.kinds), c.stored) << what;
            EXPECT_EQ(error, c.error) << what;
            if (fromStream && c.next != -2) { EXPECT_EQ(fgetc(in.stream), c.next) << what; }
        }
    }
}

TEST(Scan, ArgumentsAndFormatErrorReport) {
    int32_t v = 7;
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(sscanfU16(nullptr, u"%d", &v), -1); }), EBADF);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(sscanfU16(u"1", nullptr, &v), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fscanfU16(nullptr, u"%d", &v), -1); }), EBADF);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(scanWithList(nullptr, u"1", nullptr, &v), -1); }), EINVAL);
    // "%**d": suppressed, the width 3 from the argument; then the rest.
    EXPECT_EQ(sscanfU16(u"12345", u"%**d%d", 3, &v), 1);
    EXPECT_EQ(v, 45);
    qoru_test::TraceCapture trace(4);
    EXPECT_EQ(sscanfU16(u"1 2", u"%d %I32d", &v, &v), 1);
    EXPECT_NE(trace.joined().find("Error in format string at or near 'I':\nI32d"), std::string::npos) << trace.joined();
    qoru_test::TraceCapture quiet(1);
    EXPECT_EQ(sscanfU16(u"1", u"%q", &v), 0);
    EXPECT_EQ(trace.joined(), "");
}

TEST(Scan, WordOfMoreUnitsThanAnIntCounts) {
    const size_t length = (size_t{1} << 31) + 1;
    const qoru_test::HugeString word(length);
    if (word.units == nullptr) GTEST_SKIP() << word.unavailable;
    int64_t used = 0;
    EXPECT_EQ(sscanfU16(word.units, u"%*s%lln", &used), 0);
    EXPECT_EQ(used, static_cast<int64_t>(length));
}

// ---- Random formats and inputs against the C library ------------------------

struct Field {
    std::string format;  // the same for both, but a float ("F") the peer reads as double
    char kind;           // as Targets::show
};

std::string digits(std::mt19937 &rng, const char *set, int most) {
    std::string s;
    const int n = 1 + static_cast<int>(rng() % most);
    for (int i = 0; i < n; ++i) s += set[rng() % strlen(set)];
    return s;
}

// One directive and the text it reads. A field may read the rest of an earlier one's text (after a width
// cut it), never a later one's; so numbers stay within 32 bits except at the very end, where both sides
// agree by design, and words hold no hexadecimal digits. A float field may thus meet other fields' text, and
// a hexadecimal field a float's: formats with floats have neither "0x" (no hexadecimal floats) nor %x.
Field randomField(std::mt19937 &rng, std::string &input, bool last, bool floats) {
    const std::string sign = rng() % 3 ? "" : rng() % 2 ? "-" : "+";
    const std::string width = rng() % 3 ? "" : std::to_string(1 + rng() % 6);
    const char *letters = "ghijxyz_.-";
    const std::string hexPrefix = floats ? "" : "0x";
    const unsigned pick = rng() % 9;
    switch (pick == 6 && !floats ? 7 : pick == 4 && floats ? 0 : pick) {
    case 0: input += sign + digits(rng, "0123456789", 8); return {"%" + width + "d", 'd'};
    case 1: input += sign + digits(rng, "0123456789", last ? 18 : 8); return {"%lld", 'q'};
    case 2: input += sign + digits(rng, "0123456789", 4); return {"%hd", 'd'};
    case 3: input += sign + digits(rng, "01234567", 8); return {"%" + width + "o", 'd'};
    case 4: {
        input += sign + (rng() % 2 ? hexPrefix : "") + digits(rng, "0123456789abcdefABCDEF", 7);
        return {rng() % 2 ? "%" + width + "x" : "%hhX", 'x'};
    }
    case 5: {
        const int form = static_cast<int>(rng() % 3);
        input += sign + (form == 0 ? hexPrefix + digits(rng, "0123456789abcdef", 7)
                                   : form == 1 ? "0" + digits(rng, "01234567", 8) : "1" + digits(rng, "0123456789", 7));
        return {"%" + width + "i", 'd'};
    }
    case 6: {
        input += sign + digits(rng, "0123456789", 8) + (rng() % 2 ? "." + digits(rng, "0123456789", 8) : "") +
                 (rng() % 2 ? "e" + sign + digits(rng, "0123456789", 2) : "");
        return rng() % 2 ? Field{"%" + width + "f", 'F'} : Field{"%" + width + "lf", 'g'};
    }
    case 7: input += digits(rng, letters, 12); return {"%" + width + "s", 's'};
    default:
        // "[" and "c" do not skip white space: the format does it for them. A
        // "c" text is as long as its width, so that no field reads ahead.
        if (rng() % 2) {
            input += digits(rng, letters, 12);
            return {" %" + width + "[g-j_]", 'c'};
        }
        const int length = width.empty() ? 1 : std::stoi(width);
        for (int i = 0; i < length; ++i) input += letters[rng() % strlen(letters)];
        return {" %" + width + "c", 'c'};
    }
}

bool sameStore(const Field &f, const unsigned char *ours, const unsigned char *peer) {
    if (f.kind == 'F') {  // the peer's double rounded to float, or both untouched
        double d;
        const float expected = static_cast<float>(*static_cast<double *>(memcpy(&d, peer, sizeof d)));
        return memcmp(ours, &expected, sizeof expected) == 0 || memcmp(ours, peer, 4) == 0;
    }
    if (f.kind != 's' && f.kind != 'c') return memcmp(ours, peer, 8) == 0;
    for (int k = 0; k < slotBytes / 2; ++k) {
        const int unit = ours[2 * k] | ours[2 * k + 1] << 8;
        if (unit != (peer[k] == fill ? fill * 0x101 : peer[k])) return false;
    }
    return true;
}

TEST(Scan, RandomAgainstNarrowSscanfFromStringsAndStreams) {
    std::mt19937 rng(20261206);
    const char *gaps[] = {" ", "  ", "\t", "\n ", ""};
    for (int round = 0; round < 3000; ++round) {
        std::string input, oursFormat, libcFormat;
        Field fields[slots];
        const int count = 1 + static_cast<int>(rng() % (slots - 2));
        const bool floats = rng() % 3 == 0;
        for (int i = 0; i < count; ++i) {
            if (i > 0) {
                // A comma after a word would join it to the next.
                const bool literal = fields[i - 1].kind != 's' && rng() % 4 == 0;
                input += literal ? "," : gaps[rng() % 4];
                const char *gap = literal ? "," : rng() % 2 ? " " : "";
                oursFormat += gap;
                libcFormat += gap;
            }
            fields[i] = randomField(rng, input, i == count - 1, floats);
            oursFormat += fields[i].format;
            std::string libc = fields[i].format;
            if (fields[i].kind == 'F') libc.insert(libc.end() - 1, 'l');
            libcFormat += libc;
        }
        // A stray unit in a text now and then (joining two texts, or blanking
        // one, would let a field read ahead; a float's end would differ by design).
        const size_t at = rng() % input.size();
        if (!floats && rng() % 3 == 0 && !isspace(static_cast<unsigned char>(input[at]))) input[at] = "x-+,g"[rng() % 5];
        input += gaps[rng() % 5];
        oursFormat += "%n";
        libcFormat += "%n";
        fields[count] = {"%n", 'd'};
        const std::u16string format16 = qoru_test::utf16Of(oursFormat);
        const std::u16string input16 = qoru_test::utf16Of(input);
        Targets ours, peer, fromStream;
        // Every other round by the va_list form.
        const int32_t r = ours.scan([&](auto... p) {
            return round % 2 ? sscanfU16(input16.c_str(), format16.c_str(), p...)
                             : scanWithList(nullptr, input16.c_str(), format16.c_str(), p...);
        });
        const int expected = peer.scan([&](auto... p) { return sscanf(input.c_str(), libcFormat.c_str(), p...); });
        const std::string what = "'" + input + "' with " + oursFormat;
        // A first field that fails where the input ends ("+") gives -1 here (the input ended) and 0 in the C library.
        ASSERT_TRUE(r == expected || (r == -1 && expected == 0)) << what << ": " << r << " and " << expected;
        for (int i = 0; i <= count; ++i) ASSERT_TRUE(sameStore(fields[i], ours.bytes[i], peer.bytes[i])) << what << " field " << i;
        if (round % 10 != 0) continue;
        qoru_test::ByteStream in(input);
        EXPECT_EQ(fromStream.scan([&](auto... p) {
            return round % 20 ? fscanfU16(in.stream, format16.c_str(), p...)
                              : scanWithList(in.stream, nullptr, format16.c_str(), p...);
        }), r) << what;
        EXPECT_EQ(memcmp(ours.bytes, fromStream.bytes, sizeof ours.bytes), 0) << what;
        // What the scan did not take is still in the stream.
        int32_t used = 0;
        memcpy(&used, ours.bytes[count], sizeof used);
        if (used == fill * 0x1010101) continue;
        EXPECT_EQ(fgetc(in.stream), used < int32_t(input.size()) ? input[used] : EOF) << what;
    }
}

const qoru_test::Child listFromStandardInput("scan-standard-input", [](const std::vector<std::string> &) {
    int32_t a = 0, b = 0;
    return scanWithList(nullptr, nullptr, u"%d %d", &a, &b) == 2 && a == 12 && b == -34 ? 0 : 1;
});

TEST(Scan, StandardInputByList) {
    qoru_test::TempPath file;
    ASSERT_TRUE(file.write("12 -34\n"));
    EXPECT_EQ(qoru_test::runChild("scan-standard-input", {.standardInput = file.narrow()}).exitCode, 0);
}

}  // namespace
