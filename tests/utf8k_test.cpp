// The UTF-16 to UTF-8 kernels of every CPU level against plain references on random text of every class mix,
// at random alignments, cuts and limits, ending right before an unreadable page; U2sToUtf8s and U16sToUtf8s at
// each level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "child.h"
#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_put.h"
#include "i18n/qoru16/u16_utf8k.h"
#include "qorucum.h"
#include "random_units.h"
#include "utf8_text.h"

namespace {

using qoru::CpuLevel;
using qoru::utf8BlockSlack;
using qoru::utf8BlockThreshold;
using qoru_test::UnitSource;
using qoru_test::unitsUtf8;
using qoru_test::utf8KernelFault;

class Utf8Kernels : public testing::TestWithParam<CpuLevel> {
protected:
    void SetUp() override {
        k_ = qoru::kernelsFor(GetParam());
        if (k_ == nullptr)
            GTEST_SKIP() << "this CPU (or architecture) lacks " << qoru::cpuLevelNames[static_cast<int>(GetParam())];
    }
    const qoru::Kernels *k_ = nullptr;
};

// Every level's kernels against the plain level's (utf8KernelFault) on strings placed anywhere, with room
// for all of them or cut short, and writer blocks empty or partly filled already.
TEST_P(Utf8Kernels, EncodeCountAndWriterBlocksMatchThePlainRules) {
    UnitSource rnd(71);
    qoru_test::GuardPage guard;
    qoru_test::Arena arena;
    for (int it = 0; it < 4000; ++it) {
        std::vector<char16_t> text = rnd.classMix(rnd.chance(50) ? rnd.below(80) : rnd.below(900));
        text.push_back(0);
        const char16_t *s = qoru_test::placeSomewhere(rnd, arena, guard, text);
        const size_t bytes = unitsUtf8(s, text.size() - 1).size();
        const size_t limit = rnd.chance(50) ? bytes + rnd.below(200) : rnd.below(bytes + 1);
        const size_t start = rnd.below(limit / 4 + 1), shift = rnd.below(16);
        const size_t used0 = rnd.chance(50) ? 0 : rnd.below(utf8BlockThreshold + 1);
        const std::string fault =
            utf8KernelFault<utf8BlockThreshold, utf8BlockSlack>(*k_, qoru::plainKernels, s, start, limit, shift, used0);
        EXPECT_EQ(fault, "") << it;
    }
}

// ASCII runs longer than the arena holds, which some levels store by aligned vectors joined across steps: at
// every byte alignment of the destination, ended by other text, the terminator or the limit.
TEST_P(Utf8Kernels, LongAsciiRunsMatchThePlainRules) {
    UnitSource rnd(83);
    for (int it = 0; it < 300; ++it) {
        std::vector<char16_t> text = rnd.classMix(rnd.below(40));
        for (size_t i = 4100 + rnd.below(1500); i > 0; --i) text.push_back(static_cast<char16_t>(1 + rnd.below(0x7F)));
        if (rnd.chance(50)) {
            const std::vector<char16_t> tail = rnd.classMix(1 + rnd.below(100));
            text.insert(text.end(), tail.begin(), tail.end());
        }
        text.push_back(0);
        std::vector<char16_t> placed(text.size() + 32);
        char16_t *const s = placed.data() + rnd.below(32);
        std::copy(text.begin(), text.end(), s);
        const size_t bytes = unitsUtf8(s, text.size() - 1).size();
        const size_t limit = rnd.chance(70) ? bytes + rnd.below(200) : bytes - rnd.below(1000);
        const std::string fault = utf8KernelFault<utf8BlockThreshold, utf8BlockSlack>(
            *k_, qoru::plainKernels, s, rnd.below(64), limit, rnd.below(32), 0);
        EXPECT_EQ(fault, "") << it;
    }
}

// U2sToUtf8s end to end at the level the child runs at: results and bytes as the plain rule gives them, the
// cut before a sequence that does not fit and the terminator included; counting whatever the limit.
const qoru_test::Child wholeString("utf8-whole-string", [](const std::vector<std::string> &) {
    UnitSource rnd(73);
    for (int it = 0; it < 3000; ++it) {
        std::vector<char16_t> text = rnd.classMix(rnd.below(400));
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

// U16sToUtf8s at the same level: text with pairs only gives the stream writer's bytes, which Utf8sToU2s reads
// back; then a lone surrogate put anywhere, and any limit, as the plain rule says.
const qoru_test::Child realUtf8("utf8-real-whole-string", [](const std::vector<std::string> &) {
    static std::string written;
    qoru::gBlockWrite = [](const void *bytes, size_t n, FILE *) {
        return written.append(static_cast<const char *>(bytes), n), n;
    };
    UnitSource rnd(79);
    for (int it = 0; it < 3000; ++it) {
        std::vector<char16_t> text = rnd.classMix(rnd.chance(10) ? rnd.below(12000) : rnd.below(400));
        for (size_t i = 0; i < text.size(); ++i) {
            if (i + 1 < text.size() && (text[i] & 0xFC00) == 0xD800 && (text[i + 1] & 0xFC00) == 0xDC00)
                ++i;
            else if ((text[i] & 0xF800) == 0xD800)
                text[i] = u'x';
        }
        written.clear();
        qoru::fwriteUtf8U16(text.data(), 1, text.size(), stdout, nullptr, false);
        text.push_back(0);
        std::vector<char16_t> back(text.size(), 0x5A5A);
        if (U16sToUtf8s(nullptr, text.data(), 0) != written.size() ||
            Utf8sToU2s(back.data(), written.c_str(), back.size()) != text.size() - 1 || back != text)
            return 1;
        if (rnd.chance(50)) {  // a lone half, not inside a pair
            size_t at = rnd.below(text.size());
            if ((text[at] & 0xFC00) == 0xDC00) ++at;
            text.insert(text.begin() + static_cast<ptrdiff_t>(at), static_cast<char16_t>(0xD800 + rnd.below(0x800)));
        }
        const size_t all = written.size();
        const size_t limit =
            rnd.chance(30) ? rnd.below(all + 2) : all - rnd.below(std::min<size_t>(all, 8)) + rnd.below(3);
        std::vector<unsigned char> out(limit + 16, 0xFF), want(limit + 16, 0xFF);  // 0xFF: never in UTF-8
        errno = 0;
        const size_t n = U16sToUtf8s(reinterpret_cast<char *>(out.data()), text.data(), limit);
        if (n != qoru_test::refToRealUtf8(want.data(), text.data(), limit) || errno != (n == SIZE_MAX ? EILSEQ : 0) ||
            out != want)  // no byte after the result changes
            return 2;
        if (U16sToUtf8s(nullptr, text.data(), limit) != qoru_test::refToRealUtf8(nullptr, text.data(), 0)) return 2;
    }
    return 0;
});

TEST_P(Utf8Kernels, WholeStringAtThisLevel) {
    const qoru_test::ChildOptions options{.env = {{"NLSUI_CPU", qoru::cpuLevelNames[static_cast<int>(GetParam())]}}};
    EXPECT_EQ(qoru_test::runChild("utf8-whole-string", options).exitCode, 0);
    EXPECT_EQ(qoru_test::runChild("utf8-real-whole-string", options).exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Levels, Utf8Kernels,
                         testing::Values(CpuLevel::plain, CpuLevel::sse2, CpuLevel::ssse3, CpuLevel::avx2,
                                         CpuLevel::avx512, CpuLevel::neon),
                         [](const testing::TestParamInfo<CpuLevel> &level) {
                             return std::string(qoru::cpuLevelNames[static_cast<int>(level.param)]);
                         });

}  // namespace
