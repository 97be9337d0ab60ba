// Shared pieces of the benchmark programs.
#ifndef QORU_BENCH_SUPPORT_H
#define QORU_BENCH_SUPPORT_H

#include <cstdio>
#include <cstdlib>

namespace qoru_bench {

// Keeps a value alive across the timed loop. Google Benchmark's DoNotOptimize
// was seen miscompiled with this toolchain, so the barrier is our own.
template <class T>
inline void keep(T &value) {
    asm volatile("" : "+m"(value));
}
template <class T>
inline void keep(T *&value) {
    asm volatile("" : "+r"(value));
}

// Stops the program when a timed function disagrees with its peer: timing a
// wrong answer measures nothing.
inline void require(bool ok, const char *what) {
    if (!ok) {
        fprintf(stderr, "benchmark check failed: %s\n", what);
        exit(2);
    }
}

}  // namespace qoru_bench

#endif
