// Opening files by UTF-16 names, the file-open trace, error texts in UTF-16 and narrowSnprintf.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

int32_t create(const TempPath &file, int32_t mode = S_IRUSR | S_IWUSR) {
    return openU16(file.u16().c_str(), O_CREAT | O_WRONLY | O_TRUNC, mode);
}

TEST(OpenByName, NonAsciiNamesModesAndArguments) {
    TempPath name(u"_caf\u00E9_\u4E00_\xD83D\xDE00_\U00010348.txt");
    const int32_t fd = create(name);
    ASSERT_GE(fd, 0) << strerror(errno);
    ASSERT_EQ(write(fd, "hello", 5) + close(fd), 5);
    // The directory lists the name exactly (on POSIX: proper UTF-8 bytes).
    const std::vector<std::u16string> entries = qoru_test::folderEntries(qoru_test::tempDirectory());
    EXPECT_EQ(std::count(entries.begin(), entries.end(), name.u16().substr(qoru_test::tempDirectory().size())), 1);
    FILE *f = fopenU16(name.u16().c_str(), u"rb");
    FILE *r = freopenU16(name.u16().c_str(), u"ab", tmpfile());
    ASSERT_TRUE(f != nullptr && r != nullptr);
    EXPECT_EQ(fputsU16(u" world", r) + fclose(r), 6);
    char buf[16] = {};
    EXPECT_EQ(fread(buf, 1, sizeof buf, f), 11u);
    EXPECT_STREQ(buf, "hello world");
    fclose(f);
    // The mode only with the create flag; argument checks.
    TempPath file(u"_mode");
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(openU16(file.u16().c_str(), O_WRONLY, S_IRUSR | S_IWUSR), -1); }), ENOENT);
    ASSERT_EQ(close(create(file, S_IRUSR)), 0);
    struct stat st;
    ASSERT_EQ(stat(file.narrow().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & (S_IRUSR | S_IWUSR), S_IRUSR) << "the read-only mode reached the system";
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(openU16(nullptr, O_RDONLY), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fopenU16(nullptr, u"r"), nullptr); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fopenU16(u"x", nullptr), nullptr); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(freopenU16(u"x", u"r", nullptr), nullptr); }), EBADF);
}

TEST(OpenByName, NamesWithoutUtf8Form) {
    if (sizeof(wchar_t) == 2) GTEST_SKIP() << "names are UTF-16 to this system: no conversion can fail";
    TempPath dir;
    const std::pair<std::u16string, int> cases[] = {
        {u"\xD800x", EILSEQ}, {u"\xDC00", EILSEQ}, {std::u16string(2000, u'\u4E00'), ENAMETOOLONG}};
    for (const auto &[leaf, expected] : cases) {
        const std::u16string name = dir.u16() + leaf;
        EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(openU16(name.c_str(), O_CREAT | O_WRONLY, S_IRUSR), -1); }), expected);
        EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fopenU16(name.c_str(), u"w"), nullptr); }), expected);
        EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(freopenU16(name.c_str(), u"w", tmpfile()), nullptr); }), expected);  // closes it
    }
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fopenU16((dir.u16() + u"m").c_str(), u"w\u00E9"), nullptr); }), EINVAL);
}

