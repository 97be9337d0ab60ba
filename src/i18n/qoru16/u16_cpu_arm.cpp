// The aarch64 levels: neon, which every aarch64 CPU has.
#include "i18n/qoru16/u16_cpu.h"

namespace qoru {

bool architectureHasLevel(CpuLevel level) { return level == CpuLevel::plain || level == CpuLevel::neon; }

CpuLevel architectureCpuLevel() { return CpuLevel::neon; }

const Kernels &architectureKernels(CpuLevel) { return neonKernels; }

}  // namespace qoru
