// The avx2 level (AVX2, BMI, BMI2): 32-byte vectors.
//
// Its kernels are compiled in one target region, which includes the kernel
// templates (u16_simd_x86.h, u16_kern_*.h) after every other header; the
// constant table after it is what the dispatch (u16_cpu.cpp) hands out.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "i18n/qoru16/u16_cpu_x86.h"
#include "i18n/qoru16/u16_pagerule.h"
#include "i18n/qoru16/u16_strk.h"
#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_utf8k.h"

QORU_TARGET_BEGIN(QORU_TARGET_AVX2)
#include "i18n/qoru16/u16_simd_x86.h"

#include "i18n/qoru16/u16_kern_str.h"
#include "i18n/qoru16/u16_kern_to16.h"
#include "i18n/qoru16/u16_kern_to8.h"

#include "i18n/qoru16/u16_kern_table.h"

QORU_TARGET_END

namespace qoru {

constinit const Kernels avx2Kernels =
    levelKernels<StrKern<Avx2>, to16::Avx2Ops<>, to16::Ssse3Ops<>, to8::Avx2>(CpuLevel::avx2);

}  // namespace qoru
