// UTF-8 stream output: the run writer's bytes and blocks (watched through its
// replaceable block write) against a reference encoder, its short-write
// arithmetic, and the exported functions on real streams.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "child.h"
#include "errno_after.h"
#include "i18n/qoru16/u16_put.h"
#include "qorucum.h"
#include "temp_path.h"
#include "utf8_text.h"

namespace {

using qoru_test::TempPath;
using qoru_test::utf8Of;

// Stands in for the C runtime's fwrite: records every block and takes as many
// bytes as accept(blockIndex, offered) allows (all when there is none).
struct BlockRecorder {
    explicit BlockRecorder(std::function<size_t(size_t, size_t)> take = nullptr) : accept(std::move(take)) {
        active = this;
        qoru::gBlockWrite = write;
    }
    ~BlockRecorder() { qoru::gBlockWrite = qoru::writeBlock; }
    std::string all() const {
        std::string s;
        for (const auto &b : blocks) s += b;
        return s;
    }
    static size_t write(const void *bytes, size_t count, FILE *) {
        const size_t taken = active->accept ? active->accept(active->blocks.size(), count) : count;
        active->blocks.emplace_back(static_cast<const char *>(bytes), count);
        return taken;
    }
    std::vector<std::string> blocks;
    std::function<size_t(size_t, size_t)> accept;
    static inline BlockRecorder *active = nullptr;
};

size_t writeRun(const std::u16string &units, size_t *bytes = nullptr, bool failOnEmpty = false) {
    return qoru::fwriteUtf8U16(units.data(), 1, units.size(), stdout, bytes, failOnEmpty);
}

// Byte-exact runs where the surrogate rules and the block threshold meet; the
// random test below covers the rest against the reference encoder.
TEST(RunWriter, RulesAndBlocksByTheTable) {
    std::u16string mixed(505, u'a');
    mixed += u"\xD83D\xDE00z";  // 505 + 4 = 509 bytes: the block goes out with the pair
    const struct {
        std::u16string units;
        std::string bytes;  // empty: only the blocks are checked
        std::vector<size_t> blockSizes;
    } cases[] = {
        {u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF", {4}},
        {u"ab\xDBFF", "ab#", {3}},
        {u"\xD800\xD800\xDC00", "#\xF0\x90\x80\x80", {5}},
        {u"\xDC00\xD800", "##", {2}},
        {std::u16string(u"a\0b", 3), std::string("a\0b", 3), {3}},
        {std::u16string(600, u'a'), "", {507, 93}},
        {std::u16string(200, u'\u20AC'), "", {507, 93}},
        {mixed, "", {509, 1}},
    };
    for (const auto &c : cases) {
        BlockRecorder rec;
        size_t bytes = 99;
        EXPECT_EQ(writeRun(c.units, &bytes), c.units.size());
        if (!c.bytes.empty()) {
            EXPECT_EQ(rec.all(), c.bytes);
        }
        EXPECT_EQ(bytes, rec.all().size());
        std::vector<size_t> sizes;
        for (const auto &b : rec.blocks) sizes.push_back(b.size());
        EXPECT_EQ(sizes, c.blockSizes);
    }
    BlockRecorder rec;  // a pair split over two calls is two lone halves
    EXPECT_EQ(fputsU16(u"\xD83D", stdout), 1);
    EXPECT_EQ(fputsU16(u"\xDE00", stdout), 1);
    EXPECT_EQ(rec.all(), "##");
    size_t bytes = 99;  // nothing to write: zero stored, no block
    EXPECT_EQ(qoru::fwriteUtf8U16(u"abc", 0, 3, stdout, &bytes, true), 0u);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(qoru::fwriteUtf8U16(u"abc", 3, 0, stdout, nullptr, true), 0u);
    EXPECT_EQ(rec.blocks.size(), 2u);
}

// Random runs, rich in surrogates, against the reference encoder: the same
// bytes, every block but the last between 507 and 510 bytes.
TEST(RunWriter, RandomRunsMatchReference) {
    std::mt19937 rng(20240613);
    for (int round = 0; round < 3000; ++round) {
        const unsigned asciiPercent = (round % 4) * 33;  // also reach the eight-unit ASCII path
        std::u16string units(rng() % 1200, u'\0');
        for (auto &u : units) {
            static const char16_t base[] = {0, 0x80, 0x800, 0xE000, 0xD800, 0xDC00};
            static const char16_t span[] = {0x80, 0x780, 0xD000, 0x2000, 0x400, 0x400};
            const unsigned k = rng() % 100 < asciiPercent ? 0 : rng() % 6;
            u = static_cast<char16_t>(base[k] + rng() % span[k]);
        }
        const size_t size = 1 + rng() % 4;
        const size_t count = units.size() / size;
        BlockRecorder rec;
        size_t bytes = 0;
        ASSERT_EQ(qoru::fwriteUtf8U16(units.data(), size, count, stdout, &bytes, true), count);
        const std::string expected = utf8Of(units.substr(0, size * count));
        ASSERT_EQ(rec.all(), expected) << "round " << round;
        ASSERT_EQ(bytes, expected.size());
        for (size_t i = 0; i < rec.blocks.size(); ++i) {
            ASSERT_LE(rec.blocks[i].size(), 510u);
            if (i + 1 < rec.blocks.size()) {
                ASSERT_GT(rec.blocks[i].size(), 506u);
            }
        }
    }
}

// Whatever the stream takes, the elements reported never hold more bytes
// than were written.
TEST(RunWriter, ShortWritesNeverClaimUnwrittenUnits) {
    std::mt19937 rng(7);
    const std::u16string pool = u"a\u00E9\u20AC\xD83D\xDE00\xDC00";
    for (int round = 0; round < 2000; ++round) {
        std::u16string units(1 + rng() % 1500, u'a');
        for (auto &u : units) u = pool[rng() % pool.size()];
        const size_t size = 1 + rng() % 3;
        const size_t count = units.size() / size;
        const size_t failingBlock = rng() % 4;
        const size_t taken = rng() % 510;
        BlockRecorder rec([&](size_t index, size_t offered) {
            return index == failingBlock ? std::min(taken, offered - 1) : offered;
        });
        size_t bytes = 0;
        const size_t elements = qoru::fwriteUtf8U16(units.data(), size, count, stdout, &bytes, false);
        if (rec.blocks.size() <= failingBlock) {
            ASSERT_EQ(elements, count);
            continue;
        }
        ASSERT_EQ(rec.blocks.size(), failingBlock + 1) << "nothing is tried after a short write";
        ASSERT_LT(elements, count);
        ASSERT_LE(utf8Of(units.substr(0, elements * size)).size(), bytes) << "round " << round;
    }
}

// ---- The exported functions ----

TEST(StreamOutput, ResultsByWhatTheStreamTakes) {
    {
        BlockRecorder rec;
        EXPECT_EQ(fputsU16(u"", stdout), 0);
        EXPECT_EQ(fputsU16(u"a\xD83D\xDE00", stdout), 5);
        EXPECT_EQ(putsU16(u"ab"), 3);
        EXPECT_EQ(fwriteU16(u"abcdefg", 2, 3, stdout), 3u);
        EXPECT_EQ(fwriteU16(u"abc", 0, 3, stdout), 0u);
        EXPECT_EQ(rec.all(), "a\xF0\x9F\x98\x80" "ab\nabcdef");
    }
    {
        // 600 units: the first block of 507 takes 100 bytes, claimed as 33
        // units; no second block is tried.
        BlockRecorder rec([](size_t index, size_t offered) { return index == 0 ? size_t{100} : offered; });
        size_t bytes = 0;
        EXPECT_EQ(writeRun(std::u16string(600, u'a'), &bytes), 33u);
        EXPECT_EQ(bytes, 100u);
        EXPECT_EQ(rec.blocks.size(), 1u);
    }
    {
        BlockRecorder rec([](size_t, size_t) { return size_t{0}; });
        size_t bytes = 99;
        EXPECT_EQ(writeRun(u"abc", &bytes, true), static_cast<size_t>(-1));
        EXPECT_EQ(bytes, 99u) << "not stored on failure";
        EXPECT_EQ(writeRun(u"abc", &bytes, false), 0u);
        EXPECT_EQ(bytes, 0u);
        EXPECT_EQ(fputsU16(u"abc", stdout), -1);
        EXPECT_EQ(fwriteU16(u"abc", 1, 3, stdout), 0u);
        rec.blocks.clear();
        EXPECT_EQ(putsU16(u"ab"), -1);
        EXPECT_EQ(rec.blocks.size(), 1u) << "the line feed is not tried after a failed text";
    }
    BlockRecorder lineFeedRefused([](size_t index, size_t offered) { return index == 0 ? offered : size_t{0}; });
    EXPECT_EQ(putsU16(u"ab"), -1);
}

TEST(StreamOutput, BadArguments) {
    using qoru_test::errnoAfter;
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fputsU16(u"a", nullptr), -1); }), EBADF);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fputsU16(nullptr, stdout), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(putsU16(nullptr), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fwriteU16(u"a", 1, 1, nullptr), 0u); }), EBADF);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fwriteU16(nullptr, 1, 1, stdout), 0u); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fputcU16('a', nullptr), EOF); }), EBADF);
}

