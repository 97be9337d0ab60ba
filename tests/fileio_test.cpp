// Opening files by UTF-16 names, the file-open trace, error texts in UTF-16,
// perrorU16 and narrowSnprintf.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "child.h"
#include "flat/nlsui1_narrow.h"
#include "flat/nlsui1_strerror.h"
#include "platform/platform.h"
#include "qorucum.h"
#include "temp_path.h"
#include "trace_capture.h"

namespace {

using qoru_test::TempPath;
using qoru_test::TraceCapture;

const std::string trailer = "--- Unicode interface ------ End of message ------";

// Valid UTF-8 to UTF-16, the plain way, for texts of the C runtime.
std::u16string fromUtf8(const std::string &bytes) {
    std::u16string out;
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        char32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) c = (c << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        i += 1 + extra;
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string hex(int32_t value) {
    char buf[16];
    snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(value));
    return buf;
}

bool endsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// ---- Names with non-ASCII and supplementary characters ----

const std::u16string unicodeLeaf = u"_caf\u00E9_\u4E00_\xD83D\xDE00_\U00010348.txt";

TEST(OpenByName, CreatesAndReopensUnicodeNames) {
    TempPath file(unicodeLeaf);
    const int32_t fd = openU16(file.u16().c_str(), O_CREAT | O_WRONLY | O_TRUNC, S_IRUSR | S_IWUSR);
    ASSERT_GE(fd, 0) << strerror(errno);
    ASSERT_EQ(write(fd, "hello", 5), 5);
    ASSERT_EQ(close(fd), 0);

    // The directory lists the name exactly: on POSIX its bytes decode as
    // proper UTF-8 back to the same units.
    bool listed = false;
    for (const auto &entry : std::filesystem::directory_iterator(file.path().parent_path()))
        if (entry.path().filename().u16string() == file.path().filename().u16string()) listed = true;
    EXPECT_TRUE(listed);

    FILE *f = fopenU16(file.u16().c_str(), u"rb");
    ASSERT_NE(f, nullptr);
    char buf[16] = {};
    EXPECT_EQ(fread(buf, 1, sizeof buf, f), 5u);
    EXPECT_STREQ(buf, "hello");

    TempPath other;
    ASSERT_TRUE(other.write("other"));
    FILE *g = fopen(other.path().string().c_str(), "rb");
    ASSERT_NE(g, nullptr);
    FILE *r = freopenU16(file.u16().c_str(), u"ab", g);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(fputsU16(u" world", r), 6);
    fclose(r);
    rewind(f);
    EXPECT_EQ(fread(buf, 1, sizeof buf, f), 11u);
    EXPECT_EQ(std::string(buf, 11), "hello world");
    fclose(f);
}

TEST(OpenByName, CreateModeIsUsedOnlyWithTheCreateFlag) {
    TempPath file(u"_mode");
    errno = 0;
    EXPECT_EQ(openU16(file.u16().c_str(), O_WRONLY | O_TRUNC, S_IRUSR | S_IWUSR), -1);
    EXPECT_EQ(errno, ENOENT) << "no file is made without the create flag";

    const int32_t fd = openU16(file.u16().c_str(), O_CREAT | O_WRONLY, S_IRUSR);
    ASSERT_GE(fd, 0);
    close(fd);
    const auto perms = std::filesystem::status(file.path()).permissions();
    EXPECT_NE(perms & std::filesystem::perms::owner_read, std::filesystem::perms::none);
    EXPECT_EQ(perms & std::filesystem::perms::owner_write, std::filesystem::perms::none)
        << "the read-only mode reached the system";
}

struct BadOpenCase {
    const char *what;
    std::u16string path;
    int expectedErrno;
};

TEST(OpenByName, NamesWithoutUtf8Form) {
    if (sizeof(wchar_t) == 2) GTEST_SKIP() << "names are UTF-16 to this system: no conversion can fail";
    TempPath dir;
    const BadOpenCase cases[] = {
        {"unpaired high", dir.u16() + u"\xD800x", EILSEQ},
        {"unpaired low", dir.u16() + u"\xDC00", EILSEQ},
        {"too long once converted", dir.u16() + std::u16string(2000, u'\u4E00'), ENAMETOOLONG},
    };
    for (const auto &c : cases) {
        errno = 0;
        EXPECT_EQ(openU16(c.path.c_str(), O_CREAT | O_WRONLY, S_IRUSR | S_IWUSR), -1) << c.what;
        EXPECT_EQ(errno, c.expectedErrno) << c.what;
        errno = 0;
        EXPECT_EQ(fopenU16(c.path.c_str(), u"w"), nullptr) << c.what;
        EXPECT_EQ(errno, c.expectedErrno) << c.what;
        FILE *f = tmpfile();
        ASSERT_NE(f, nullptr);
        errno = 0;
        EXPECT_EQ(freopenU16(c.path.c_str(), u"w", f), nullptr) << c.what << " (the stream is closed)";
        EXPECT_EQ(errno, c.expectedErrno) << c.what;
    }
    errno = 0;
    EXPECT_EQ(fopenU16((dir.u16() + u"m").c_str(), u"w\u00E9"), nullptr);
    EXPECT_EQ(errno, EINVAL);
}

TEST(OpenByName, NullArguments) {
    errno = 0;
    EXPECT_EQ(openU16(nullptr, O_RDONLY), -1);
    EXPECT_EQ(errno, EINVAL);
    errno = 0;
    EXPECT_EQ(fopenU16(nullptr, u"r"), nullptr);
    EXPECT_EQ(errno, EINVAL);
    errno = 0;
    EXPECT_EQ(fopenU16(u"x", nullptr), nullptr);
    EXPECT_EQ(errno, EINVAL);
    errno = 0;
    EXPECT_EQ(freopenU16(u"x", u"r", nullptr), nullptr);
    EXPECT_EQ(errno, EBADF);
}

// ---- The file-open trace ----

// The message text of a trace call: what follows the frame's header lines,
// before the trailer.
std::string traceText(const std::string &message) {
    EXPECT_TRUE(endsWith(message, "\n" + trailer)) << message;
    const std::string body = message.substr(0, message.size() - trailer.size() - 1);
    return body.substr(body.rfind('\n') + 1);
}

TEST(OpenTrace, EachOperationTracesNameAndDescriptor) {
    TempPath file(u"_trace.txt");
    ASSERT_TRUE(file.write("x"));
    const std::string name = file.path().string();
    ASSERT_LE(name.size(), 80u) << "temporary directory too deep for this check";

    TraceCapture cap(16);
    const int32_t fd = openU16(file.u16().c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    close(fd);
    FILE *f = fopenU16(file.u16().c_str(), u"rb");
    ASSERT_NE(f, nullptr);
    const int32_t fopenFd = plat::streamDescriptor(f);
    FILE *r = freopenU16(file.u16().c_str(), u"r", f);
    ASSERT_NE(r, nullptr);
    const int32_t freopenFd = plat::streamDescriptor(r);
    fclose(r);

    ASSERT_EQ(cap.lines().size(), 3u);
    EXPECT_EQ(traceText(cap.lines()[0]), "openU16 \"" + name + "\" (fileno 0x" + hex(fd) + ")");
    EXPECT_EQ(traceText(cap.lines()[1]), "fopenU16 \"" + name + "\" (fileno 0x" + hex(fopenFd) + ")");
    EXPECT_EQ(traceText(cap.lines()[2]), "freopenU16 \"" + name + "\" (fileno 0x" + hex(freopenFd) + ")");
}

TEST(OpenTrace, LongNamesShowTheirLastEightyUnits) {
    TempPath file(u"_" + std::u16string(100, u'n') + u".txt");
    ASSERT_TRUE(file.write("x"));
    const std::string name = file.path().string();

    TraceCapture cap(16);
    FILE *f = fopenU16(file.u16().c_str(), u"rb");
    ASSERT_NE(f, nullptr);
    const int32_t fd = plat::streamDescriptor(f);
    fclose(f);
    ASSERT_EQ(cap.lines().size(), 1u);
    EXPECT_EQ(traceText(cap.lines()[0]),
              "fopenU16 \"..." + std::string(76, 'n') + ".txt\" (fileno 0x" + hex(fd) + ")");
}

TEST(OpenTrace, NamesAreNarrowedUnitByUnit) {
    // U+00E9 shows as the byte E9; U+4E00 narrows to 0 and ends the name.
    TempPath file(u"_\u00E9t\u00E9\u4E00rest");
    const std::u16string path = file.u16();
    const int32_t fd = openU16(path.c_str(), O_CREAT | O_WRONLY, S_IRUSR | S_IWUSR);
    ASSERT_GE(fd, 0);
    close(fd);
    std::string shown;
    for (char16_t u : path.substr(0, path.find(u'\u4E00'))) shown += static_cast<char>(u & 0xFF);
    ASSERT_LE(path.size(), 80u);

    TraceCapture cap(16);
    const int32_t fd2 = openU16(path.c_str(), O_RDONLY);
    ASSERT_GE(fd2, 0);
    close(fd2);
    ASSERT_EQ(cap.lines().size(), 1u);
    EXPECT_EQ(traceText(cap.lines()[0]), "openU16 \"" + shown + "\" (fileno 0x" + hex(fd2) + ")");
    EXPECT_TRUE(endsWith(shown, "_\xE9t\xE9"));
}

TEST(OpenTrace, SilentBelowHighAndOnFailure) {
    TempPath file(u"_quiet");
    ASSERT_TRUE(file.write("x"));
    {
        TraceCapture cap(4);
        FILE *f = fopenU16(file.u16().c_str(), u"rb");
        ASSERT_NE(f, nullptr);
        fclose(f);
        EXPECT_TRUE(cap.lines().empty());
    }
    TraceCapture cap(16);
    TempPath missing(u"_missing");
    errno = 0;
    EXPECT_EQ(openU16((missing.u16() + u"/none").c_str(), O_RDONLY), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(fopenU16(missing.u16().c_str(), u"rb"), nullptr);
    EXPECT_TRUE(cap.lines().empty());
}

// ---- Error texts ----

TEST(ErrorText, MatchesTheCRuntime) {
    for (int32_t e = -2; e < 150; ++e) {
        const std::string narrow = strerror(e);
        errno = 12345;
        const charU16 *text = strerrorU16(e);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(errno, 12345) << "a good text leaves errno";
        EXPECT_EQ(std::u16string(text), fromUtf8(narrow.substr(0, 511))) << e;
    }
}

TEST(ErrorText, OneBufferForEveryCall) {
    const charU16 *first = strerrorU16(ENOENT);
    const std::u16string firstText = first;
    const charU16 *second = strerrorU16(EACCES);
    EXPECT_EQ(first, second);
    EXPECT_EQ(std::u16string(second), fromUtf8(strerror(EACCES)));
    EXPECT_NE(std::u16string(second), firstText);
}

// Feeds strerrorU16 narrow texts the C runtime does not give.
class FakeErrorText {
public:
    explicit FakeErrorText(const char *text) {
        text_ = text;
        qoru::gErrorTextSource = [](int32_t) { return text_; };
    }
    ~FakeErrorText() { qoru::gErrorTextSource = plat::errorText; }

private:
    static const char *text_;
};
const char *FakeErrorText::text_ = nullptr;

struct FakeTextCase {
    const char *what;
    int32_t errnum;
    std::string narrow;
    std::u16string expected;
    int expectedErrno;     // 0: errno stays as it was
    const char *reported;  // a fragment of the trace at level 4, or null for none
};

TEST(ErrorText, TextsThatDoNotConvertOrFit) {
    const std::string latin1 = "Erreur d'\xE9" "criture";
    const FakeTextCase cases[] = {
        {"latin-1", 42, latin1, u"Could not convert error no. 42 to UTF-16 characters", EILSEQ,
         "strerrorU16 encountered invalid UTF-8"},
        {"negative number", -7, "\xFF", u"Could not convert error no. -7 to UTF-16 characters", EILSEQ,
         "strerrorU16 encountered invalid UTF-8"},
        {"511 units fit", 1, std::string(511, 'x'), std::u16string(511, u'x'), 0, nullptr},
        {"512 units are cut", 1, std::string(512, 'x'), std::u16string(511, u'x'), ENAMETOOLONG,
         "Function strerrorU16 :\nArray werror length MAX_ERROR_LN is too small."},
        {"longer still", 1, std::string(1200, 'y'), std::u16string(511, u'y'), ENAMETOOLONG,
         "Function strerrorU16 :\nArray werror length MAX_ERROR_LN is too small."},
        {"two-byte units", 1,
         [] {
             std::string s;
             for (int i = 0; i < 600; ++i) s += "\xC3\xA9";
             return s;
         }(),
         std::u16string(511, u'\u00E9'), ENAMETOOLONG, "is too small."},
    };
    for (int level : {4, 0}) {
        for (const auto &c : cases) {
            FakeErrorText fake(c.narrow.c_str());
            TraceCapture cap(level);
            errno = 12345;
            const charU16 *text = strerrorU16(c.errnum);
            ASSERT_NE(text, nullptr) << c.what;
            EXPECT_EQ(std::u16string(text), c.expected) << c.what;
            EXPECT_EQ(errno, c.expectedErrno ? c.expectedErrno : 12345) << c.what;
            if (c.reported != nullptr && level > 0)
                EXPECT_NE(cap.joined().find(c.reported), std::string::npos) << c.what << "\n" << cap.joined();
            else
                EXPECT_TRUE(cap.lines().empty()) << c.what << " at level " << level;
        }
    }
}

TEST(ErrorText, NoTextGivesNull) {
    qoru::gErrorTextSource = [](int32_t) -> const char * { return nullptr; };
    EXPECT_EQ(strerrorU16(5), nullptr);
    qoru::gErrorTextSource = plat::errorText;
}

// ---- perrorU16 ----

qoru_test::Child perrorChild("perror", [](const std::vector<std::string> &args) {
    const std::string which = args.empty() ? "" : args[0];
    errno = ENOENT;
    if (which == "null")
        perrorU16(nullptr);
    else if (which == "empty")
        perrorU16(u"");
    else
        perrorU16(u"caf\u00E9 \xD83D\xDE00 \xDC00");
    return 0;
});

TEST(Perror, WritesTextColonErrorTextAndLineFeed) {
    const std::string errorText = strerror(ENOENT);
    const struct {
        const char *arg;
        std::string expected;
    } cases[] = {
        {"text", "caf\xC3\xA9 \xF0\x9F\x98\x80 #: " + errorText + "\n"},
        {"empty", ": " + errorText + "\n"},
        {"null", errorText + "\n"},
    };
    for (const auto &c : cases) {
        qoru_test::ChildOptions options;
        options.args = {c.arg};
        const auto result = qoru_test::runChild("perror", options);
        EXPECT_EQ(result.exitCode, 0) << c.arg;
        EXPECT_EQ(qoru_test::withoutCarriageReturns(result.standardError), c.expected) << c.arg;
    }
}

// ---- narrowSnprintf ----

TEST(NarrowSnprintf, CutTextsAreTerminatedAndReportMinusOne) {
    const struct {
        size_t size;
        int32_t result;
        const char *stored;
    } cases[] = {
        {8, -1, "0123456"},
        {10, -1, "012345678"},
        {11, 10, "0123456789"},
        {64, 10, "0123456789"},
        {1, -1, ""},
    };
    for (const auto &c : cases) {
        char buf[80];
        memset(buf, '@', sizeof buf);
        EXPECT_EQ(qoru::narrowSnprintf(buf, c.size, "%s%d", "01234", 56789), c.result) << c.size;
        EXPECT_STREQ(buf, c.stored) << c.size;
        EXPECT_EQ(buf[c.size], '@') << "nothing past size";
    }
    char untouched = '@';
    EXPECT_EQ(qoru::narrowSnprintf(&untouched, 0, "abc"), -1);
    EXPECT_EQ(untouched, '@');
}

}  // namespace
