// The library's one CPU dispatch point. The build targets the x86-64
// baseline (SSE2); faster kernels are compiled with per-function target
// attributes and chosen here once, at first use, from the CPU's features,
// capped by the environment variable "NLSUI_CPU" (plain, sse2, ssse3, avx2,
// avx512) so that tests and benchmarks can run every kernel on one machine.
// Under Valgrind the choice is plain, whose kernels read only the units they
// need: memcheck cannot tell the vector kernels' safe reads past a string's
// end from a caller's bug.
#ifndef QORU_U16_CPU_H
#define QORU_U16_CPU_H

#include <cstddef>
#include <cstdint>

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

// Ordered: each level includes the features of the ones below it.
// plain is scalar code that reads nothing past a terminator or an end: the
// reference the others are tested against, and the level under Valgrind.
// ssse3 also means SSE4.1; avx2 also BMI and BMI2; avx512 means AVX-512F,
// BW and VL (from Skylake-X on). Its UTF-8 decoder needs VBMI2 as well (Ice
// Lake on); without it, that one operation takes the avx2 kernel.
enum class CpuLevel : uint8_t { plain = 0, sse2 = 1, ssse3 = 2, avx2 = 3, avx512 = 4 };
inline constexpr int32_t cpuLevelCount = 5;
// The levels' names, as "NLSUI_CPU" takes them.
inline constexpr const char *cpuLevelNames[cpuLevelCount] = {"plain", "sse2", "ssse3", "avx2", "avx512"};

// One kernel per operation, for one level. Every kernel gives the same
// results as the plain level's and keeps the page rule of u16_pagerule.h.
struct Kernels {
    CpuLevel level;

    // String scans: filled by selectStringKernels.
    // Strings at even addresses; see u16_strk.h.
    const char16_t *(*findZero)(const char16_t *s);                            // the terminator
    const char16_t *(*findZeroOrUnit)(const char16_t *s, char16_t c);          // the terminator or c, the first
    size_t (*findStop)(const char16_t *a, const char16_t *b);                  // first i: a[i] == 0 or a[i] != b[i]
    size_t (*findDifference)(const char16_t *a, const char16_t *b, size_t n);  // first i < n: a[i] != b[i]; n
    size_t (*copyString)(char16_t *dst, const char16_t *src);                  // with the terminator; the length
    size_t (*findZeroWithin)(const char16_t *s, size_t n);                     // first i < n: s[i] == 0; n

    // UTF-8 to UTF-16: filled by selectUtf16Kernels.
    // Converts the valid UTF-8 at p into dst from dst[count] on while there is
    // room for sixteen more units (count + 16 <= limit), advancing p and
    // count; stops before the terminator, invalid input or anything it does
    // not handle, always at a character boundary, for the careful path to
    // go on from. A null dst only counts (limit is then ignored).
    void (*utf8ToUtf16)(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit);
    // The same for bytes that end at end rather than at a terminator (a
    // stream's buffer): reads nothing at or past end, always stores, and
    // never leaves a pair's low surrogate out for want of room (it runs while
    // count + 17 <= limit). Null where the caller's own loop is faster.
    void (*utf8ToUtf16Bounded)(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit);

    // UTF-16 to UTF-8: filled by selectUtf8Kernels.
    // U2sToUtf8s's bulk: encodes units of src, every unit by itself, into out
    // from byte n on, storing nothing at or past out + limit. Stops before the
    // terminator or when little room is left, for the careful path to finish;
    // returns the new byte count and leaves src at the first unit not encoded.
    size_t (*encodeUtf8)(uint8_t *out, size_t n, size_t limit, const char16_t *&src);
    // The bytes of src's units by themselves, up to the terminator.
    size_t (*countUtf8)(const char16_t *src);
    // One block of the stream writer: encodes units (remaining > 0 of them)
    // into buf from used on, until they run out or used passes the block
    // threshold (u16_utf8k.h); returns the units consumed.
    size_t (*fillUtf8Block)(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used);
};

// The plain level's whole table.
extern const Kernels plainKernels;
// The neon level's (aarch64 only).
extern const Kernels neonKernels;

// Each area fills its own fields of a table for a level above plain.
void selectStringKernels(Kernels &k, CpuLevel level);
void selectUtf16Kernels(Kernels &k, CpuLevel level);
void selectUtf8Kernels(Kernels &k, CpuLevel level);

// The highest level the CPU (and the operating system's saved state) has;
// plain under Valgrind.
CpuLevel detectedCpuLevel();

// The level a "NLSUI_CPU" value caps the choice at; null or an unknown
// word caps nothing.
CpuLevel cpuLevelCap(const char *setting);

namespace detail {
const Kernels &chooseKernels();
extern const Kernels *gChosenKernels;
}  // namespace detail

// The table chosen for this process. The first call chooses; later calls
// cost one load.
inline const Kernels &kernels() {
    const Kernels *k = __atomic_load_n(&detail::gChosenKernels, __ATOMIC_ACQUIRE);
    return k != nullptr ? *k : detail::chooseKernels();
}

// The table of one level, for tests and benchmarks that run every kernel the
// CPU has; null when the CPU lacks the level.
const Kernels *kernelsFor(CpuLevel level);

}  // namespace qoru

#endif