TEST(StreamOutput, RealFileGetsTheBytesAndReadOnlyStreamNone) {
    TempPath file;
    FILE *f = fopen(file.path().string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::u16string big;
    for (int i = 0; i < 3000; ++i) big += (i % 5 == 0) ? u"\xD83D\xDE00" : (i % 3 == 0 ? u"\u00E9" : u"x");
    EXPECT_EQ(fputsU16(big.c_str(), f), static_cast<int>(utf8Of(big).size()));
    EXPECT_EQ(fwriteU16(u"\u4E00\xD800", 1, 2, f), 2u);
    // fputcU16 encodes its unit alone (a surrogate too); only the low 16 bits count.
    for (int c : {0x41, 0xE9, 0x7FF, 0x20AC, 0xD800, 0xDFFF, 0x1004E}) EXPECT_EQ(fputcU16(c, f), c);
    ASSERT_EQ(fclose(f), 0);
    const std::string want = utf8Of(big) + "\xE4\xB8\x80#" "A\xC3\xA9\xDF\xBF\xE2\x82\xAC\xED\xA0\x80\xED\xBF\xBFN";
    EXPECT_EQ(file.contents(), want);
    // The same file opened for reading takes nothing.
    f = fopen(file.path().string().c_str(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fputsU16(u"abc", f), -1);
    EXPECT_EQ(fwriteU16(u"abc", 1, 3, f), 0u);
    EXPECT_EQ(fputcU16(0xE9, f), EOF);
    fclose(f);
    EXPECT_EQ(file.contents(), want);
}

// putsU16 writes to the process's standard output, so it runs in children:
// one with a working output, one whose output was reopened for reading.
qoru_test::Child putsChild("puts", [](const std::vector<std::string> &args) {
    if (!args.empty() && freopenU16(std::filesystem::path(args[0]).u16string().c_str(), u"r", stdout) == nullptr)
        return 2;
    const int result = putsU16(u"ab\u00E9");
    return result == -1 ? 100 : result;
});

TEST(StreamOutput, PutsOnTheStandardOutput) {
    const auto ok = qoru_test::runChild("puts");
    EXPECT_EQ(ok.exitCode, 5);
    EXPECT_EQ(qoru_test::withoutCarriageReturns(ok.standardOutput), "ab\xC3\xA9\n");
    TempPath file;
    ASSERT_TRUE(file.write("x"));
    qoru_test::ChildOptions options;
    options.args = {file.path().string()};
    EXPECT_EQ(qoru_test::runChild("puts", options).exitCode, 100);
    EXPECT_EQ(file.contents(), "x");
}

}  // namespace
