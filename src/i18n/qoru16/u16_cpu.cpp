// CPU feature detection and the choice of kernels, once per process.
#include "i18n/qoru16/u16_cpu.h"

#include <cstring>

#include "platform/platform.h"

namespace qoru {
namespace {

CpuLevel gDetected = CpuLevel::plain;
plat::OnceFlag gChoiceOnce;

// A level's table; the level is the architecture's and the CPU has it.
const Kernels &tableOf(CpuLevel level) { return level == CpuLevel::plain ? plainKernels : architectureKernels(level); }

void choose() {
    gDetected = detectedCpuLevel();
    const CpuLevel cap = cpuLevelCap(plat::getEnv("NLSUI_CPU"));
    const CpuLevel chosen = cap < gDetected ? cap : gDetected;
    __atomic_store_n(&detail::gChosenKernels, &tableOf(chosen), __ATOMIC_RELEASE);
}

}  // namespace

namespace detail {
const Kernels *gChosenKernels = nullptr;

const Kernels &chooseKernels() {
    plat::runOnce(gChoiceOnce, choose);
    return *__atomic_load_n(&gChosenKernels, __ATOMIC_ACQUIRE);
}
}  // namespace detail

CpuLevel detectedCpuLevel() {
    // Memcheck cannot tell the page rule's reads past a string's end from a
    // caller's bug: under Valgrind, only kernels that read nothing past it.
    if (plat::runningUnderValgrind()) return CpuLevel::plain;
    return architectureCpuLevel();
}

CpuLevel cpuLevelCap(const char *setting) {
    // The highest level of all caps nothing: the levels of one architecture
    // are ordered, and another architecture's names are not taken.
    constexpr auto none = static_cast<CpuLevel>(cpuLevelCount - 1);
    if (setting == nullptr) return none;
    for (int32_t i = 0; i < cpuLevelCount; ++i) {
        const auto level = static_cast<CpuLevel>(i);
        if (strcmp(setting, cpuLevelNames[i]) == 0 && architectureHasLevel(level)) return level;
    }
    return none;
}

const Kernels *kernelsFor(CpuLevel level) {
    plat::runOnce(gChoiceOnce, choose);
    return level <= gDetected && architectureHasLevel(level) ? &tableOf(level) : nullptr;
}

}  // namespace qoru
