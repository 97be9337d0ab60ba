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

const Kernels &architectureKernels(CpuLevel level) {
    switch (level) {
    case CpuLevel::avx512:
        return cpuHasAvx512Vbmi2Target() ? avx512Vbmi2Kernels : avx512Kernels;
    case CpuLevel::avx2:
        return avx2Kernels;
    case CpuLevel::ssse3:
        return ssse3Kernels;
    case CpuLevel::sse2:
    case CpuLevel::plain:  // not asked: the dispatch has plain's table
    case CpuLevel::neon:   // not asked: another architecture's
        break;
    }
    return sse2Kernels;
}

}  // namespace qoru
