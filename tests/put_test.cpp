// UTF-8 stream output: the run writer's blocks and results (through its replaceable block write) against a
// plain reference on random runs and refusals, and the exported functions, perrorU16 too, on real streams.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "child.h"
#include "errno_after.h"
#include "i18n/qoru16/u16_put.h"
#include "qorucum.h"
#include "random_units.h"
#include "utf8_text.h"

namespace {

using qoru_test::errnoAfter;
using qoru_test::utf8Of;

// Stands in for the C runtime's fwrite: records every block and takes as many bytes as accept(block, bytes) allows.
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
    static inline std::vector<std::string> blocks;
    static inline std::function<size_t(size_t, size_t)> accept;
};

// A run's blocks by the writer's plain rule, each with the units it encodes: a block goes out once it holds
// more than 506 bytes, so it carries 507 to 510 bytes and a pair never straddles two blocks.
std::vector<std::pair<std::string, size_t>> referenceBlocks(const std::u16string &run) {
    std::vector<std::pair<std::string, size_t>> blocks;
    for (size_t i = 0, n; i < run.size(); i += n)
        blocks.emplace_back(qoru_test::writerBlock(&run[i], run.size() - i, 0, 506, n), n);
    return blocks;
}

// Random runs of every class mix, zeros too, with one block (or none) taken short or not at all: the blocks
// tried, the elements reported and the bytes stored, against the reference.
TEST(RunWriter, RandomRunsAndRefusalsMatchReference) {
    qoru_test::UnitSource rnd(20240613);
    for (int round = 0; round < 4000; ++round) {
        const std::vector<char16_t> mix = rnd.classMix(rnd.below(1500), true);
        const std::u16string units(mix.begin(), mix.end());
        const size_t size = 1 + rnd.below(4), count = units.size() / size, total = size * count;
        const size_t failing = rnd.below(5), taken = rnd.chance(67) ? rnd.below(510) : 0;
        const bool failOnEmpty = rnd.chance(50);
        const auto blocks = referenceBlocks(units.substr(0, total));
        BlockRecorder rec([&](size_t index, size_t n) { return index == failing ? std::min(taken, n - 1) : n; });
        size_t bytes = 99;
        const size_t elements = qoru::fwriteUtf8U16(units.data(), size, count, stdout, &bytes, failOnEmpty);
        ASSERT_EQ(rec.blocks.size(), std::min(blocks.size(), failing + 1)) << "round " << round;
        size_t done = 0, sent = 0, wantElements = count;
        for (size_t i = 0; i < rec.blocks.size(); ++i) {
            ASSERT_EQ(rec.blocks[i], blocks[i].first) << "round " << round << ", block " << i;
            const size_t took = i == failing ? std::min(taken, blocks[i].first.size() - 1) : blocks[i].first.size();
            size_t whole = 0;  // a short write counts the units whose bytes all went out
            for (size_t k = 0, out = 0, take; i == failing && k < blocks[i].second; k += take)
                whole = (out += qoru_test::charUtf8(&units[done], k, blocks[i].second, take).size()) <= took ? k + take : whole;
            if (i == failing) wantElements = took == 0 && failOnEmpty ? SIZE_MAX : (done + whole) / size;
            done += blocks[i].second;
            sent += took;
        }
        ASSERT_EQ(elements, wantElements) << "round " << round;
        ASSERT_EQ(bytes, elements == SIZE_MAX ? 99 : sent) << "round " << round << ": not stored on failure";
    }
}

// A pair split over two calls is two lone halves; a refused text is not followed by the line feed; argument checks.
TEST(StreamOutput, CallsOnTheRecorderAndArguments) {
    BlockRecorder rec;
    EXPECT_EQ(fputsU16(u"\xD83D", stdout) + fputsU16(u"\xDE00", stdout), 2);
    EXPECT_EQ(rec.blocks, (std::vector<std::string>{"#", "#"}));
    rec.accept = [](size_t, size_t) { return size_t{0}; };
    rec.blocks.clear();
    EXPECT_EQ(putsU16(u"ab"), -1);
    EXPECT_EQ(rec.blocks.size(), 1u) << "the line feed is not tried after a failed text";
    EXPECT_EQ(fwriteU16(u"ab", 1, 2, stdout), 0u) << "a count, never -1";
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fputsU16(u"a", nullptr), -1); }), EBADF);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fputsU16(nullptr, stdout), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(putsU16(nullptr), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fwriteU16(u"a", 1, 1, nullptr), 0u); }), EBADF);
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fwriteU16(nullptr, 1, 1, stdout), 0u); }), EINVAL);
    for (size_t size : {SIZE_MAX / 2, SIZE_MAX / 4 + 1})  // units, or their bytes, beyond what memory holds
        EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fwriteU16(u"a", size, 3, stdout), 0u); }), EINVAL) << size;
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(fputcU16('a', nullptr), EOF); }), EBADF);
}

const std::u16string big = [] {  // many blocks
    std::u16string t;
    for (int i = 0; i < 3000; ++i) t += i % 5 == 0 ? u"\xD83D\xDE00" : i % 3 == 0 ? u"\u00E9" : u"x";
    return t;
}();

// The writers on the process's own streams; the exit code is putsU16's result, or 100 for a wrong result.
qoru_test::Child writersChild("writers", [](const std::vector<std::string> &) {
    bool bad = fputsU16(big.c_str(), stdout) != static_cast<int>(utf8Of(big).size()) || fputsU16(u"", stdout) != 0;
    bad |= fwriteU16(u"ab\u4E00\xD800" u"c", 2, 2, stdout) != 2;  // whole elements only
    // fputcU16 encodes its unit alone (a surrogate too); only the low 16 bits count.
    for (int c : {0x41, 0x20AC, 0xD800, 0x1004E}) bad |= fputcU16(c, stdout) != c;
    bad |= printfU16(u"\u00e9%s", u"\u20ac") != 2;
    for (const charU16 *text : {u"caf\u00E9 \xD83D\xDE00 \xDC00", u"", static_cast<const charU16 *>(nullptr)})
        errno = ENOENT, perrorU16(text);
    return bad ? 100 : putsU16(u"ab\u00E9");
});

TEST(StreamOutput, StandardStreamsGetTheBytes) {
    const auto result = qoru_test::runChild("writers");
    EXPECT_EQ(result.exitCode, 5);
    const std::string tail = "ab\xE4\xB8\x80#A\xE2\x82\xAC\xED\xA0\x80N" "\xC3\xA9\xE2\x82\xAC" "ab\xC3\xA9\n";
    const std::string e = strerror(ENOENT);
    EXPECT_EQ(qoru_test::withoutCarriageReturns(result.standardOutput), utf8Of(big) + tail);
    // perrorU16: text, ": ", the error text and a line feed; for no text, the error text alone.
    const std::string errors = "caf\xC3\xA9 \xF0\x9F\x98\x80 #: " + e + "\n: " + e + "\n" + e + "\n";
    EXPECT_EQ(qoru_test::withoutCarriageReturns(result.standardError), errors);
}

}  // namespace
