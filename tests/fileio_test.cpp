// Opening files by UTF-16 names, the file-open trace, error texts in UTF-16,
// perrorU16 and narrowSnprintf.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "child.h"
#include "errno_after.h"
#include "flat/nlsui1_narrow.h"
#include "flat/nlsui1_strerror.h"
#include "platform/platform.h"
#include "qorucum.h"
#include "temp_path.h"
#include "trace_capture.h"
#include "trace_frame.h"
#include "utf8_text.h"

namespace {

using qoru_test::errnoAfter;
using qoru_test::TempPath;
using qoru_test::TraceCapture;
using qoru_test::utf16Of;

// ---- Opening by name ----

TEST(OpenByName, CreatesAndReopensNonAsciiAndSupplementaryNames) {
    TempPath file(u"_caf\u00E9_\u4E00_\xD83D\xDE00_\U00010348.txt");
    const int32_t fd = openU16(file.u16().c_str(), O_CREAT | O_WRONLY | O_TRUNC, S_IRUSR | S_IWUSR);
    ASSERT_GE(fd, 0) << strerror(errno);
    ASSERT_EQ(write(fd, "hello", 5), 5);
    ASSERT_EQ(close(fd), 0);
    // The directory lists the name exactly: on POSIX its bytes decode as
    // proper UTF-8 back to the same units.
    bool listed = false;
    for (const auto &entry : std::filesystem::directory_iterator(file.path().parent_path()))
        listed |= entry.path().filename().u16string() == file.path().filename().u16string();
    EXPECT_TRUE(listed);

    FILE *f = fopenU16(file.u16().c_str(), u"rb");
    ASSERT_NE(f, nullptr);
    TempPath other;
    ASSERT_TRUE(other.write("other"));
    FILE *r = freopenU16(file.u16().c_str(), u"ab", fopen(other.path().string().c_str(), "rb"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(fputsU16(u" world", r), 6);
    fclose(r);
    char buf[16] = {};
    EXPECT_EQ(fread(buf, 1, sizeof buf, f), 11u);
    EXPECT_EQ(std::string(buf, 11), "hello world");
    fclose(f);
}

TEST(OpenByName, CreateModeIsUsedOnlyWithTheCreateFlag) {
    TempPath file(u"_mode");
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(openU16(file.u16().c_str(), O_WRONLY | O_TRUNC, S_IRUSR | S_IWUSR), -1); }),
              ENOENT);
    const int32_t fd = openU16(file.u16().c_str(), O_CREAT | O_WRONLY, S_IRUSR);
    ASSERT_GE(fd, 0);
    close(fd);
    const auto perms = std::filesystem::status(file.path()).permissions();
    EXPECT_NE(perms & std::filesystem::perms::owner_read, std::filesystem::perms::none);
    EXPECT_EQ(perms & std::filesystem::perms::owner_write, std::filesystem::perms::none)
        << "the read-only mode reached the system";
}

TEST(OpenByName, NamesWithoutUtf8Form) {
    if (sizeof(wchar_t) == 2) GTEST_SKIP() << "names are UTF-16 to this system: no conversion can fail";
    TempPath dir;
    const struct {
        std::u16string path;
        int expectedErrno;
    } cases[] = {
        {dir.u16() + u"\xD800x", EILSEQ},  // unpaired high
        {dir.u16() + u"\xDC00", EILSEQ},   // unpaired low
        {dir.u16() + std::u16string(2000, u'\u4E00'), ENAMETOOLONG},
    };
    for (const auto &c : cases) {
        const charU16 *name = c.path.c_str();
        EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(openU16(name, O_CREAT | O_WRONLY, S_IRUSR | S_IWUSR), -1); }),
                  c.expectedErrno);
        EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fopenU16(name, u"w"), nullptr); }), c.expectedErrno);
        FILE *f = tmpfile();  // closed by the failing call
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(freopenU16(name, u"w", f), nullptr); }), c.expectedErrno);
    }
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fopenU16((dir.u16() + u"m").c_str(), u"w\u00E9"), nullptr); }), EINVAL);
}

TEST(OpenByName, NullArguments) {
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(openU16(nullptr, O_RDONLY), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fopenU16(nullptr, u"r"), nullptr); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fopenU16(u"x", nullptr), nullptr); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(freopenU16(u"x", u"r", nullptr), nullptr); }), EBADF);
}

// ---- The file-open trace ----

// The text of a file-open trace message: its last line before the trailer.
std::string traceText(const std::string &message) {
    const std::string tail = std::string("\n") + qoru_test::endOfMessage;
    EXPECT_TRUE(message.size() > tail.size() && message.ends_with(tail)) << message;
    const std::string body = message.substr(0, message.size() - tail.size());
    return body.substr(body.rfind('\n') + 1);
}

