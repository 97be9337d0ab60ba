// The sse2 level, the x86-64 baseline every CPU of the architecture runs.
//
// The baseline needs no target region: the kernel templates (u16_simd_x86.h,
// u16_kern_*.h) are included after every other header.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "i18n/qoru16/u16_cpu_x86.h"
#include "i18n/qoru16/u16_pagerule.h"
#include "i18n/qoru16/u16_strk.h"
#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_utf8k.h"

#include "i18n/qoru16/u16_simd_x86.h"

#include "i18n/qoru16/u16_kern_str.h"
#include "i18n/qoru16/u16_kern_to16.h"
#include "i18n/qoru16/u16_kern_to8.h"

#include "i18n/qoru16/u16_kern_table.h"

namespace qoru {

constinit const Kernels sse2Kernels =
    levelKernels<StrKern<Sse2>, to16::Sse2Ops<>, to16::Sse2Ops<>, to8::Sse2>(CpuLevel::sse2);

}  // namespace qoru
