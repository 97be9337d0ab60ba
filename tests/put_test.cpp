// UTF-8 stream output: the run writer's bytes and blocks (watched through its
// replaceable block write), its short-write arithmetic, and the exported
// functions on real streams.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "child.h"
#include "i18n/qoru16/u16_put.h"
#include "qorucum.h"
#include "temp_path.h"

namespace {

using qoru_test::TempPath;

// Stands in for the C runtime's fwrite: records every block and accepts as
// many bytes as accept() allows (all by default).
class BlockRecorder {
public:
    BlockRecorder() {
        active_ = this;
        qoru::gBlockWrite = &BlockRecorder::write;
    }
    ~BlockRecorder() {
        qoru::gBlockWrite = qoru::writeBlock;
        active_ = nullptr;
    }
    std::vector<std::string> blocks;
    std::function<size_t(size_t blockIndex, size_t offered)> accept;

    std::string all() const {
        std::string s;
        for (const auto &b : blocks) s += b;
        return s;
    }

private:
    static size_t write(const void *bytes, size_t count, FILE *) {
        BlockRecorder &self = *active_;
        const size_t taken = self.accept ? self.accept(self.blocks.size(), count) : count;
        self.blocks.emplace_back(static_cast<const char *>(bytes), count);
        return taken;
    }
    static BlockRecorder *active_;
};
BlockRecorder *BlockRecorder::active_ = nullptr;

// The UTF-8 of a run written in one call, straight from the table of rules:
// pairs within the run join, every other surrogate is '#'.
std::string referenceUtf8(const std::u16string &units) {
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDFFF) {
            const bool paired = c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                                units[i + 1] <= 0xDFFF;
            if (!paired) {
                out += '#';
                continue;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

size_t writeRun(const std::u16string &units, size_t *bytes = nullptr, bool failOnEmpty = false) {
    return qoru::fwriteUtf8U16(units.data(), 1, units.size(), stdout, bytes, failOnEmpty);
}

// ---- Bytes of single runs ----

struct EncodingCase {
    const char *what;
    std::u16string units;
    std::string bytes;
};

TEST(RunWriter, EncodesByTheTable) {
    const EncodingCase cases[] = {
        {"ascii", u"abc", "abc"},
        {"two bytes", u"\u00E9", "\xC3\xA9"},
        {"three bytes", u"\u20AC", "\xE2\x82\xAC"},
        {"pair", u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
        {"highest pair", u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},
        {"high then letter", u"\xD800" u"A", "#A"},
        {"lone low", u"\xDC00", "#"},
        {"run ends on high", u"ab\xDBFF", "ab#"},
        {"two highs then low", u"\xD800\xD800\xDC00", "#\xF0\x90\x80\x80"},
        {"low then high", u"\xDC00\xD800", "##"},
        {"zero unit is data", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto &c : cases) {
        BlockRecorder rec;
        size_t bytes = 99;
        EXPECT_EQ(writeRun(c.units, &bytes), c.units.size()) << c.what;
        EXPECT_EQ(rec.all(), c.bytes) << c.what;
        EXPECT_EQ(bytes, c.bytes.size()) << c.what;
    }
}

TEST(RunWriter, NothingToWriteStoresZero) {
    BlockRecorder rec;
    size_t bytes = 99;
    EXPECT_EQ(qoru::fwriteUtf8U16(u"abc", 0, 3, stdout, &bytes, true), 0u);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(qoru::fwriteUtf8U16(u"abc", 3, 0, stdout, nullptr, true), 0u);
    EXPECT_TRUE(rec.blocks.empty());
}

TEST(RunWriter, PairSplitAcrossCallsIsTwoHashes) {
    BlockRecorder rec;
    const charU16 high[] = {0xD83D, 0};
    const charU16 low[] = {0xDE00, 0};
    EXPECT_EQ(fputsU16(high, stdout), 1);
    EXPECT_EQ(fputsU16(low, stdout), 1);
    EXPECT_EQ(rec.all(), "##");
}

// ---- Blocks ----

struct BlockCase {
    const char *what;
    std::u16string units;
    std::vector<size_t> blockSizes;
};

TEST(RunWriter, BlocksOfAtMost510Bytes) {
    std::u16string mixed(505, u'a');
    mixed += u"\xD83D\xDE00";  // 505 + 4 = 509 bytes: the block goes out with the pair
    mixed += u"z";
    const BlockCase cases[] = {
        {"600 ascii", std::u16string(600, u'a'), {507, 93}},
        {"200 euro signs", std::u16string(200, u'\u20AC'), {507, 93}},
        {"506 ascii", std::u16string(506, u'a'), {506}},
        {"507 ascii", std::u16string(507, u'a'), {507}},
        {"pair over the threshold", mixed, {509, 1}},
        {"1014 ascii", std::u16string(1014, u'a'), {507, 507}},
    };
    for (const auto &c : cases) {
        BlockRecorder rec;
        EXPECT_EQ(writeRun(c.units), c.units.size()) << c.what;
        std::vector<size_t> sizes;
        for (const auto &b : rec.blocks) sizes.push_back(b.size());
        EXPECT_EQ(sizes, c.blockSizes) << c.what;
    }
}

// Random runs, rich in surrogates, against the reference encoder: the same
// bytes, every block but the last between 507 and 510 bytes, whole elements.
TEST(RunWriter, RandomRunsMatchReference) {
    std::mt19937 rng(20240613);
    // Some rounds are mostly ASCII, to reach the eight-unit path as well.
    unsigned asciiPercent = 0;
    auto randomUnit = [&rng, &asciiPercent]() -> charU16 {
        if (rng() % 100 < asciiPercent) return static_cast<charU16>(rng() % 0x80);
        switch (rng() % 6) {
            case 0: return static_cast<charU16>(rng() % 0x80);
            case 1: return static_cast<charU16>(0x80 + rng() % 0x780);
            case 2: return static_cast<charU16>(0x800 + rng() % (0xD800 - 0x800));
            case 3: return static_cast<charU16>(0xE000 + rng() % 0x2000);
            case 4: return static_cast<charU16>(0xD800 + rng() % 0x400);
            default: return static_cast<charU16>(0xDC00 + rng() % 0x400);
        }
    };
    for (int round = 0; round < 3000; ++round) {
        asciiPercent = (round % 4) * 33;
        std::u16string units(rng() % 1200, u'\0');
        for (auto &u : units) u = randomUnit();
        const size_t size = 1 + rng() % 4;
        const size_t count = units.size() / size;
        const std::u16string used = units.substr(0, size * count);
        BlockRecorder rec;
        size_t bytes = 0;
        ASSERT_EQ(qoru::fwriteUtf8U16(units.data(), size, count, stdout, &bytes, true), count);
        const std::string expected = referenceUtf8(used);
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

// ---- Short and empty block writes ----

TEST(RunWriter, ShortWriteCountsAThirdOfTheBytes) {
    BlockRecorder rec;
    rec.accept = [](size_t index, size_t offered) { return index == 0 ? size_t{100} : offered; };
    size_t bytes = 0;
    // 600 units: the first block of 507 takes 100 bytes, which is claimed as
    // 33 units; no second block is tried.
    EXPECT_EQ(writeRun(std::u16string(600, u'a'), &bytes), 33u);
    EXPECT_EQ(bytes, 100u);
    EXPECT_EQ(rec.blocks.size(), 1u);
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
        if (count == 0) continue;
        const size_t failingBlock = rng() % 4;
        const size_t taken = rng() % 510;
        BlockRecorder rec;
        rec.accept = [&](size_t index, size_t offered) {
            return index == failingBlock ? std::min(taken, offered - 1) : offered;
        };
        size_t bytes = 0;
        const size_t elements = qoru::fwriteUtf8U16(units.data(), size, count, stdout, &bytes, false);
        ASSERT_LE(elements, count);
        if (rec.blocks.size() <= failingBlock) {
            ASSERT_EQ(elements, count);
            continue;
        }
        ASSERT_EQ(rec.blocks.size(), failingBlock + 1) << "nothing is tried after a short write";
        ASSERT_LT(elements, count);
        ASSERT_LE(referenceUtf8(units.substr(0, elements * size)).size(), bytes) << "round " << round;
    }
}

TEST(RunWriter, EmptyWriteFailsOnlyWhenAsked) {
    BlockRecorder rec;
    rec.accept = [](size_t, size_t) { return size_t{0}; };
    size_t bytes = 99;
    EXPECT_EQ(writeRun(u"abc", &bytes, true), static_cast<size_t>(-1));
    EXPECT_EQ(bytes, 99u) << "not stored on failure";
    EXPECT_EQ(writeRun(u"abc", &bytes, false), 0u);
    EXPECT_EQ(bytes, 0u);
}

// ---- The exported functions, observed at the block write ----

TEST(StreamOutput, ResultsWhenEverythingIsTaken) {
    BlockRecorder rec;
    EXPECT_EQ(fputsU16(u"", stdout), 0);
    EXPECT_EQ(fputsU16(u"\u00E9", stdout), 2);
    EXPECT_EQ(fputsU16(u"a\xD83D\xDE00", stdout), 5);
    EXPECT_EQ(putsU16(u"ab"), 3);
    EXPECT_EQ(fwriteU16(u"abcdefg", 2, 3, stdout), 3u);
    EXPECT_EQ(fwriteU16(u"abc", 0, 3, stdout), 0u);
    EXPECT_EQ(fwriteU16(u"abc", 3, 0, stdout), 0u);
    EXPECT_EQ(rec.all(), "\xC3\xA9" "a\xF0\x9F\x98\x80" "ab\nabcdef");
}

TEST(StreamOutput, ResultsWhenNothingIsTaken) {
    BlockRecorder rec;
    rec.accept = [](size_t, size_t) { return size_t{0}; };
    EXPECT_EQ(fputsU16(u"abc", stdout), -1);
    EXPECT_EQ(fwriteU16(u"abc", 1, 3, stdout), 0u);
    rec.blocks.clear();
    EXPECT_EQ(putsU16(u"ab"), -1);
    EXPECT_EQ(rec.blocks.size(), 1u) << "the line feed is not tried after a failed text";
}

TEST(StreamOutput, PutsFailsWhenTheLineFeedIsRefused) {
    BlockRecorder rec;
    rec.accept = [](size_t index, size_t offered) { return index == 0 ? offered : size_t{0}; };
    EXPECT_EQ(putsU16(u"ab"), -1);
}

TEST(StreamOutput, BadArguments) {
    errno = 0;
    EXPECT_EQ(fputsU16(u"a", nullptr), -1);
    EXPECT_EQ(errno, EBADF);
    errno = 0;
    EXPECT_EQ(fputsU16(nullptr, stdout), -1);
    EXPECT_EQ(errno, EINVAL);
    errno = 0;
    EXPECT_EQ(putsU16(nullptr), -1);
    EXPECT_EQ(errno, EINVAL);
    errno = 0;
    EXPECT_EQ(fwriteU16(u"a", 1, 1, nullptr), 0u);
    EXPECT_EQ(errno, EBADF);
    errno = 0;
    EXPECT_EQ(fwriteU16(nullptr, 1, 1, stdout), 0u);
    EXPECT_EQ(errno, EINVAL);
    errno = 0;
    EXPECT_EQ(fputcU16('a', nullptr), EOF);
    EXPECT_EQ(errno, EBADF);
}

// ---- Real streams ----

TEST(StreamOutput, FileGetsTheBytes) {
    TempPath file;
    FILE *f = fopen(file.path().string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::u16string big;
    for (int i = 0; i < 3000; ++i) big += (i % 5 == 0) ? u"\xD83D\xDE00" : (i % 3 == 0 ? u"\u00E9" : u"x");
    EXPECT_EQ(fputsU16(big.c_str(), f), static_cast<int>(referenceUtf8(big).size()));
    EXPECT_EQ(fwriteU16(u"\u4E00\xD800", 1, 2, f), 2u);
    ASSERT_EQ(fclose(f), 0);
    EXPECT_EQ(file.contents(), referenceUtf8(big) + "\xE4\xB8\x80#");
}

struct FputcCase {
    int c;
    std::string bytes;
};

TEST(StreamOutput, FputcEncodesTheUnitAlone) {
    const FputcCase cases[] = {
        {'A', "A"},
        {0xE9, "\xC3\xA9"},
        {0x7FF, "\xDF\xBF"},
        {0x20AC, "\xE2\x82\xAC"},
        {0xD800, "\xED\xA0\x80"},
        {0xDFFF, "\xED\xBF\xBF"},
        {0x1004E, "N"},  // only the low 16 bits count
    };
    for (const auto &c : cases) {
        TempPath file;
        FILE *f = fopen(file.path().string().c_str(), "wb");
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(fputcU16(c.c, f), c.c);
        ASSERT_EQ(fclose(f), 0);
        EXPECT_EQ(file.contents(), c.bytes) << std::hex << c.c;
    }
}

TEST(StreamOutput, StreamOpenedForReadingTakesNothing) {
    TempPath file;
    ASSERT_TRUE(file.write("content"));
    FILE *f = fopen(file.path().string().c_str(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fputsU16(u"abc", f), -1);
    EXPECT_EQ(fwriteU16(u"abc", 1, 3, f), 0u);
    EXPECT_EQ(fputcU16(0xE9, f), EOF);
    fclose(f);
    EXPECT_EQ(file.contents(), "content");
}

// putsU16 writes to the process's standard output, so it runs in children:
// one with a working output, one whose output was reopened for reading.
qoru_test::Child putsChild("puts", [](const std::vector<std::string> &args) {
    if (!args.empty()) {
        if (freopenU16(std::filesystem::path(args[0]).u16string().c_str(), u"r", stdout) == nullptr) return 2;
    }
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
    const auto refused = qoru_test::runChild("puts", options);
    EXPECT_EQ(refused.exitCode, 100);
    EXPECT_EQ(file.contents(), "x");
}

}  // namespace