// Each operation traces the name, each unit narrowed to its low byte up to the
// first that narrows to 0, and only its last 80 units after "..." when longer.
TEST(OpenTrace, EachOperationTracesNameAndDescriptor) {
    std::u16string longLeaf(101, u'n');
    longLeaf.front() = u'_';
    const std::u16string leaves[] = {u"_trace.txt", longLeaf + u".txt", u"_\u00E9t\u00E9\u4E00rest"};
    for (const auto &leaf : leaves) {
        TempPath file(leaf);
        const int32_t made = openU16(file.u16().c_str(), O_CREAT | O_WRONLY, S_IRUSR | S_IWUSR);  // narrow names may not reach it
        ASSERT_GE(made, 0);
        close(made);
        std::string shown;
        for (char16_t u : file.u16()) {
            if ((u & 0xFF) == 0) break;
            shown += static_cast<char>(u & 0xFF);
        }
        if (shown.size() > 80) shown.replace(0, shown.size() - 80, "...");
        if (leaf.size() < 20) {
            ASSERT_LE(file.u16().size(), 80u) << "temporary directory too deep for this check";
        }
        auto traced = [&](const char *operation, int32_t fd) {
            char fileno[16];
            snprintf(fileno, sizeof fileno, "%x", static_cast<unsigned>(fd));
            return std::string(operation) + " \"" + shown + "\" (fileno 0x" + fileno + ")";
        };
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
        EXPECT_EQ(traceText(cap.lines()[0]), traced("openU16", fd));
        EXPECT_EQ(traceText(cap.lines()[1]), traced("fopenU16", fopenFd));
        EXPECT_EQ(traceText(cap.lines()[2]), traced("freopenU16", freopenFd));
    }
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
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(openU16((missing.u16() + u"/none").c_str(), O_RDONLY), -1); }), ENOENT);
    EXPECT_EQ(fopenU16(missing.u16().c_str(), u"rb"), nullptr);
    EXPECT_TRUE(cap.lines().empty());
}

// ---- Error texts ----

// Every text in one static buffer, equal to the C runtime's own.
TEST(ErrorText, MatchesTheCRuntime) {
    const charU16 *first = strerrorU16(ENOENT);
    for (int32_t e = -2; e < 150; ++e) {
        const std::string narrow = strerror(e);
        errno = 12345;
        const charU16 *text = strerrorU16(e);
        ASSERT_EQ(text, first);
        EXPECT_EQ(errno, 12345) << "a good text leaves errno";
        EXPECT_EQ(std::u16string(text), utf16Of(narrow.substr(0, 511))) << e;
    }
}

// Feeds strerrorU16 narrow texts the C runtime does not give.
struct FakeErrorText {
    explicit FakeErrorText(const char *narrow) {
        text = narrow;
        qoru::gErrorTextSource = [](int32_t) { return text; };
    }
    ~FakeErrorText() { qoru::gErrorTextSource = plat::errorText; }
    static inline const char *text = nullptr;
};

// Texts that are not UTF-8 show the error number (negative too); texts of
// 512 units or more keep their first 511 and a terminator.
TEST(ErrorText, TextsThatDoNotConvertOrFit) {
    const std::string tooSmall = "Function strerrorU16 :\nArray werror length MAX_ERROR_LN is too small.";
    std::string accents;
    for (int i = 0; i < 600; ++i) accents += "\xC3\xA9";
    const struct {
        int32_t errnum;
        std::string narrow;
        std::u16string expected;
        int expectedErrno;     // 0: errno stays as it was
        std::string reported;  // a fragment of the trace at level 4, or empty for none
    } cases[] = {
        {42, "Erreur d'\xE9" "criture", u"Could not convert error no. 42 to UTF-16 characters", EILSEQ,
         "strerrorU16 encountered invalid UTF-8"},
        {-7, "\xFF", u"Could not convert error no. -7 to UTF-16 characters", EILSEQ,
         "strerrorU16 encountered invalid UTF-8"},
        {1, std::string(511, 'x'), std::u16string(511, u'x'), 0, ""},
        {1, std::string(512, 'x'), std::u16string(511, u'x'), ENAMETOOLONG, tooSmall},
        {1, accents, std::u16string(511, u'\u00E9'), ENAMETOOLONG, tooSmall},
    };
    for (int level : {4, 0}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(c.narrow.substr(0, 20) + " at level " + std::to_string(level));
            FakeErrorText fake(c.narrow.c_str());
            TraceCapture cap(level);
            errno = 12345;
            const charU16 *text = strerrorU16(c.errnum);
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(std::u16string(text), c.expected);
            EXPECT_EQ(errno, c.expectedErrno ? c.expectedErrno : 12345);
            if (!c.reported.empty() && level > 0) {
                EXPECT_NE(cap.joined().find(c.reported), std::string::npos) << cap.joined();
            } else {
                EXPECT_TRUE(cap.lines().empty());
            }
        }
    }
    FakeErrorText none(nullptr);  // no text at all
    EXPECT_EQ(strerrorU16(5), nullptr);
}

// perrorU16 writes to the process's standard error: one child per argument.
qoru_test::Child perrorChild("perror", [](const std::vector<std::string> &args) {
    errno = ENOENT;
    perrorU16(args[0] == "null" ? nullptr : args[0] == "empty" ? u"" : u"caf\u00E9 \xD83D\xDE00 \xDC00");
    return 0;
});

TEST(Perror, WritesTextColonErrorTextAndLineFeed) {
    const std::string errorText = strerror(ENOENT);
    const std::pair<const char *, std::string> cases[] = {
        {"text", "caf\xC3\xA9 \xF0\x9F\x98\x80 #: " + errorText + "\n"},
        {"empty", ": " + errorText + "\n"},
        {"null", errorText + "\n"},  // the error text alone, as the C runtime's perror does
    };
    for (const auto &[arg, expected] : cases) {
        qoru_test::ChildOptions options;
        options.args = {arg};
        const auto result = qoru_test::runChild("perror", options);
        EXPECT_EQ(result.exitCode, 0) << arg;
        EXPECT_EQ(qoru_test::withoutCarriageReturns(result.standardError), expected) << arg;
    }
}

// ---- narrowSnprintf ----

TEST(NarrowSnprintf, CutTextsAreTerminatedAndReportMinusOne) {
    const struct {
        size_t size;
        int32_t result;
        const char *stored;
    } cases[] = {{8, -1, "0123456"}, {10, -1, "012345678"}, {11, 10, "0123456789"}, {64, 10, "0123456789"},
                 {1, -1, ""}};
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
