// The avx512 level (AVX-512 F, BW and VL): 64-byte vectors and masked
// stores. A CPU that also has VBMI2 takes avx512Vbmi2Kernels, whose UTF-8
// decoder packs units with VBMI2's compress. UTF-16 to UTF-8 takes the AVX2
// record: in mixed and CJK text a 64-byte step re-read as 32-byte halves cost
// a quarter more than 32-byte steps.
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

QORU_TARGET_BEGIN(QORU_TARGET_AVX512)
#include "i18n/qoru16/u16_simd_x86.h"

#include "i18n/qoru16/u16_kern_str.h"
#include "i18n/qoru16/u16_kern_to16.h"
#include "i18n/qoru16/u16_kern_to8.h"

#include "i18n/qoru16/u16_kern_table.h"

QORU_TARGET_END

namespace qoru {

constinit const Kernels avx512Kernels =
    levelKernels<StrKern<Avx512>, to16::Avx512Ops<false>, to16::Ssse3Ops<>, to8::Avx2>(CpuLevel::avx512);
constinit const Kernels avx512Vbmi2Kernels =
    levelKernels<StrKern<Avx512>, to16::Avx512Ops<true>, to16::Ssse3Ops<>, to8::Avx2>(CpuLevel::avx512);

}  // namespace qoru
