// Shared pieces of the benchmark programs.
#ifndef QORU_BENCH_SUPPORT_H
#define QORU_BENCH_SUPPORT_H

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <string>

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

inline void appendChar(std::u16string &s, char32_t c) {
    if (c > 0xFFFF) {
        s += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        s += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        s += static_cast<char16_t>(c);
    }
}

// The scripts of the texts below: first letter and letter count.
struct Script {
    const char *name;
    char32_t first, count;
};
inline constexpr Script scripts[] = {{"latin", 0x61, 26},     {"accented", 0xE0, 31},   {"cyrillic", 0x430, 32},
                                     {"greek", 0x3B1, 25},    {"arabic", 0x627, 26},    {"hebrew", 0x5D0, 27},
                                     {"devanagari", 0x915, 37}, {"cjk", 0x4E00, 2000}, {"hangul", 0xAC00, 2000},
                                     {"emoji", 0x1F600, 64}};
inline constexpr int mixedScripts = -1;
inline constexpr int asciiText = -2;

// ASCII (asciiText): printable characters. Otherwise sentences of 4 to 15
// words of 2 to 9 letters (emoji: 1), separated by blanks and punctuation, as
// a document is: all in one script (an index into scripts), or
// (mixedScripts) each sentence in a script taken at random, as a
// multilingual document is.
inline std::u16string makeScriptText(size_t n, int script) {
    std::mt19937 rng(static_cast<uint32_t>(n * 2 + (script == mixedScripts)) + (script >= 0 ? 7u * script : 0u));
    std::u16string s;
    while (s.size() < n) {
        if (script == asciiText) {
            s += static_cast<char16_t>(0x20 + rng() % 95);
            continue;
        }
        const Script &sc = script >= 0 ? scripts[script] : scripts[rng() % std::size(scripts)];
        const size_t words = 4 + rng() % 12;
        for (size_t w = 0; w < words; ++w) {
            const size_t letters = sc.first >= 0x1F600 ? 1 : 2 + rng() % 8;
            for (size_t i = 0; i < letters; ++i) appendChar(s, sc.first + rng() % sc.count);
            s += (rng() % 8 == 0) ? u',' : u' ';
        }
        s += u". ";
    }
    s.resize(n);
    // A cut may leave a lone high surrogate at the end: end on a letter.
    if (!s.empty() && s.back() >= 0xD800 && s.back() < 0xDC00) s.back() = u'x';
    return s;
}

inline std::u16string makeText(size_t n, bool mixed) { return makeScriptText(n, mixed ? mixedScripts : asciiText); }

}  // namespace qoru_bench

#endif
