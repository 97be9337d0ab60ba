// strstrU16 against ICU's u_strstr and the C library's strstr: (a) ordinary
// text, ASCII and mixed scripts, 4096 and 65536 units, searched for eight
// units taken near its end, so the whole text is read; (b) n units of "a"
// searched for 1000 "a" then "b", which a naive search takes about n x 1000
// steps for: the time per unit stays flat from 64K to 1M units. The C library
// searches the same characters as narrow text; ICU is not timed on (b), where
// its search is the naive one.
#include <benchmark/benchmark.h>
#include <unicode/ustring.h>

#include <cstring>
#include <string>

#include "bench_support.h"
#include "qorucum.h"

using qoru_bench::keep;
using qoru_bench::require;

namespace {

struct Search {
    std::u16string text, needle;
    std::string narrowText, narrowNeedle;  // ASCII and the long "a" texts only
};

std::string narrowOf(const std::u16string &s) { return std::string(s.begin(), s.end()); }

const Search &ordinary(size_t n, bool mixed) {
    static Search cases[2][2];
    Search &c = cases[n > 4096][mixed];
    if (c.text.empty()) {
        c.text = qoru_bench::makeText(n, mixed);
        c.needle = c.text.substr(n - 20, 8);
        if (!mixed) c.narrowText = narrowOf(c.text), c.narrowNeedle = narrowOf(c.needle);
    }
    return c;
}

const Search &repeated(size_t n) {
    static Search cases[2];
    Search &c = cases[n > 65536];
    if (c.text.empty()) {
        c.text.assign(n, u'a');
        c.needle = std::u16string(1000, u'a') + u'b';
        c.narrowText = narrowOf(c.text), c.narrowNeedle = narrowOf(c.needle);
    }
    return c;
}

// Arguments: units, then 0 ASCII, 1 mixed scripts, 2 the long "a" text.
const Search &caseFor(const benchmark::State &state) {
    const auto n = static_cast<size_t>(state.range(0));
    return state.range(1) == 2 ? repeated(n) : ordinary(n, state.range(1) != 0);
}

const UChar *icu(const std::u16string &s) { return reinterpret_cast<const UChar *>(s.c_str()); }

template <class Fn>
void timed(benchmark::State &state, Fn fn) {
    for (auto _ : state) {
        auto result = fn();
        keep(result);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void oursStrstr(benchmark::State &state) {
    const Search &c = caseFor(state);
    const charU16 *found = strstrU16(c.text.c_str(), c.needle.c_str());
    if (state.range(1) != 2) require(found == reinterpret_cast<const charU16 *>(u_strstr(icu(c.text), icu(c.needle))),
                                     "strstrU16 finds what u_strstr finds");
    if (!c.narrowText.empty()) {
        const char *peer = strstr(c.narrowText.c_str(), c.narrowNeedle.c_str());
        require((found == nullptr) == (peer == nullptr) &&
                    (found == nullptr || found - c.text.c_str() == peer - c.narrowText.c_str()),
                "strstrU16 finds what strstr finds");
    }
    timed(state, [&] { return strstrU16(c.text.c_str(), c.needle.c_str()); });
}

void icuStrstr(benchmark::State &state) {
    const Search &c = caseFor(state);
    timed(state, [&] { return u_strstr(icu(c.text), icu(c.needle)); });
}

void libcStrstr(benchmark::State &state) {
    const Search &c = caseFor(state);
    const char *text = c.narrowText.c_str();
    timed(state, [&] {
        keep(text);  // strstr is a builtin: nothing of it may be hoisted out of the loop
        return strstr(text, c.narrowNeedle.c_str());
    });
}

void ordinaryCases(benchmark::internal::Benchmark *b) {
    for (int mixed : {0, 1})
        for (int n : {4096, 65536}) b->Args({n, mixed});
    b->ArgNames({"units", "mixed"});
}

void asciiCases(benchmark::internal::Benchmark *b) {
    for (int n : {4096, 65536}) b->Args({n, 0});
    b->ArgNames({"units", "mixed"});
}

void repeatedCases(benchmark::internal::Benchmark *b) {
    for (int n : {65536, 1 << 20}) b->Args({n, 2});
    b->ArgNames({"units", ""});
}

}  // namespace

BENCHMARK(oursStrstr)->Name("ours/strstr")->Apply(ordinaryCases);
BENCHMARK(icuStrstr)->Name("icu/strstr")->Apply(ordinaryCases);
BENCHMARK(libcStrstr)->Name("libc/strstr")->Apply(asciiCases);
BENCHMARK(oursStrstr)->Name("ours/strstr_aaab")->Apply(repeatedCases);
BENCHMARK(libcStrstr)->Name("libc/strstr_aaab")->Apply(repeatedCases);

BENCHMARK_MAIN();
