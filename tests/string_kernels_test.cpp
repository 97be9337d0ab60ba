// The string scan kernels of every CPU level this machine has, against plain
// reference loops on random units: random lengths, both strings at every
// offset of a 256-byte group, across a page boundary or ending right before
// an unreadable page. And the choice of level (u16_cpu).
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "child.h"
#include "guard_page.h"
#include "i18n/qoru16/u16_strk.h"
#include "qorucum.h"
#include "random_units.h"

namespace {

using qoru::CpuLevel;
using qoru_test::UnitSource;
using Units = std::vector<char16_t>;

constexpr size_t pageUnits = 2048;

// Two readable pages (in four): strings placed here start at random offsets
// or run across the boundary between the pages.
struct TwoPages {
    Units store = Units(4 * pageUnits, qoru_test::canary);
    char16_t *base = store.data() + pageUnits - (reinterpret_cast<uintptr_t>(store.data()) % 4096) / 2;
};

char16_t *place(UnitSource &rnd, TwoPages &pages, const qoru_test::GuardPage &guard, const Units &units) {
    const size_t n = units.size();
    char16_t *p = rnd.chance(30)   ? guard.tail<char16_t>(n)
                  : rnd.chance(50) ? pages.base + pageUnits - rnd.below(std::min(n, pageUnits) + 1)
                                   : pages.base + rnd.below(128);
    std::copy(units.begin(), units.end(), p);
    return p;
}

class StringKernels : public testing::TestWithParam<CpuLevel> {};

TEST_P(StringKernels, MatchThePlainLoops) {
    const qoru::Kernels *k = qoru::kernelsFor(GetParam());
    if (k == nullptr) GTEST_SKIP() << "this CPU lacks the level";
    UnitSource rnd(static_cast<uint32_t>(GetParam()) + 40);
    qoru_test::GuardPage guardA, guardB;
    TwoPages pagesA, pagesB, out;
    for (int it = 0; it < 6000; ++it) {
        SCOPED_TRACE(it);
        const Units a = rnd.string(rnd.chance(90) ? rnd.length() : rnd.below(2000));
        Units b = a;
        const size_t at = rnd.below(a.size()), len = a.size() - 1;
        if (rnd.chance(80)) b[at] = rnd.unitOrZero();  // a difference (or an end) anywhere
        if (b[at] == 0) b.resize(at + 1);
        const char16_t *pa = place(rnd, pagesA, guardA, a), *pb = place(rnd, pagesB, guardB, b);
        size_t stop = 0;
        while (pa[stop] != 0 && pa[stop] == pb[stop]) ++stop;
        const size_t n = rnd.below(std::min(a.size(), b.size()) + 1);
        const size_t differ = static_cast<size_t>(std::mismatch(pa, pa + n, pb).first - pa);
        const char16_t c = rnd.chance(70) ? a[rnd.below(a.size())] : rnd.unit();
        EXPECT_EQ(k->findZero(pa), pa + len);
        EXPECT_EQ(k->findZeroOrUnit(pa, c), std::find(pa, pa + len, c));
        EXPECT_EQ(k->findStop(pa, pb), stop);
        EXPECT_EQ(k->findDifference(pa, pb, n), differ);

        const size_t to = static_cast<size_t>(out.base - out.store.data()) + rnd.below(128);
        Units want(out.store.size(), qoru_test::canary);
        std::copy(a.begin(), a.end(), want.begin() + to);
        std::fill(out.store.begin(), out.store.end(), qoru_test::canary);
        EXPECT_EQ(k->copyString(out.store.data() + to, pa), len);
        EXPECT_EQ(out.store, want);
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, StringKernels,
                         testing::Values(CpuLevel::sse2, CpuLevel::ssse3, CpuLevel::avx2, CpuLevel::avx512));

TEST(CpuLevel, CapWords) {
    const std::pair<const char *, CpuLevel> cases[] = {
        {"sse2", CpuLevel::sse2},     {"ssse3", CpuLevel::ssse3}, {"avx2", CpuLevel::avx2}, {"avx512", CpuLevel::avx512},
        {nullptr, CpuLevel::avx512},  {"", CpuLevel::avx512},     {"AVX2", CpuLevel::avx512}, {"avx", CpuLevel::avx512}};
    for (const auto &[word, level] : cases) EXPECT_EQ(qoru::cpuLevelCap(word), level) << (word ? word : "null");
}

const qoru_test::Child chosenLevel("chosen-level", [](const std::vector<std::string> &) {
    return static_cast<int>(qoru::kernels().level);
});

TEST(CpuLevel, ChosenOncePerProcessFromTheCpuAndTheSetting) {
    const std::pair<std::optional<std::string>, CpuLevel> cases[] = {{"sse2", CpuLevel::sse2},
                                                                      {std::nullopt, qoru::detectedCpuLevel()}};
    for (const auto &[setting, level] : cases) {
        qoru_test::ChildOptions options;
        options.env = {{"NLSUI_CPU", setting}};
        EXPECT_EQ(qoru_test::runChild("chosen-level", options).exitCode, static_cast<int>(level));
    }
}

}  // namespace
