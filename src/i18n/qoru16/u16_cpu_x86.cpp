// The x86-64 levels: sse2 (the baseline), ssse3, avx2 and avx512.
#include "i18n/qoru16/u16_cpu_x86.h"

namespace qoru {

bool architectureHasLevel(CpuLevel level) { return level <= CpuLevel::avx512; }

CpuLevel architectureCpuLevel() {
    __builtin_cpu_init();
    if (cpuHasAvx512Target()) return CpuLevel::avx512;
    if (cpuHasAvx2Target()) return CpuLevel::avx2;
    if (cpuHasSsse3Target()) return CpuLevel::ssse3;
    return CpuLevel::sse2;
}

void fillLevelKernels(Kernels &k, CpuLevel level) {
    selectStringKernels(k, level);
    selectUtf16Kernels(k, level);
    selectUtf8Kernels(k, level);
}

}  // namespace qoru
