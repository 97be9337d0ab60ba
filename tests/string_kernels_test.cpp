// The string scan kernels of every CPU level this machine has, against the plain level (scanKernelFault)
// on random units placed anywhere (placeSomewhere), and the choice of level (u16_cpu).
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "child.h"
#include "guard_page.h"
#include "i18n/qoru16/u16_cpu.h"
#include "random_units.h"

namespace {

using qoru::CpuLevel;
using Units = std::vector<char16_t>;

class StringKernels : public testing::TestWithParam<CpuLevel> {};

TEST_P(StringKernels, MatchThePlainLevel) {
    const qoru::Kernels *k = qoru::kernelsFor(GetParam());
    if (k == nullptr)
        GTEST_SKIP() << "this CPU (or architecture) lacks " << qoru::cpuLevelNames[static_cast<int>(GetParam())];
    qoru_test::UnitSource rnd(static_cast<uint32_t>(GetParam()) + 40);
    qoru_test::GuardPage guardA, guardB;
    qoru_test::Arena arenaA, arenaB;
    for (int it = 0; it < 6000; ++it) {
        SCOPED_TRACE(it);
        const Units a = rnd.string(rnd.chance(90) ? rnd.length() : rnd.below(2000));
        Units b = a;
        const size_t at = rnd.below(a.size());
        if (rnd.chance(80)) b[at] = rnd.unitOrZero();  // a difference (or an end) anywhere
        if (b[at] == 0) b.resize(at + 1);
        const char16_t *pa = placeSomewhere(rnd, arenaA, guardA, a), *pb = placeSomewhere(rnd, arenaB, guardB, b);
        const size_t n = rnd.below(std::min(a.size(), b.size()) + 1);
        const char16_t c = rnd.chance(70) ? a[rnd.below(a.size())] : rnd.unit();
        EXPECT_EQ(qoru_test::scanKernelFault(*k, pa, pb, c, n, rnd.below(2048)), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, StringKernels,
                         testing::Values(CpuLevel::plain, CpuLevel::sse2, CpuLevel::ssse3, CpuLevel::avx2,
                                         CpuLevel::avx512, CpuLevel::neon));

const qoru_test::Child chosenLevel("chosen-level", [](const std::vector<std::string> &) {
    return static_cast<int>(qoru::kernels().level);
});

TEST(CpuLevel, ChosenOncePerProcessFromTheCpuAndTheSetting) {
    // Unset, no level's name, or another architecture's: the best level.
    const CpuLevel best = qoru::detectedCpuLevel();
    const bool x86 = qoru::kernelsFor(CpuLevel::sse2) != nullptr;
    const std::pair<std::optional<std::string>, CpuLevel> cases[] = {{"plain", CpuLevel::plain},
        {"avx2", x86 ? std::min(CpuLevel::avx2, best) : best}, {"neon", x86 ? best : std::min(CpuLevel::neon, best)},
        {"avx512", best}, {std::nullopt, best}, {"", best}, {"AVX2", best}};
    for (const auto &[setting, level] : cases)
        EXPECT_EQ(qoru_test::runChild("chosen-level", {.env = {{"NLSUI_CPU", setting}}}).exitCode, int(level));
}

}  // namespace
