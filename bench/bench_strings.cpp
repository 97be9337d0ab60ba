// Strings against ICU and the C library: ASCII and mixed-script texts, 8 to
// 65536 units. The C library's peers work on as many bytes as ours: a narrow
// string of 2n nonzero bytes for n units, in buffers at the same offsets
// within a page as ours, so that both meet the same alignments, the same page
// ends and the same store-to-load aliasing between source and destination.
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
    std::u16string units;  // the UTF-16 text
    std::u16string copy;   // an equal text in another buffer (for comparisons)
    std::u16string out;    // destination buffer
    std::string narrowStore, narrowCopyStore, outNarrowStore;
    char *narrow, *narrowCopy, *outNarrow;  // in the stores, aligned as units, copy and out;
                                            // the text's 2n bytes, zeros and absentByte made blanks
};

// What strchr looks for (the whole text is read): a unit the texts lack, a
// byte the narrow strings are made to lack.
constexpr char16_t absentUnit = 0x7F;
constexpr char absentByte = 0x7F;

// bytes (and a terminator) in store, at the same offset within a page as like.
char *placeAs(std::string &store, const std::string &bytes, const void *like) {
    constexpr uintptr_t page = 4096;
    store.assign(bytes.size() + 2 * page, '\0');
    const auto at = [](const void *p) { return reinterpret_cast<uintptr_t>(p) % page; };
    char *p = store.data() + (page + at(like) - at(store.data())) % page;
    memcpy(p, bytes.data(), bytes.size());
    return p;
}

Text *makeTextCase(size_t n, bool mixed) {
    auto *t = new Text;
    t->units = makeText(n, mixed);
    t->copy = t->units;
    t->out.assign(n + 8, u'\0');
    std::string bytes(reinterpret_cast<const char *>(t->units.data()), 2 * n);
    for (char &c : bytes) c = c == 0 || c == absentByte ? ' ' : c;
    t->narrow = placeAs(t->narrowStore, bytes, t->units.data());
    t->narrowCopy = placeAs(t->narrowCopyStore, bytes, t->copy.data());
    t->outNarrow = placeAs(t->outNarrowStore, std::string(2 * n + 8, '\0'), t->out.data());
    return t;
}

// ASCII at the short sizes where a call's fixed cost counts, and both texts
// at the longer ones.
constexpr std::pair<int, bool> textCases[] = {{8, false},   {16, false},   {32, false},    {64, false},
                                              {256, false}, {4096, false}, {65536, false}, {16, true},
                                              {256, true},  {4096, true},  {65536, true}};

// Every case's text, made before main in one order, so that each lands at the
// same addresses whichever rows a filter runs.
const std::vector<std::pair<std::pair<size_t, bool>, Text *>> allTexts = [] {
    std::vector<std::pair<std::pair<size_t, bool>, Text *>> all;
    for (const auto &[units, mixed] : textCases)
        all.push_back({{units, mixed}, makeTextCase(static_cast<size_t>(units), mixed)});
    return all;
}();

Text &text(size_t n, bool mixed) {
    for (auto &[key, t] : allTexts)
        if (key.first == n && key.second == mixed) return *t;
    require(false, "a text case outside textCases");
    return *allTexts.front().second;
}

const UChar *icu(const std::u16string &s) { return reinterpret_cast<const UChar *>(s.c_str()); }
UChar *icu(std::u16string &s) { return reinterpret_cast<UChar *>(s.data()); }

Text &textFor(const benchmark::State &state) { return text(static_cast<size_t>(state.range(0)), state.range(1) != 0); }

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
    timed(state, [&] { return strlen(opaque(t.narrow)); });
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
    timed(state, [&] { return strcpy(opaque(t.outNarrow), opaque(t.narrow)); });
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
    timed(state, [&] { return strcmp(opaque(t.narrow), opaque(t.narrowCopy)); });
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

