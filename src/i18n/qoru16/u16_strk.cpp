// String scan kernels per CPU level.
#include "i18n/qoru16/u16_cpu.h"

namespace qoru {

void selectStringKernels(Kernels &k, CpuLevel level) {}

}  // namespace qoru
