// The UTF-16 to UTF-8 kernels of every CPU level against plain references on
// random text of every class mix, at random alignments, cuts and limits, and
// ending right before an unreadable page; U2sToUtf8s at each level in a child.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child.h"
#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_utf8k.h"
#include "qorucum.h"
#include "random_units.h"
#include "utf8_text.h"

namespace {

using qoru::CpuLevel;
using qoru_test::unitsUtf8;
using qoru_test::UnitSource;

constexpr const char *levelNames[] = {"sse2", "ssse3", "avx2", "avx512"};

// Units of one class mix per string, so that every kernel path (ASCII runs,
// two-byte runs, three-byte runs, mixes, surrogates) is reached; never 0.
std::vector<char16_t> randomText(UnitSource &rnd, size_t length) {
    static constexpr char16_t base[] = {1, 0x80, 0x800, 0xD800, 0xE000}, span[] = {0x7F, 0x780, 0xD000, 0x800, 0x2000};
    const size_t mix = rnd.below(7);
    std::vector<char16_t> v(length);
    for (auto &u : v) {
        const size_t k = mix < 5 && rnd.chance(95) ? mix : rnd.below(5);
        u = rnd.chance(3) ? rnd.unit() : static_cast<char16_t>(base[k] + rnd.below(span[k]));
    }
    return v;
}

class Utf8Kernels : public testing::TestWithParam<CpuLevel> {
protected:
    void SetUp() override {
        k_ = qoru::kernelsFor(GetParam());
        if (k_ == nullptr) GTEST_SKIP() << "this CPU lacks " << levelNames[static_cast<int>(GetParam())];
    }
    const qoru::Kernels *k_ = nullptr;
};

// The writer's plain rule, utf8Of's taken a character at a time: units go in
// until the block passes the threshold.
std::string writerBlock(const char16_t *units, size_t remaining, size_t used, size_t &consumed) {
    std::string out;
    for (consumed = 0; consumed < remaining && used + out.size() <= qoru::utf8BlockThreshold;) {
        const size_t take = consumed + 1 < remaining && (units[consumed] & 0xFC00) == 0xD800 &&
                                    (units[consumed + 1] & 0xFC00) == 0xDC00 ? 2 : 1;
        out += qoru_test::utf8Of(std::u16string(units + consumed, take));
        consumed += take;
    }
    return out;
}

// Encoding stops only before the terminator or where room runs short, with every byte as the plain rule
// gives it and none at or past the limit; counting gives the plain sum. A writer block from the same units
// takes them as writerBlock does.
TEST_P(Utf8Kernels, EncodeCountAndWriterBlocksMatchThePlainRules) {
    UnitSource rnd(71);
    qoru_test::GuardPage guard;
    qoru_test::Arena arena;
    for (int it = 0; it < 4000; ++it) {
        std::vector<char16_t> text = randomText(rnd, rnd.chance(50) ? rnd.below(80) : rnd.below(900));
        text.push_back(0);
        const char16_t *s = qoru_test::placeSomewhere(rnd, arena, guard, text);
        const std::string want = unitsUtf8(s, text.size() - 1);
        ASSERT_EQ(k_->countUtf8(s), want.size()) << it;

        const size_t limit = rnd.chance(50) ? want.size() + rnd.below(200) : rnd.below(want.size() + 1);
        const size_t start = rnd.below(limit / 4 + 1), shift = rnd.below(16);
        std::vector<uint8_t> out(shift + limit + 64, 0xA5);
        const char16_t *at = s;
        const size_t n = k_->encodeUtf8(out.data() + shift, start, limit, at);
        const size_t units = static_cast<size_t>(at - s);
        ASSERT_TRUE(n <= limit && (*at == 0 || limit - n < 128)) << it;
        ASSERT_EQ(std::string(out.begin() + shift + start, out.begin() + shift + n), unitsUtf8(s, units)) << it;
        for (size_t i = shift + limit; i < out.size(); ++i) ASSERT_EQ(out[i], 0xA5) << it;

        if (text.size() == 1) continue;
        const size_t used0 = rnd.chance(50) ? 0 : rnd.below(qoru::utf8BlockThreshold + 1);
        std::vector<uint8_t> buf(qoru::utf8BlockThreshold + qoru::utf8BlockSlack + 32, 0xA5);
        size_t used = used0, wantUnits = 0;
        const std::string block = writerBlock(s, text.size() - 1, used0, wantUnits);
        ASSERT_EQ(k_->fillUtf8Block(s, text.size() - 1, buf.data(), used), wantUnits) << it;
        ASSERT_EQ(std::string(buf.begin() + used0, buf.begin() + used), block) << it;
        for (size_t i = buf.size() - 32; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xA5) << it;
    }
}

// U2sToUtf8s end to end at the level the child runs at: results and bytes as
// the plain rule gives them, the cut before a sequence that does not fit and
// the terminator included; counting whatever the limit.
const qoru_test::Child wholeString("utf8-whole-string", [](const std::vector<std::string> &) {
    UnitSource rnd(73);
    for (int it = 0; it < 3000; ++it) {
        std::vector<char16_t> text = randomText(rnd, rnd.below(400));
        text.push_back(0);
        const size_t all = unitsUtf8(text.data(), text.size() - 1).size();
        const size_t limit = rnd.chance(30) ? rnd.below(all + 2)  // anywhere, or near the end
                                            : all - rnd.below(std::min<size_t>(all, 8)) + rnd.below(3);
        std::vector<unsigned char> out(limit + 16, 0x5A), want(limit + 16, 0x5A);
        const size_t n = U2sToUtf8s(reinterpret_cast<char *>(out.data()), text.data(), limit);
        if (n != qoru_test::refToUtf8(want.data(), text.data(), limit) || out != want ||
            U2sToUtf8s(nullptr, text.data(), rnd.below(3)) != all)
            return 1;
    }
    return 0;
});

TEST_P(Utf8Kernels, WholeStringAtThisLevel) {
    qoru_test::ChildOptions options;
    options.env.push_back({"NLSUI_CPU", levelNames[static_cast<int>(GetParam())]});
    EXPECT_EQ(qoru_test::runChild("utf8-whole-string", options).exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Levels, Utf8Kernels,
                         testing::Values(CpuLevel::sse2, CpuLevel::ssse3, CpuLevel::avx2, CpuLevel::avx512),
                         [](const testing::TestParamInfo<CpuLevel> &level) {
                             return std::string(levelNames[static_cast<int>(level.param)]);
                         });

}  // namespace
