// Strings against ICU and the C library, on the same texts: ASCII and
// mixed-script, 16 to 65536 units.
#include <benchmark/benchmark.h>
#include <unicode/ustring.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "qorucum.h"

using qoru_bench::keep;
using qoru_bench::makeText;
using qoru_bench::require;

namespace {

struct Text {
    std::u16string units;   // the UTF-16 text
    std::u16string copy;    // an equal text in another buffer (for comparisons)
    std::string utf8;       // its UTF-8 form (ICU's, with four-byte sequences)
    std::string utf8Copy;
    std::u16string out;     // destination buffers
    std::string outUtf8;
};

Text &text(size_t n, bool mixed) {
    static std::vector<std::pair<std::pair<size_t, bool>, Text *>> cache;
    for (auto &[key, t] : cache)
        if (key.first == n && key.second == mixed) return *t;
    auto *t = new Text;
    t->units = makeText(n, mixed);
    t->copy = t->units;
    int32_t len = 0;
    UErrorCode err = U_ZERO_ERROR;
    u_strToUTF8(nullptr, 0, &len, reinterpret_cast<const UChar *>(t->units.c_str()), -1, &err);
    t->utf8.assign(static_cast<size_t>(len), '\0');
    err = U_ZERO_ERROR;
    u_strToUTF8(t->utf8.data(), len + 1, &len, reinterpret_cast<const UChar *>(t->units.c_str()), -1, &err);
    t->utf8Copy = t->utf8;
    t->out.assign(n + 8, u'\0');
    t->outUtf8.assign(3 * n + 8, '\0');
    cache.push_back({{n, mixed}, t});
    return *t;
}

const UChar *icu(const std::u16string &s) { return reinterpret_cast<const UChar *>(s.c_str()); }
UChar *icu(std::u16string &s) { return reinterpret_cast<UChar *>(s.data()); }

Text &textFor(const benchmark::State &state) {
    return text(static_cast<size_t>(state.range(0)), state.range(1) != 0);
}

// Times fn; the barrier keeps each result, and fn keeps its own inputs.
template <class Fn>
void timed(benchmark::State &state, Fn fn) {
    for (auto _ : state) {
        auto result = fn();
        keep(result);
    }
}

// Pointers the timed lambdas hand through the barrier, so that the compiler
// cannot hoist the work out of the loop.
template <class T>
T *opaque(T *p) {
    keep(p);
    return p;
}

// ---- length ----
void oursStrlen(benchmark::State &state) {
    Text &t = textFor(state);
    require(strlenU16(t.units.c_str()) == t.units.size(), "strlenU16");
    timed(state, [&] { return strlenU16(opaque(t.units.c_str())); });
}
void icuStrlen(benchmark::State &state) {
    Text &t = textFor(state);
    timed(state, [&] { return u_strlen(opaque(icu(t.units))); });
}
void libcStrlen(benchmark::State &state) {
    Text &t = textFor(state);
    timed(state, [&] { return strlen(opaque(t.utf8.c_str())); });
}

// ---- copy ----
void oursStrcpy(benchmark::State &state) {
    Text &t = textFor(state);
    strcpyU16(t.out.data(), t.units.c_str());
    require(memcmp(t.out.data(), t.units.c_str(), (t.units.size() + 1) * 2) == 0, "strcpyU16");
    timed(state, [&] { return strcpyU16(opaque(t.out.data()), opaque(t.units.c_str())); });
}
void icuStrcpy(benchmark::State &state) {
    Text &t = textFor(state);
    timed(state, [&] { return u_strcpy(opaque(icu(t.out)), opaque(icu(t.units))); });
}
void libcStrcpy(benchmark::State &state) {
    Text &t = textFor(state);
    timed(state, [&] { return strcpy(opaque(t.outUtf8.data()), opaque(t.utf8.c_str())); });
}
void memcpyCopy(benchmark::State &state) {
    Text &t = textFor(state);
    const size_t bytes = (t.units.size() + 1) * 2;
    timed(state, [&] { return memcpy(opaque(t.out.data()), opaque(t.units.c_str()), bytes); });
}

// ---- comparison of equal texts in different buffers (the whole text is read) ----
void oursStrcmp(benchmark::State &state) {
    Text &t = textFor(state);
    require(strcmpU16(t.units.c_str(), t.copy.c_str()) == 0, "strcmpU16");
    timed(state, [&] { return strcmpU16(opaque(t.units.c_str()), opaque(t.copy.c_str())); });
}
void icuStrcmp(benchmark::State &state) {
    Text &t = textFor(state);
    timed(state, [&] { return u_strcmp(opaque(icu(t.units)), opaque(icu(t.copy))); });
}
void libcStrcmp(benchmark::State &state) {
    Text &t = textFor(state);
    timed(state, [&] { return strcmp(opaque(t.utf8.c_str()), opaque(t.utf8Copy.c_str())); });
}
void oursMemcmp(benchmark::State &state) {
    Text &t = textFor(state);
    const size_t n = t.units.size();
    require(memcmpU16(t.units.c_str(), t.copy.c_str(), n) == 0, "memcmpU16");
    timed(state, [&] { return memcmpU16(opaque(t.units.c_str()), opaque(t.copy.c_str()), n); });
}
void icuMemcmp(benchmark::State &state) {
    Text &t = textFor(state);
    const int32_t n = static_cast<int32_t>(t.units.size());
    timed(state, [&] { return u_memcmp(opaque(icu(t.units)), opaque(icu(t.copy)), n); });
}
void libcMemcmp(benchmark::State &state) {
    Text &t = textFor(state);
    const size_t n = t.units.size() * 2;
    timed(state, [&] { return memcmp(opaque(t.units.c_str()), opaque(t.copy.c_str()), n); });
}

void sizes(benchmark::internal::Benchmark *b) {
    for (int mixed : {0, 1})
        for (int n : {16, 256, 4096, 65536}) b->Args({n, mixed});
    b->ArgNames({"units", "mixed"});
}

}  // namespace

BENCHMARK(oursStrlen)->Name("ours/strlen")->Apply(sizes);
BENCHMARK(icuStrlen)->Name("icu/strlen")->Apply(sizes);
BENCHMARK(libcStrlen)->Name("libc/strlen")->Apply(sizes);
BENCHMARK(oursStrcpy)->Name("ours/strcpy")->Apply(sizes);
BENCHMARK(icuStrcpy)->Name("icu/strcpy")->Apply(sizes);
BENCHMARK(libcStrcpy)->Name("libc/strcpy")->Apply(sizes);
BENCHMARK(memcpyCopy)->Name("memcpy/strcpy")->Apply(sizes);
BENCHMARK(oursStrcmp)->Name("ours/strcmp")->Apply(sizes);
BENCHMARK(icuStrcmp)->Name("icu/strcmp")->Apply(sizes);
BENCHMARK(libcStrcmp)->Name("libc/strcmp")->Apply(sizes);
BENCHMARK(oursMemcmp)->Name("ours/memcmp")->Apply(sizes);
BENCHMARK(icuMemcmp)->Name("icu/memcmp")->Apply(sizes);
BENCHMARK(libcMemcmp)->Name("libc/memcmp")->Apply(sizes);

BENCHMARK_MAIN();

