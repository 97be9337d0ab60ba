// UTF-8 to UTF-16 conversion kernels per CPU level.
#include "i18n/qoru16/u16_cpu.h"

namespace qoru {

void selectUtf16Kernels(Kernels &k, CpuLevel level) {}

}  // namespace qoru
