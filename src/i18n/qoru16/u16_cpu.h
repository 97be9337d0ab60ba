// The library's one CPU dispatch point. Each architecture has its own levels
// above plain: on x86-64 the build targets the baseline (SSE2) and faster
// kernels are compiled with per-function target attributes (u16_cpu_x86.h);
// on aarch64 NEON is always there. The kernels are chosen here once, at
// first use, from the CPU's features, capped by the environment variable
// "NLSUI_CPU" (plain everywhere; sse2, ssse3, avx2, avx512 on x86-64; neon
// on aarch64) so that tests and benchmarks can run every kernel on one machine.
// Under Valgrind the choice is plain, whose kernels read only the units they
// need: memcheck cannot tell the vector kernels' safe reads past a string's
// end from a caller's bug.
#ifndef QORU_U16_CPU_H
#define QORU_U16_CPU_H

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace qoru {

// Ordered: each level includes the features of the ones below it.
// plain is scalar code that reads nothing past a terminator or an end: the
// reference the others are tested against, and the level under Valgrind.
// ssse3 also means SSE4.1; avx2 also BMI and BMI2; avx512 means AVX-512F,
// BW and VL (from Skylake-X on); with VBMI2 as well (Ice Lake on), its UTF-8
// decoder packs units with VBMI2's compress. neon is aarch64's one level; an
// architecture has only its own levels.
enum class CpuLevel : uint8_t { plain = 0, sse2 = 1, ssse3 = 2, avx2 = 3, avx512 = 4, neon = 5 };
inline constexpr int32_t cpuLevelCount = 6;
// The levels' names, as "NLSUI_CPU" takes them.
inline constexpr const char *cpuLevelNames[cpuLevelCount] = {"plain", "sse2", "ssse3", "avx2", "avx512", "neon"};

// One kernel per operation, for one level. Every kernel gives the same
// results as the plain level's and keeps the page rule of u16_pagerule.h.
struct Kernels {
    CpuLevel level;

    // String scans: each string function's whole work, which it reaches in
    // one jump, at any address; findZeroOrUnit and findZeroWithin take even
    // addresses only. See u16_strk.h.
    size_t (*stringLength)(const char16_t *s);                                 // strlen
    const char16_t *(*findZeroOrUnit)(const char16_t *s, char16_t c);          // the terminator or c, the first
    char16_t *(*findUnit)(const char16_t *s, char16_t c);                      // strchr
    char16_t *(*findLast)(const char16_t *s, char16_t c);                      // strrchr
    int32_t (*compare)(const char16_t *a, const char16_t *b);                  // strcmp
    char16_t *(*copy)(char16_t *dst, const char16_t *src);                     // strcpy
    size_t (*findZeroWithin)(const char16_t *s, size_t n);                     // first i < n: s[i] == 0; n
    int32_t (*compareWithin)(const char16_t *a, const char16_t *b, size_t n);  // memcmp
    char16_t *(*findUnitWithin)(const char16_t *s, char16_t c, size_t n);      // memchr
    char16_t *(*fill)(char16_t *s, char16_t c, size_t n);                      // memset

    // UTF-8 to UTF-16.
    // Converts the valid UTF-8 at p into dst from dst[count] on while there is
    // room for sixteen more units (count + 16 <= limit), advancing p and
    // count; stops before the terminator, invalid input or anything it does
    // not handle, always at a character boundary, for the careful path to
    // go on from. A null dst only counts (limit is then ignored).
    void (*utf8ToUtf16)(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit);
    // The same for bytes that end at end rather than at a terminator (a
    // stream's buffer): reads nothing at or past end, always stores, and
    // never leaves a pair's low surrogate out for want of room (it runs while
    // count + 17 <= limit). Every level has one.
    void (*utf8ToUtf16Bounded)(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit);

    // UTF-16 to UTF-8.
    // U2sToUtf8s's bulk: encodes units of src, every unit by itself, into out
    // from byte n on, storing nothing at or past out + limit. Stops before the
    // terminator or when little room is left, for the careful path to finish;
    // returns the new byte count and leaves src at the first unit not encoded.
    size_t (*encodeUtf8)(uint8_t *out, size_t n, size_t limit, const char16_t *&src);
    // U16sToUtf8s's bulk: the same, with a pair as one four-byte sequence;
    // it also stops before a surrogate that is not half of a pair.
    size_t (*encodeRealUtf8)(uint8_t *out, size_t n, size_t limit, const char16_t *&src);
    // The bytes of src's units by themselves, up to the terminator.
    size_t (*countUtf8)(const char16_t *src);
    // One block of the stream writer: encodes units (remaining > 0 of them)
    // into buf from used on, until they run out or used passes the block
    // threshold (u16_utf8k.h); returns the units consumed.
    size_t (*fillUtf8Block)(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used);
};

// Each level's table, constant, defined in its level file (u16_level_*.cpp).
// An architecture's file names only its own. avx512Vbmi2Kernels is the
// avx512 level on a CPU with VBMI2: it differs only in the kernels that pack
// with VBMI2's compress.
extern const Kernels plainKernels;
extern const Kernels sse2Kernels;
extern const Kernels ssse3Kernels;
extern const Kernels avx2Kernels;
extern const Kernels avx512Kernels;
extern const Kernels avx512Vbmi2Kernels;
extern const Kernels neonKernels;

// The highest level the CPU (and the operating system's saved state) has;
// plain under Valgrind.
CpuLevel detectedCpuLevel();

// What the architecture's own file (u16_cpu_x86.cpp, u16_cpu_arm.cpp) gives
// the dispatch: whether a level is one of this architecture's, the highest
// one the CPU has, and the table of a level above plain that the CPU has.
bool architectureHasLevel(CpuLevel level);
CpuLevel architectureCpuLevel();
const Kernels &architectureKernels(CpuLevel level);

// The level a "NLSUI_CPU" value caps the choice at; null or an unknown
// word caps nothing.
CpuLevel cpuLevelCap(const char *setting);

namespace detail {
const Kernels &chooseKernels();
extern const Kernels *gChosenKernels;

// One operation's chosen kernel. Until the operation is first used, its
// pointer is a stand-in that resolves it and goes on through it, so a call
// never tests whether the choice was made: every table field is non-null.
template <auto field>
struct ChosenKernel;

template <auto field>
[[gnu::noinline, gnu::cold]] auto resolveKernel() {
    const auto chosen = chooseKernels().*field;
    __atomic_store_n(&ChosenKernel<field>::pointer, chosen, __ATOMIC_RELAXED);
    return chosen;
}

template <class Result, class... Args, Result (*Kernels::*field)(Args...)>
struct ChosenKernel<field> {
    static Result resolveAndCall(Args... args) { return resolveKernel<field>()(static_cast<Args>(args)...); }
    static inline Result (*pointer)(Args...) = resolveAndCall;
};
}  // namespace detail

// The table chosen for this process, for code that takes a whole table. The
// first call chooses; later calls cost one load.
inline const Kernels &kernels() {
    const Kernels *k = __atomic_load_n(&detail::gChosenKernels, __ATOMIC_ACQUIRE);
    return k != nullptr ? *k : detail::chooseKernels();
}

// The chosen kernel of one operation, e.g. chosen<&Kernels::stringLength>()(s):
// a direct pointer of its own, one load, resolved at the operation's first
// call. The kernels depend on no data the choice sets up, so the load needs
// no ordering.
template <auto field>
inline auto chosen() {
    return __atomic_load_n(&detail::ChosenKernel<field>::pointer, __ATOMIC_RELAXED);
}

// The table of one level, for tests and benchmarks that run every kernel the
// CPU has; null when the CPU lacks the level or it is another architecture's.
const Kernels *kernelsFor(CpuLevel level);

}  // namespace qoru

#endif
