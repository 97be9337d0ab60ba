// UTF-8 stream output: the run writer's bytes and blocks (through its replaceable block write) against
// the reference encoder, its short-write arithmetic, and the exported functions on real streams.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <numeric>
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

using qoru_test::errnoAfter;
using qoru_test::utf8Of;

// Stands in for the C runtime's fwrite: records every block and takes as many
// bytes as accept(block index, bytes offered) allows.
struct BlockRecorder {
    explicit BlockRecorder(std::function<size_t(size_t, size_t)> take = [](size_t, size_t n) { return n; }) {
        accept = std::move(take);
        blocks.clear();
        qoru::gBlockWrite = [](const void *bytes, size_t count, FILE *) {
            blocks.emplace_back(static_cast<const char *>(bytes), count);
            return accept(blocks.size() - 1, count);
        };
    }
    ~BlockRecorder() { qoru::gBlockWrite = qoru::writeBlock; }
    static std::string all() { return std::accumulate(blocks.begin(), blocks.end(), std::string()); }
    static inline std::vector<std::string> blocks;
    static inline std::function<size_t(size_t, size_t)> accept;
};

size_t writeRun(const std::u16string &units, size_t *bytes = nullptr, bool failOnEmpty = false) {
    return qoru::fwriteUtf8U16(units.data(), 1, units.size(), stdout, bytes, failOnEmpty);
}

// Random runs, rich in surrogates, against the reference encoder: the same
// bytes, every block but the last between 507 and 510 bytes.
TEST(RunWriter, RandomRunsMatchReference) {
    std::mt19937 rng(20240613);
    for (int round = 0; round < 3000; ++round) {
        const unsigned asciiPercent = (round % 4) * 33;  // also reach the eight-unit ASCII path
        std::u16string units(rng() % 1200, u'\0');
        for (auto &u : units) {
            static const char16_t base[] = {0, 0x80, 0x800, 0xE000, 0xD800, 0xDC00}, span[] = {0x80, 0x780, 0xD000, 0x2000, 0x400, 0x400};
            const unsigned k = rng() % 100 < asciiPercent ? 0 : rng() % 6;
            u = static_cast<char16_t>(base[k] + rng() % span[k]);
        }
        const size_t size = 1 + rng() % 4, count = units.size() / size;
        BlockRecorder rec;
        size_t bytes = 0;
        ASSERT_EQ(qoru::fwriteUtf8U16(units.data(), size, count, stdout, &bytes, true), count);
        ASSERT_EQ(rec.all(), utf8Of(units.substr(0, size * count))) << "round " << round;
        ASSERT_EQ(bytes, rec.all().size());
        for (size_t i = 0; i < rec.blocks.size(); ++i)
            ASSERT_TRUE(rec.blocks[i].size() <= 510 && (i + 1 == rec.blocks.size() || rec.blocks[i].size() > 506)) << i;
    }
}

// Exact block sizes (505 + 4 bytes: the block goes out with the pair); a pair split over two
// calls is two lone halves; nothing to write stores zero and writes no block.
TEST(RunWriter, BlockSizesAndRunEnds) {
    const std::pair<std::u16string, std::vector<size_t>> cases[] = {{std::u16string(600, u'a'), {507, 93}},
        {std::u16string(200, u'\u20AC'), {507, 93}}, {std::u16string(505, u'a') + u"\xD83D\xDE00z", {509, 1}}};
    for (const auto &[units, sizes] : cases) {
        BlockRecorder rec;
        EXPECT_EQ(writeRun(units), units.size());
        std::vector<size_t> got;
        for (const auto &b : rec.blocks) got.push_back(b.size());
        EXPECT_EQ(got, sizes);
    }
    BlockRecorder rec;
    EXPECT_EQ(fputsU16(u"\xD83D", stdout) + fputsU16(u"\xDE00", stdout), 2);
    EXPECT_EQ(rec.all(), "##");
    size_t bytes = 99;
    EXPECT_EQ(qoru::fwriteUtf8U16(u"abc", 0, 3, stdout, &bytes, true) + qoru::fwriteUtf8U16(u"abc", 3, 0, stdout, nullptr, true), 0u);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(rec.blocks.size(), 2u);
}

