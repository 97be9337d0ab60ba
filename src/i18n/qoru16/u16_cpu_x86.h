// The x86-64 levels' targets and feature checks, for the x86 kernel files
// and the x86 detection alone.
#ifndef QORU_U16_CPU_X86_H
#define QORU_U16_CPU_X86_H

#include "i18n/qoru16/u16_cpu.h"

// A level file's kernels are compiled for its target in one region:
// QORU_TARGET_BEGIN(QORU_TARGET_AVX2) ... QORU_TARGET_END. GCC takes the
// target pragma; clang (the fuzzing build) applies the target attribute to
// every function declared in the region (a level may have no kernel of one
// family, so a region without functions is not an error).
#define QORU_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define QORU_TARGET_BEGIN(features)                                  \
    QORU_PRAGMA(clang diagnostic ignored "-Wpragma-clang-attribute") \
    QORU_PRAGMA(clang attribute push(__attribute__((target(features))), apply_to = function))
#define QORU_TARGET_END QORU_PRAGMA(clang attribute pop)
#else
#define QORU_TARGET_BEGIN(features) QORU_PRAGMA(GCC push_options) QORU_PRAGMA(GCC target(features))
#define QORU_TARGET_END QORU_PRAGMA(GCC pop_options)
#endif

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

// Within the avx512 level, VBMI2 chooses only the UTF-8 decoder's packing
// step (its 16-bit compress, written as an instruction of its own in
// u16_kern_to16.h, since a template takes the target of the region it is
// defined in): avx512Vbmi2Kernels.
inline bool cpuHasAvx512Vbmi2Target() { return cpuHasAvx512Target() && __builtin_cpu_supports("avx512vbmi2"); }

}  // namespace qoru

#endif
