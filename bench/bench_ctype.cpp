// The exported character pointers after initialization against calling ICU's
// entry points directly (the goal: no measurable difference), and
// strcasecmpU16/strncasecmpU16 against u_strcasecmp/u_strncasecmp on equal
// and near-equal mixed-case strings of 16 and 4096 units.
#include <benchmark/benchmark.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "bench_support.h"
#include "qorucum.h"

using qoru_bench::keep;
using qoru_bench::require;

namespace {

// Code points of running mixed-script text: ASCII, Latin-1, Greek, Cyrillic, CJK.
const std::vector<int32_t> &codePoints() {
    static const std::vector<int32_t> cps = [] {
        std::mt19937 rng(7);
        const int32_t starts[] = {0x20, 0xC0, 0x391, 0x410, 0x4E00};
        const int32_t spans[] = {95, 64, 57, 64, 2000};
        std::vector<int32_t> v(1024);
        for (auto &c : v) {
            const size_t s = rng() % 5;
            c = starts[s] + static_cast<int32_t>(rng() % static_cast<uint32_t>(spans[s]));
        }
        return v;
    }();
    return cps;
}

template <class F>
int64_t sumOver(F f) {
    int64_t sum = 0;
    for (int32_t c : codePoints()) sum += f(c);
    return sum;
}

// Times one pass over the code points; the pointer is read each call, as a
// caller in another module does.
template <class F>
void timeCalls(benchmark::State &state, F f) {
    for (auto _ : state) {
        int64_t sum = 0;
        for (int32_t c : codePoints()) {
            int32_t x = c;
            keep(x);
            sum += f(x);
        }
        keep(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(codePoints().size()));
}

struct Pair {
    const char *name;
    int32_t (*ours)(int32_t);
    int32_t (*icu)(int32_t);
};

// Wrappers read the exported pointer at every call: a plain indirect call.
int32_t truth(int8_t v) { return v != 0; }

const Pair pairs[] = {
    {"isalnum", [](int32_t c) { return truth(isalnumU(c)); }, [](int32_t c) { return truth(u_isalnum(c)); }},
    {"isalpha", [](int32_t c) { return truth(isalphaU(c)); }, [](int32_t c) { return truth(u_isalpha(c)); }},
    {"iscntrl", [](int32_t c) { return truth(iscntrlU(c)); }, [](int32_t c) { return truth(u_iscntrl(c)); }},
    {"islower", [](int32_t c) { return truth(islowerU(c)); }, [](int32_t c) { return truth(u_islower(c)); }},
    {"isprint", [](int32_t c) { return truth(isprintU(c)); }, [](int32_t c) { return truth(u_isprint(c)); }},
    {"isspace", [](int32_t c) { return truth(isspaceU(c)); }, [](int32_t c) { return truth(u_isspace(c)); }},
    {"isupper", [](int32_t c) { return truth(isupperU(c)); }, [](int32_t c) { return truth(u_isupper(c)); }},
    {"tolower", [](int32_t c) { return tolowerU(c); }, [](int32_t c) { return u_tolower(c); }},
    {"toupper", [](int32_t c) { return toupperU(c); }, [](int32_t c) { return u_toupper(c); }},
};

// Mixed-case strings: b equals a up to case, or differs in its last unit.
struct Strings {
    std::u16string a, b;
};

Strings makeStrings(size_t n, bool nearEqual) {
    const std::u16string alphabet = u"abcdefxyzABCDEFXYZ\u00E0\u00C0\u00E9\u00C9\u03B1\u0391\u0436\u0416 .,09";
    std::mt19937 rng(static_cast<uint32_t>(n + nearEqual));
    Strings s;
    for (size_t i = 0; i < n; ++i) s.a += alphabet[rng() % alphabet.size()];
    s.b = s.a;
    for (auto &u : s.b)
        if (rng() % 2) u = static_cast<char16_t>(u_toupper(u) != u ? u_toupper(u) : u_tolower(u));
    if (nearEqual) s.b.back() = s.b.back() == u'q' ? u'r' : u'q';
    return s;
}

const UChar *icu(const std::u16string &s) { return reinterpret_cast<const UChar *>(s.c_str()); }

int sign(int32_t v) { return (v > 0) - (v < 0); }

void registerAll() {
    require(nlsui_initialize() == 0, "ICU is bound");
    for (const Pair &p : pairs) {
        require(sumOver(p.ours) == sumOver(p.icu), p.name);
        benchmark::RegisterBenchmark((std::string("ours/") + p.name + "/mixed1024").c_str(),
                                     [&p](benchmark::State &st) { timeCalls(st, p.ours); });
        benchmark::RegisterBenchmark((std::string("icu/") + p.name + "/mixed1024").c_str(),
                                     [&p](benchmark::State &st) { timeCalls(st, p.icu); });
    }
    for (size_t n : {16, 4096}) {
        for (bool nearEqual : {false, true}) {
            const std::string kase = std::string(nearEqual ? "near" : "equal") + std::to_string(n);
            auto *s = new Strings(makeStrings(n, nearEqual));
            require(sign(strcasecmpU16(s->a.c_str(), s->b.c_str())) ==
                        sign(u_strcasecmp(icu(s->a), icu(s->b), U_FOLD_CASE_DEFAULT)),
                    "strcasecmp agrees");
            require(sign(strncasecmpU16(s->a.c_str(), s->b.c_str(), n)) ==
                        sign(u_strncasecmp(icu(s->a), icu(s->b), static_cast<int32_t>(n), U_FOLD_CASE_DEFAULT)),
                    "strncasecmp agrees");
            benchmark::RegisterBenchmark(("ours/strcasecmp/" + kase).c_str(), [s](benchmark::State &st) {
                for (auto _ : st) {
                    const charU16 *a = s->a.c_str();
                    keep(a);
                    int32_t r = strcasecmpU16(a, s->b.c_str());
                    keep(r);
                }
            });
            benchmark::RegisterBenchmark(("icu/strcasecmp/" + kase).c_str(), [s](benchmark::State &st) {
                for (auto _ : st) {
                    const UChar *a = icu(s->a);
                    keep(a);
                    int32_t r = u_strcasecmp(a, icu(s->b), U_FOLD_CASE_DEFAULT);
                    keep(r);
                }
            });
            benchmark::RegisterBenchmark(("ours/strncasecmp/" + kase).c_str(), [s, n](benchmark::State &st) {
                for (auto _ : st) {
                    const charU16 *a = s->a.c_str();
                    keep(a);
                    int32_t r = strncasecmpU16(a, s->b.c_str(), n);
                    keep(r);
                }
            });
            benchmark::RegisterBenchmark(("icu/strncasecmp/" + kase).c_str(), [s, n](benchmark::State &st) {
                for (auto _ : st) {
                    const UChar *a = icu(s->a);
                    keep(a);
                    int32_t r = u_strncasecmp(a, icu(s->b), static_cast<int32_t>(n), U_FOLD_CASE_DEFAULT);
                    keep(r);
                }
            });
        }
    }
}

}  // namespace

int main(int argc, char **argv) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
