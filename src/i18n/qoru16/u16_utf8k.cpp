// UTF-16 to UTF-8 conversion kernels per CPU level.
#include "i18n/qoru16/u16_cpu.h"

namespace qoru {

void selectUtf8Kernels(Kernels &k, CpuLevel level) {}

}  // namespace qoru
