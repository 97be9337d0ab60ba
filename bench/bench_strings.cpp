// Strings and whole-string conversion against ICU and the C library, on the
// same texts: ASCII and mixed-script, 16 to 65536 units.
#include <benchmark/benchmark.h>
#include <unicode/ustring.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "flat/nlsui1_utf8.h"
#include "qorucum.h"

using qoru_bench::keep;
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

void appendChar(std::u16string &s, char32_t c) {
    if (c > 0xFFFF) {
        s += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        s += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        s += static_cast<char16_t>(c);
    }
}

// ASCII: printable characters. Mixed-script: sentences of 4 to 15 words of 2
// to 9 letters, each sentence in one script, the scripts taken at random
// (Latin with accents, Cyrillic, Greek, Arabic, Hebrew, Devanagari, CJK,
// Hangul, and emoji), words separated by blanks and punctuation, as a
// multilingual document is.
std::u16string makeText(size_t n, bool mixed) {
    std::mt19937 rng(static_cast<uint32_t>(n * 2 + mixed));
    struct Script {
        char32_t first, count;
    };
    static const Script scripts[] = {{0x61, 26},   {0xE0, 31},   {0x430, 32},  {0x3B1, 25},  {0x627, 26},
                                     {0x5D0, 27},  {0x915, 37},  {0x4E00, 2000}, {0xAC00, 2000}, {0x1F600, 64}};
    std::u16string s;
    while (s.size() < n) {
        if (!mixed) {
            s += static_cast<char16_t>(0x20 + rng() % 95);
            continue;
        }
        const Script &sc = scripts[rng() % std::size(scripts)];
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

bool mixedCase(const benchmark::State &state) { return state.range(1) != 0; }

// ---- length ----
void oursStrlen(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    require(strlenU16(t.units.c_str()) == t.units.size(), "strlenU16");
    const charU16 *p = t.units.c_str();
    for (auto _ : state) {
        keep(p);
        size_t n = strlenU16(p);
        keep(n);
    }
}
void icuStrlen(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    const UChar *p = icu(t.units);
    for (auto _ : state) {
        keep(p);
        int32_t n = u_strlen(p);
        keep(n);
    }
}
void libcStrlen(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    const char *p = t.utf8.c_str();
    for (auto _ : state) {
        keep(p);
        size_t n = strlen(p);
        keep(n);
    }
}

// ---- copy ----
void oursStrcpy(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    strcpyU16(t.out.data(), t.units.c_str());
    require(memcmp(t.out.data(), t.units.c_str(), (t.units.size() + 1) * 2) == 0, "strcpyU16");
    charU16 *d = t.out.data();
    const charU16 *s = t.units.c_str();
    for (auto _ : state) {
        keep(d);
        keep(s);
        charU16 *r = strcpyU16(d, s);
        keep(r);
    }
}
void icuStrcpy(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    UChar *d = icu(t.out);
    const UChar *s = icu(t.units);
    for (auto _ : state) {
        keep(d);
        keep(s);
        UChar *r = u_strcpy(d, s);
        keep(r);
    }
}
void libcStrcpy(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    char *d = t.outUtf8.data();
    const char *s = t.utf8.c_str();
    for (auto _ : state) {
        keep(d);
        keep(s);
        char *r = strcpy(d, s);
        keep(r);
    }
}
void memcpyCopy(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    charU16 *d = t.out.data();
    const charU16 *s = t.units.c_str();
    const size_t bytes = (t.units.size() + 1) * 2;
    for (auto _ : state) {
        keep(d);
        keep(s);
        void *r = memcpy(d, s, bytes);
        keep(r);
    }
}

// ---- comparison of equal texts in different buffers (the whole text is read) ----
void oursStrcmp(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    require(strcmpU16(t.units.c_str(), t.copy.c_str()) == 0, "strcmpU16");
    const charU16 *a = t.units.c_str(), *b = t.copy.c_str();
    for (auto _ : state) {
        keep(a);
        keep(b);
        int32_t r = strcmpU16(a, b);
        keep(r);
    }
}
void icuStrcmp(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    const UChar *a = icu(t.units), *b = icu(t.copy);
    for (auto _ : state) {
        keep(a);
        keep(b);
        int32_t r = u_strcmp(a, b);
        keep(r);
    }
}
void libcStrcmp(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    const char *a = t.utf8.c_str(), *b = t.utf8Copy.c_str();
    for (auto _ : state) {
        keep(a);
        keep(b);
        int r = strcmp(a, b);
        keep(r);
    }
}
void oursMemcmp(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    const size_t n = t.units.size();
    require(memcmpU16(t.units.c_str(), t.copy.c_str(), n) == 0, "memcmpU16");
    const charU16 *a = t.units.c_str(), *b = t.copy.c_str();
    for (auto _ : state) {
        keep(a);
        keep(b);
        int32_t r = memcmpU16(a, b, n);
        keep(r);
    }
}
void icuMemcmp(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    const int32_t n = static_cast<int32_t>(t.units.size());
    const UChar *a = icu(t.units), *b = icu(t.copy);
    for (auto _ : state) {
        keep(a);
        keep(b);
        int32_t r = u_memcmp(a, b, n);
        keep(r);
    }
}
void libcMemcmp(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    const size_t n = t.units.size() * 2;
    const void *a = t.units.c_str(), *b = t.copy.c_str();
    for (auto _ : state) {
        keep(a);
        keep(b);
        int r = memcmp(a, b, n);
        keep(r);
    }
}

// ---- UTF-8 to UTF-16 ----
void oursFromUtf8(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    const size_t cap = t.out.size();
    require(qoru::Utf8sToU2s(t.out.data(), t.utf8.c_str(), cap) == t.units.size() &&
                memcmp(t.out.data(), t.units.c_str(), t.units.size() * 2) == 0,
            "Utf8sToU2s");
    charU16 *d = t.out.data();
    const char *s = t.utf8.c_str();
    for (auto _ : state) {
        keep(d);
        keep(s);
        size_t n = qoru::Utf8sToU2s(d, s, cap);
        keep(n);
    }
}
void icuFromUtf8(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    const int32_t cap = static_cast<int32_t>(t.out.size());
    UChar *d = icu(t.out);
    const char *s = t.utf8.c_str();
    {
        int32_t len = 0;
        UErrorCode err = U_ZERO_ERROR;
        u_strFromUTF8(d, cap, &len, s, -1, &err);
        require(U_SUCCESS(err) && static_cast<size_t>(len) == t.units.size(), "u_strFromUTF8");
    }
    for (auto _ : state) {
        keep(d);
        keep(s);
        int32_t len = 0;
        UErrorCode err = U_ZERO_ERROR;
        UChar *r = u_strFromUTF8(d, cap, &len, s, -1, &err);
        keep(r);
        keep(len);
    }
}

// ---- UTF-16 to UTF-8 ----
void oursToUtf8(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    const size_t cap = t.outUtf8.size();
    const size_t n = U2sToUtf8s(t.outUtf8.data(), t.units.c_str(), cap);
    require(n == U2sToUtf8s(nullptr, t.units.c_str(), 0), "U2sToUtf8s length");
    require(mixedCase(state) || memcmp(t.outUtf8.data(), t.utf8.c_str(), t.utf8.size() + 1) == 0, "U2sToUtf8s");
    char *d = t.outUtf8.data();
    const charU16 *s = t.units.c_str();
    for (auto _ : state) {
        keep(d);
        keep(s);
        size_t r = U2sToUtf8s(d, s, cap);
        keep(r);
    }
}
void icuToUtf8(benchmark::State &state) {
    Text &t = text(static_cast<size_t>(state.range(0)), mixedCase(state));
    const int32_t cap = static_cast<int32_t>(t.outUtf8.size());
    char *d = t.outUtf8.data();
    const UChar *s = icu(t.units);
    for (auto _ : state) {
        keep(d);
        keep(s);
        int32_t len = 0;
        UErrorCode err = U_ZERO_ERROR;
        char *r = u_strToUTF8(d, cap, &len, s, -1, &err);
        keep(r);
        keep(len);
    }
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
BENCHMARK(oursFromUtf8)->Name("ours/fromUtf8")->Apply(sizes);
BENCHMARK(icuFromUtf8)->Name("icu/fromUtf8")->Apply(sizes);
BENCHMARK(oursToUtf8)->Name("ours/toUtf8")->Apply(sizes);
BENCHMARK(icuToUtf8)->Name("icu/toUtf8")->Apply(sizes);

BENCHMARK_MAIN();
