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
using qoru_test::encodeUtf8;
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

std::string cesuOf(const char16_t *s, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) out += encodeUtf8(s[i]);
    return out;
}

class Utf8Kernels : public testing::TestWithParam<CpuLevel> {
protected:
    void SetUp() override {
        k_ = qoru::kernelsFor(GetParam());
        if (k_ == nullptr) GTEST_SKIP() << "this CPU lacks " << levelNames[static_cast<int>(GetParam())];
    }
    const qoru::Kernels *k_ = nullptr;
};

// Encoding stops only before the terminator or where room runs short, with
// every byte as the plain rule gives it and none at or past the limit;
// counting gives the plain sum.
TEST_P(Utf8Kernels, EncodeAndCountMatchThePlainRule) {
    UnitSource rnd(71);
    qoru_test::GuardPage guard;
    qoru_test::Arena arena;
    for (int it = 0; it < 4000; ++it) {
        std::vector<char16_t> text = randomText(rnd, rnd.chance(50) ? rnd.below(80) : rnd.below(900));
        text.push_back(0);
        const char16_t *s = qoru_test::placeSomewhere(rnd, arena, guard, text);
        const std::string want = cesuOf(s, text.size() - 1);
        ASSERT_EQ(k_->countUtf8(s), want.size()) << it;

        const size_t limit = rnd.chance(50) ? want.size() + rnd.below(200) : rnd.below(want.size() + 1);
        const size_t start = rnd.below(limit / 4 + 1), shift = rnd.below(16);
        std::vector<uint8_t> out(shift + limit + 64, 0xA5);
        const char16_t *at = s;
        const size_t n = k_->encodeUtf8(out.data() + shift, start, limit, at);
        const size_t units = static_cast<size_t>(at - s);
        ASSERT_TRUE(n <= limit && (*at == 0 || limit - n < 128)) << it;
        ASSERT_EQ(std::string(out.begin() + shift + start, out.begin() + shift + n), cesuOf(s, units)) << it;
        for (size_t i = shift + limit; i < out.size(); ++i) ASSERT_EQ(out[i], 0xA5) << it;
    }
}

// The writer's plain rule: a pair in the run is one character, any other
// surrogate '#'; units go in until the block passes the threshold.
std::string writerBlock(const char16_t *units, size_t remaining, size_t used, size_t &consumed) {
    std::string out;
    size_t i = 0;
    while (i < remaining && used + out.size() <= qoru::utf8BlockThreshold) {
        const char16_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < remaining && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            out += encodeUtf8(0x10000 + ((u - 0xD800u) << 10) + (units[i + 1] - 0xDC00u));
            i += 2;
        } else {
            out += qoru::isSurrogateUnit(u) ? std::string("#") : encodeUtf8(u);
            ++i;
        }
    }
    consumed = i;
    return out;
}

TEST_P(Utf8Kernels, WriterBlocksMatchThePlainRule) {
    UnitSource rnd(72);
    for (int it = 0; it < 4000; ++it) {
        const std::vector<char16_t> text = randomText(rnd, 1 + rnd.below(rnd.chance(50) ? 60 : 700));
        const size_t used0 = rnd.chance(50) ? 0 : rnd.below(qoru::utf8BlockThreshold + 1);
        std::vector<uint8_t> buf(qoru::utf8BlockThreshold + qoru::utf8BlockSlack + 32, 0xA5);
        size_t used = used0, wantUnits = 0;
        const size_t units = k_->fillUtf8Block(text.data(), text.size(), buf.data(), used);
        const std::string want = writerBlock(text.data(), text.size(), used0, wantUnits);
        ASSERT_EQ(units, wantUnits) << it;
        ASSERT_EQ(std::string(buf.begin() + used0, buf.begin() + used), want) << it;
        for (size_t i = buf.size() - 32; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xA5) << it;
    }
}

// U2sToUtf8s end to end at the level the child runs at: results and bytes as
// the plain rule gives them, the cut before a sequence that does not fit and
// the terminator included.
const qoru_test::Child wholeString("utf8-whole-string", [](const std::vector<std::string> &) {
    UnitSource rnd(73);
    for (int it = 0; it < 3000; ++it) {
        std::vector<char16_t> text = randomText(rnd, rnd.below(400));
        text.push_back(0);
        const std::string all = cesuOf(text.data(), text.size() - 1);
        const size_t limit = rnd.chance(30) ? rnd.below(all.size() + 2) : all.size() - rnd.below(std::min<size_t>(all.size(), 8)) + rnd.below(3);
        std::string want;
        bool terminated = false;
        for (size_t i = 0; limit > 0 && !terminated && want.size() < limit; ++i) {
            const std::string bytes = encodeUtf8(text[i]);
            terminated = text[i] == 0 || want.size() + bytes.size() > limit;
            if (!terminated) want += bytes;
        }
        std::string out(limit + 16, '\x5A');
        const size_t n = U2sToUtf8s(out.data(), text.data(), limit);
        const std::string stored = want + (terminated ? std::string(1, '\0') : std::string());
        if (n != want.size() || out != stored + std::string(out.size() - stored.size(), '\x5A') ||
            U2sToUtf8s(nullptr, text.data(), 0) != all.size())
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
