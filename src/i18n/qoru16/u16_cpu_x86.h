// The x86-64 levels' targets and feature checks, for the x86 kernel files
// and the x86 detection alone.
#ifndef QORU_U16_CPU_X86_H
#define QORU_U16_CPU_X86_H

#include "i18n/qoru16/u16_cpu.h"

namespace qoru {

// Each level's target, which its kernels are compiled for (one attribute
// string, since target attributes take only literals), beside the check of
// exactly those features: a level is chosen only where all of them are there.
// libgcc's checks include the operating system's support for the wider
// registers (XGETBV), not only the CPUID bits.
#define QORU_TARGET_SSSE3 "ssse3,sse4.1"
inline bool cpuHasSsse3Target() { return __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("sse4.1"); }

#define QORU_TARGET_AVX2 "avx2,bmi,bmi2"
inline bool cpuHasAvx2Target() {
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
}

#define QORU_TARGET_AVX512 "avx512f,avx512bw,avx512vl,popcnt,avx2,bmi,bmi2"
inline bool cpuHasAvx512Target() {
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("popcnt") && cpuHasAvx2Target();
}

// Within the avx512 level: the UTF-8 decoder's kernels, which pack units
// with VBMI2's 16-bit compress.
#define QORU_TARGET_AVX512_VBMI2 QORU_TARGET_AVX512 ",avx512vbmi2"
inline bool cpuHasAvx512Vbmi2Target() { return cpuHasAvx512Target() && __builtin_cpu_supports("avx512vbmi2"); }

// Each area fills its own fields of a table for a level above plain.
void selectStringKernels(Kernels &k, CpuLevel level);
void selectUtf16Kernels(Kernels &k, CpuLevel level);
void selectUtf8Kernels(Kernels &k, CpuLevel level);

}  // namespace qoru

#endif
