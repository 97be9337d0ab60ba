// CPU feature detection and the choice of kernels, once per process.
#include "i18n/qoru16/u16_cpu.h"

#include <cstring>

#include "platform/platform.h"

namespace qoru {
namespace {

Kernels gTables[cpuLevelCount];
CpuLevel gDetected = CpuLevel::plain;
plat::OnceFlag gTablesOnce;

void buildTables() {
    gDetected = detectedCpuLevel();
    for (int32_t i = 0; i < cpuLevelCount; ++i) {
        const auto level = static_cast<CpuLevel>(i);
        Kernels &k = gTables[i];
        // A level the CPU lacks gets the detected level's kernels, so that no
        // table ever holds a kernel the CPU cannot run.
        const CpuLevel usable = level <= gDetected ? level : gDetected;
        if (usable == CpuLevel::plain) {
            k = plainKernels;
        } else {
            selectStringKernels(k, usable);
            selectUtf16Kernels(k, usable);
            selectUtf8Kernels(k, usable);
        }
        k.level = level;
    }
    const CpuLevel cap = cpuLevelCap(plat::getEnv("NLSUI_CPU"));
    const CpuLevel chosen = cap < gDetected ? cap : gDetected;
    __atomic_store_n(&detail::gChosenKernels, &gTables[static_cast<int32_t>(chosen)], __ATOMIC_RELEASE);
}

}  // namespace

namespace detail {
const Kernels *gChosenKernels = nullptr;

const Kernels &chooseKernels() {
    plat::runOnce(gTablesOnce, buildTables);
    return *__atomic_load_n(&gChosenKernels, __ATOMIC_ACQUIRE);
}
}  // namespace detail

CpuLevel detectedCpuLevel() {
    // libgcc's checks include the operating system's support for the wider
    // registers (XGETBV), not only the CPUID bits.
    if (plat::runningUnderValgrind()) return CpuLevel::plain;
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi2") &&
        __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2"))
        return CpuLevel::avx512;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2")) return CpuLevel::avx2;
    if (__builtin_cpu_supports("ssse3") && __builtin_cpu_supports("sse4.1")) return CpuLevel::ssse3;
    return CpuLevel::sse2;
}

CpuLevel cpuLevelCap(const char *setting) {
    if (setting == nullptr) return CpuLevel::avx512;
    for (int32_t i = 0; i < cpuLevelCount; ++i)
        if (strcmp(setting, cpuLevelNames[i]) == 0) return static_cast<CpuLevel>(i);
    return CpuLevel::avx512;
}

const Kernels *kernelsFor(CpuLevel level) {
    kernels();
    return level <= gDetected ? &gTables[static_cast<int32_t>(level)] : nullptr;
}

}  // namespace qoru