// The file-open trace at level 16: the name's units narrowed to their low bytes up to a 0, the last 80
// after "..." when longer, and the descriptor. Nothing below level 16 or on failure.
TEST(OpenTrace, EachOperationTracesNameAndDescriptor) {
    const std::u16string tail = std::u16string(u"_").append(100, u'n').append(u".txt");
    for (const std::u16string &leaf : {std::u16string(u"_trace.txt"), tail, std::u16string(u"_\u00E9t\u00E9\u4E00rest")}) {
        TempPath file(leaf);
        ASSERT_EQ(close(create(file)), 0);
        std::string shown;
        for (size_t i = 0; i < file.u16().size() && (file.u16()[i] & 0xFF) != 0; ++i) shown += static_cast<char>(file.u16()[i]);
        if (shown.size() > 80) shown.replace(0, shown.size() - 80, "...");
        for (int level : {4, 16}) {
            TraceCapture cap(level);
            const int32_t fd = openU16(file.u16().c_str(), O_RDONLY);
            close(fd);
            FILE *f = fopenU16(file.u16().c_str(), u"rb");
            const int32_t fopenFd = plat::streamDescriptor(f);
            FILE *r = freopenU16(file.u16().c_str(), u"r", f);
            ASSERT_NE(r, nullptr);
            const int32_t freopenFd = plat::streamDescriptor(r);
            fclose(r);
            std::vector<std::string> want;  // the last line of each message, then its trailer
            for (auto [op, d] : {std::pair{"openU16", fd}, {"fopenU16", fopenFd}, {"freopenU16", freopenFd}}) {
                char line[256];
                snprintf(line, sizeof line, "\n%s \"%s\" (fileno 0x%x)\n%s", op, shown.c_str(), static_cast<unsigned>(d), qoru_test::endOfMessage);
                if (level == 16) want.push_back(line);
            }
            ASSERT_EQ(cap.lines().size(), want.size());
            for (size_t i = 0; i < want.size(); ++i) EXPECT_TRUE(cap.lines()[i].ends_with(want[i])) << cap.lines()[i];
        }
    }
    TraceCapture cap(16);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(openU16(u"qoru_missing_dir/none", O_RDONLY), -1); }), ENOENT);
    EXPECT_EQ(fopenU16(u"qoru_missing_dir/none", u"rb"), nullptr);
    EXPECT_TRUE(cap.lines().empty());
}

// Every text in one static buffer, equal to the C runtime's own.
TEST(ErrorText, MatchesTheCRuntime) {
    const charU16 *first = strerrorU16(ENOENT);
    for (int32_t e = -2; e < 150; ++e) {
        EXPECT_EQ(errnoAfter([&] { ASSERT_EQ(strerrorU16(e), first); }), 0) << "a good text leaves errno";
        EXPECT_EQ(std::u16string(first), qoru_test::utf16Of(std::string(strerror(e)).substr(0, 511))) << e;
    }
}

// Narrow texts the C runtime does not give: not UTF-8 (the number shows, negative too), or 512 units and more (the
// first 511 are kept).
TEST(ErrorText, TextsThatDoNotConvertOrFit) {
    static const char *narrow = nullptr;
    qoru::gErrorTextSource = [](int32_t) { return narrow; };
    const std::string tooSmall = "Function strerrorU16 :\nArray werror length MAX_ERROR_LN is too small.", bad = "strerrorU16 encountered invalid UTF-8";
    const std::string accents = qoru_test::utf8Of(std::u16string(600, u'\u00E9'));
    const struct { int32_t errnum; std::string narrow; std::u16string text; int error; std::string reported; } cases[] = {
        {42, "Erreur d'\xE9" "criture", u"Could not convert error no. 42 to UTF-16 characters", EILSEQ, bad},
        {-7, "\xFF", u"Could not convert error no. -7 to UTF-16 characters", EILSEQ, bad},
        {1, std::string(511, 'x'), std::u16string(511, u'x'), 0, ""},
        {1, std::string(512, 'x'), std::u16string(511, u'x'), ENAMETOOLONG, tooSmall},
        {1, accents, std::u16string(511, u'\u00E9'), ENAMETOOLONG, tooSmall},
    };
    for (int level : {4, 0}) {
        for (const auto &c : cases) {
            narrow = c.narrow.c_str();
            TraceCapture cap(level);
            EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(std::u16string(strerrorU16(c.errnum)), c.text); }), c.error) << c.errnum;
            const bool reported = level > 0 && c.error != 0;
            EXPECT_TRUE(reported ? cap.joined().find(c.reported) != std::string::npos : cap.lines().empty()) << cap.joined();
        }
    }
    narrow = nullptr;  // no text at all
    EXPECT_EQ(strerrorU16(5), nullptr);
    qoru::gErrorTextSource = plat::errorText;
}

// Cut texts are terminated and give -1; nothing is written past size, nothing at all for 0; the bytes are snprintf's.
TEST(NarrowSnprintf, MatchesSnprintfButReportsCutTexts) {
    for (size_t size = 0; size < 14; ++size) {
        std::string buf(16, '@'), want(16, '@');
        const int n = snprintf(want.data(), size, "%s%d", "01234", 56789);
        EXPECT_EQ(qoru::narrowSnprintf(buf.data(), size, "%s%d", "01234", 56789), n < static_cast<int>(size) ? n : -1);
        EXPECT_EQ(buf, want) << size;
    }
}

}  // namespace