// Whatever the stream takes, the elements reported never hold more bytes
// than were written, and nothing is tried after a short write.
TEST(RunWriter, ShortWritesNeverClaimUnwrittenUnits) {
    std::mt19937 rng(7);
    const std::u16string pool = u"a\u00E9\u20AC\xD83D\xDE00\xDC00";
    for (int round = 0; round < 2000; ++round) {
        std::u16string units(1 + rng() % 1500, u'a');
        for (auto &u : units) u = pool[rng() % pool.size()];
        const size_t size = 1 + rng() % 3, count = units.size() / size, failing = rng() % 4, taken = rng() % 510;
        BlockRecorder rec([&](size_t index, size_t offered) { return index == failing ? std::min(taken, offered - 1) : offered; });
        size_t bytes = 0;
        const size_t elements = qoru::fwriteUtf8U16(units.data(), size, count, stdout, &bytes, false);
        ASSERT_EQ(rec.blocks.size(), std::min(rec.blocks.size(), failing + 1));
        ASSERT_TRUE(rec.blocks.size() <= failing ? elements == count : elements < count) << round;
        ASSERT_LE(utf8Of(units.substr(0, elements * size)).size(), bytes) << "round " << round;
    }
}

TEST(StreamOutput, ResultsByWhatTheStreamTakes) {
    BlockRecorder rec([](size_t, size_t) { return size_t{100}; });
    size_t bytes = 0;  // 600 units: 100 bytes of the first block of 507 are 33 units
    EXPECT_EQ(writeRun(std::u16string(600, u'a'), &bytes), 33u);
    EXPECT_EQ(bytes, 100u);
    rec.accept = [](size_t, size_t) { return size_t{0}; };
    EXPECT_EQ(writeRun(u"abc", &bytes, true), static_cast<size_t>(-1));
    EXPECT_EQ(bytes, 100u) << "not stored on failure";
    EXPECT_EQ(writeRun(u"abc", &bytes, false), 0u);
    EXPECT_EQ(bytes, 0u);
    rec.blocks.clear();
    EXPECT_EQ(putsU16(u"ab"), -1);
    EXPECT_EQ(rec.blocks.size(), 1u) << "the line feed is not tried after a failed text";
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fputsU16(u"a", nullptr), -1); }), EBADF);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fputsU16(nullptr, stdout), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(putsU16(nullptr), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fwriteU16(u"a", 1, 1, nullptr), 0u); }), EBADF);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fwriteU16(nullptr, 1, 1, stdout), 0u); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fputcU16('a', nullptr), EOF); }), EBADF);
}

TEST(StreamOutput, RealFileGetsTheBytes) {
    qoru_test::TempPath file;
    FILE *f = fopen(file.narrow().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::u16string big;  // many blocks
    for (int i = 0; i < 3000; ++i) big += i % 5 == 0 ? u"\xD83D\xDE00" : i % 3 == 0 ? u"\u00E9" : u"x";
    EXPECT_EQ(fputsU16(big.c_str(), f), static_cast<int>(utf8Of(big).size()));  // bytes written
    EXPECT_EQ(fputsU16(u"", f), 0);
    EXPECT_EQ(fwriteU16(u"ab\u4E00\xD800" u"c", 2, 2, f), 2u);  // whole elements only
    // fputcU16 encodes its unit alone (a surrogate too); only the low 16 bits count.
    for (int c : {0x41, 0x20AC, 0xD800, 0x1004E}) EXPECT_EQ(fputcU16(c, f), c);
    ASSERT_EQ(fclose(f), 0);
    const std::string want = utf8Of(big) + "ab\xE4\xB8\x80#A\xE2\x82\xAC\xED\xA0\x80N";
    EXPECT_EQ(file.contents(), want);
}

qoru_test::Child putsChild("puts", [](const std::vector<std::string> &) { return putsU16(u"ab\u00E9"); });

TEST(StreamOutput, PutsOnTheStandardOutput) {
    const auto result = qoru_test::runChild("puts");
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_EQ(qoru_test::withoutCarriageReturns(result.standardOutput), "ab\xC3\xA9\n");
}

}  // namespace
