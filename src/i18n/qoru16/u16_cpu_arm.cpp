// The aarch64 levels: neon, which every aarch64 CPU has.
#include "i18n/qoru16/u16_cpu.h"

namespace qoru {

// Defined by the NEON level's file, which the build adds where it is in the
// tree; weak, so that a tree without it builds and runs the plain level.
[[gnu::weak]] extern const Kernels neonKernels;

bool architectureHasLevel(CpuLevel level) { return level == CpuLevel::plain || level == CpuLevel::neon; }

CpuLevel architectureCpuLevel() { return &neonKernels != nullptr ? CpuLevel::neon : CpuLevel::plain; }

void fillLevelKernels(Kernels &k, CpuLevel level) { k = neonKernels; }

}  // namespace qoru