// ---- search for a unit (a byte) the text lacks (the whole text is read) ----
void oursStrchr(benchmark::State &state) {
    Text &t = textFor(state);
    require(strchrU16(t.units.c_str(), absentUnit) == nullptr, "strchrU16");
    timed(state, [&] { return strchrU16(opaque(t.units.c_str()), absentUnit); });
}
void icuStrchr(benchmark::State &state) {
    Text &t = textFor(state);
    timed(state, [&] { return u_strchr(opaque(icu(t.units)), absentUnit); });
}
void libcStrchr(benchmark::State &state) {
    Text &t = textFor(state);
    require(strchr(t.narrow, absentByte) == nullptr, "strchr peer");
    timed(state, [&] { return strchr(opaque(t.narrow), absentByte); });
}

// ---- search of n units for a unit (a byte) they lack (all of them are read) ----
void oursMemchr(benchmark::State &state) {
    Text &t = textFor(state);
    const size_t n = t.units.size();
    require(memchrU16(t.units.c_str(), absentUnit, n) == nullptr, "memchrU16");
    timed(state, [&] { return memchrU16(opaque(t.units.c_str()), absentUnit, n); });
}
void libcMemchr(benchmark::State &state) {
    Text &t = textFor(state);
    const size_t n = t.units.size() * 2;
    timed(state, [&] { return memchr(opaque(t.narrow), absentByte, n); });
}

// ---- filling n units (2n bytes) ----
void oursMemset(benchmark::State &state) {
    Text &t = textFor(state);
    const size_t n = t.units.size();
    timed(state, [&] { return memsetU16(opaque(t.out.data()), u'x', n); });
}
void libcMemset(benchmark::State &state) {
    Text &t = textFor(state);
    const size_t n = t.units.size() * 2;
    timed(state, [&] { return memset(opaque(t.outNarrow), 'x', n); });
}

// ---- last occurrence of a unit (a byte) the text lacks (the whole text is read) ----
void oursStrrchr(benchmark::State &state) {
    Text &t = textFor(state);
    require(strrchrU16(t.units.c_str(), absentUnit) == nullptr, "strrchrU16");
    timed(state, [&] { return strrchrU16(opaque(t.units.c_str()), absentUnit); });
}
void icuStrrchr(benchmark::State &state) {
    Text &t = textFor(state);
    timed(state, [&] { return u_strrchr(opaque(icu(t.units)), absentUnit); });
}
void libcStrrchr(benchmark::State &state) {
    Text &t = textFor(state);
    timed(state, [&] { return strrchr(opaque(t.narrow), absentByte); });
}

// Every row's cases.
void sizes(benchmark::internal::Benchmark *b) {
    for (const auto &[n, mixed] : textCases) b->Args({n, mixed ? 1 : 0});
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
BENCHMARK(oursStrchr)->Name("ours/strchr")->Apply(sizes);
BENCHMARK(icuStrchr)->Name("icu/strchr")->Apply(sizes);
BENCHMARK(libcStrchr)->Name("libc/strchr")->Apply(sizes);
BENCHMARK(oursMemcmp)->Name("ours/memcmp")->Apply(sizes);
BENCHMARK(icuMemcmp)->Name("icu/memcmp")->Apply(sizes);
BENCHMARK(libcMemcmp)->Name("libc/memcmp")->Apply(sizes);
BENCHMARK(oursMemchr)->Name("ours/memchr")->Apply(sizes);
BENCHMARK(libcMemchr)->Name("libc/memchr")->Apply(sizes);
BENCHMARK(oursMemset)->Name("ours/memset")->Apply(sizes);
BENCHMARK(libcMemset)->Name("libc/memset")->Apply(sizes);
BENCHMARK(oursStrrchr)->Name("ours/strrchr")->Apply(sizes);
BENCHMARK(icuStrrchr)->Name("icu/strrchr")->Apply(sizes);
BENCHMARK(libcStrrchr)->Name("libc/strrchr")->Apply(sizes);

BENCHMARK_MAIN();
