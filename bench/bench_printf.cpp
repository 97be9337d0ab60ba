// The printf family against the C library's narrow snprintf/fprintf and ICU's
// u_snprintf_u/u_fprintf_u, producing the same text from the same arguments
// (and scprintfU16's count against snprintfU16 writing the text):
// (a) a mixed line, (b) integers only, (c) strings only, (d) 100 000 lines of
// the mixed format written to a file, (e) to (g) one double with "%e", "%g"
// and "%.17g" (ICU has no exact "%e": the C library is the peer).
//
// The peers' formats differ from ours only where their directives differ:
// our '%08.3f' gives the zero flag way to the precision, which the C library's
// '%8.3f' matches; ICU takes a UTF-16 string with '%S'.
#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <fmt/xchar.h>
#include <unicode/ustdio.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "qorucum.h"

using qoru_bench::keep;
using qoru_bench::require;

namespace {

constexpr size_t rowCount = 64;  // argument rows the timed loops cycle through

struct Row {
    int id;
    std::string name;
    std::u16string name16;
    double value;
    unsigned hex;
    double pct;
    int i;
    unsigned u, x, o;
    std::string s1, s2, s3;
    std::u16string w1, w2, w3;
};

std::u16string widen(const std::string &s) { return std::u16string(s.begin(), s.end()); }

const std::vector<Row> &rows() {
    static std::vector<Row> all = [] {
        std::mt19937 rng(42);
        static const char *const names[] = {"alpha", "beta", "gamma", "delta-epsilon", "x", "omega_long_name"};
        std::vector<Row> v(rowCount);
        for (auto &r : v) {
            r.id = static_cast<int>(rng() % 1000000);
            r.name = names[rng() % 6];
            r.name16 = widen(r.name);
            r.value = static_cast<double>(rng() % 100000) / 37.0;
            r.hex = static_cast<unsigned>(rng());
            r.pct = static_cast<double>(rng() % 1000) / 10.0;
            r.i = static_cast<int>(rng()) >> (rng() % 31);
            r.u = static_cast<unsigned>(rng()) >> (rng() % 31);
            r.x = static_cast<unsigned>(rng()) >> (rng() % 31);
            r.o = static_cast<unsigned>(rng()) >> (rng() % 31);
            r.s1 = names[rng() % 6];
            r.s2 = names[rng() % 6];
            r.s3 = names[rng() % 6];
            r.w1 = widen(r.s1);
            r.w2 = widen(r.s2);
            r.w3 = widen(r.s3);
        }
        return v;
    }();
    return all;
}

const UChar *icu(const char16_t *s) { return reinterpret_cast<const UChar *>(s); }

// ---- The three formats, one function per implementation ----------------------------

const char16_t oursMixed[] = u"id=%d name=%s value=%08.3f hex=%#x pct=%5.1f%%\n";
const char libcMixed[] = "id=%d name=%s value=%8.3f hex=%#x pct=%5.1f%%\n";
const char16_t icuMixed[] = u"id=%d name=%S value=%8.3f hex=%#x pct=%5.1f%%\n";

const char16_t oursInts[] = u"%d %u %x %o\n";
const char libcInts[] = "%d %u %x %o\n";

const char16_t oursStrings[] = u"%-10s|%10s|%.3s\n";
const char libcStrings[] = "%-10s|%10s|%.3s\n";
const char16_t icuStrings[] = u"%-10S|%10S|%.3S\n";

enum class Case { mixed, ints, strings, oneInt, oneString };

int32_t ours(char16_t *buf, size_t size, Case c, const Row &r) {
    switch (c) {
    case Case::mixed: return snprintfU16(buf, size, oursMixed, r.id, r.name16.c_str(), r.value, r.hex, r.pct);
    case Case::ints: return snprintfU16(buf, size, oursInts, r.i, r.u, r.x, r.o);
    case Case::oneInt: return snprintfU16(buf, size, u"%d", r.i);
    case Case::oneString: return snprintfU16(buf, size, u"%s", r.w1.c_str());
    default: return snprintfU16(buf, size, oursStrings, r.w1.c_str(), r.w2.c_str(), r.w3.c_str());
    }
}

int32_t libc(char *buf, size_t size, Case c, const Row &r) {
    switch (c) {
    case Case::mixed: return snprintf(buf, size, libcMixed, r.id, r.name.c_str(), r.value, r.hex, r.pct);
    case Case::ints: return snprintf(buf, size, libcInts, r.i, r.u, r.x, r.o);
    case Case::oneInt: return snprintf(buf, size, "%d", r.i);
    case Case::oneString: return snprintf(buf, size, "%s", r.s1.c_str());
    default: return snprintf(buf, size, libcStrings, r.s1.c_str(), r.s2.c_str(), r.s3.c_str());
    }
}

int32_t icuFormat(char16_t *buf, size_t size, Case c, const Row &r) {
    auto *out = reinterpret_cast<UChar *>(buf);
    const auto n = static_cast<int32_t>(size);
    switch (c) {
    case Case::mixed: return u_snprintf_u(out, n, icu(icuMixed), r.id, icu(r.name16.c_str()), r.value, r.hex, r.pct);
    case Case::ints: return u_snprintf_u(out, n, icu(oursInts), r.i, r.u, r.x, r.o);
    case Case::oneInt: return u_snprintf_u(out, n, icu(u"%d"), r.i);
    case Case::oneString: return u_snprintf_u(out, n, icu(u"%S"), icu(r.w1.c_str()));
    default:
        return u_snprintf_u(out, n, icu(icuStrings), icu(r.w1.c_str()), icu(r.w2.c_str()), icu(r.w3.c_str()));
    }
}

// {fmt} writes UTF-16 as ours does, and the terminator is stored as
// snprintf stores it. Only the one-directive cases have a {fmt} form.
int32_t fmtFormat(char16_t *buf, size_t size, Case c, const Row &r) {
    const auto out = c == Case::oneInt ? fmt::format_to_n(buf, size - 1, u"{}", r.i)
                                       : fmt::format_to_n(buf, size - 1, u"{}", std::u16string_view(r.w1));
    *out.out = 0;
    return static_cast<int32_t>(out.size);
}

// Every row gives the same text from all three (four) before anything is timed.
void checkSameText(Case c) {
    for (const Row &r : rows()) {
        char16_t a[256];
        char b[256];
        char16_t i[256];
        const int32_t na = ours(a, 256, c, r);
        const int32_t nb = libc(b, sizeof b, c, r);
        const int32_t ni = icuFormat(i, 256, c, r);
        require(na == nb && std::u16string(a, static_cast<size_t>(na)) == widen(std::string(b, static_cast<size_t>(nb))),
                "ours and the C library differ");
        require(ni == na && std::u16string(i, static_cast<size_t>(ni)) == std::u16string(a, static_cast<size_t>(na)),
                "ours and ICU differ");
        if (c == Case::oneInt || c == Case::oneString) {
            const int32_t nf = fmtFormat(i, 256, c, r);
            require(nf == na && std::u16string(i) == std::u16string(a, static_cast<size_t>(na)),
                    "ours and {fmt} differ");
        }
    }
}

// Formats the rows in turn into a buffer of 256 units of Unit with one of
// the three formatters.
template <class Unit, int32_t (*format)(Unit *, size_t, Case, const Row &)>
void formatRows(benchmark::State &state, Case c) {
    checkSameText(c);
    Unit buf[256];
    const auto &all = rows();
    size_t k = 0;
    for (auto _ : state) {
        int32_t n = format(buf, 256, c, all[k++ % rowCount]);
        keep(n);
        Unit *p = buf;
        keep(p);
    }
}

void BM_ours(benchmark::State &state, Case c) { formatRows<char16_t, ours>(state, c); }
void BM_libc(benchmark::State &state, Case c) { formatRows<char, libc>(state, c); }
void BM_icu(benchmark::State &state, Case c) { formatRows<char16_t, icuFormat>(state, c); }
void BM_fmt(benchmark::State &state, Case c) { formatRows<char16_t, fmtFormat>(state, c); }

// Counting alone (scprintfU16; the buffer is not used), against snprintfU16
// writing the same rows into a buffer large enough for them.
int32_t oursCount(char16_t *, size_t, Case c, const Row &r) {
    switch (c) {
    case Case::mixed: return scprintfU16(oursMixed, r.id, r.name16.c_str(), r.value, r.hex, r.pct);
    case Case::ints: return scprintfU16(oursInts, r.i, r.u, r.x, r.o);
    default: return scprintfU16(oursStrings, r.w1.c_str(), r.w2.c_str(), r.w3.c_str());
    }
}
void BM_count(benchmark::State &state, Case c) {
    char16_t buf[256];
    for (const Row &r : rows()) require(oursCount(nullptr, 0, c, r) == ours(buf, 256, c, r), "scprintfU16 and snprintfU16 differ");
    formatRows<char16_t, oursCount>(state, c);
}

// ---- (d) 100 000 lines to a file -------------------------------------------------------------

constexpr int linesPerFile = 100000;

std::string tempName(const char *impl) {
    return (std::filesystem::temp_directory_path() / ("qoru_bench_printf_" + std::string(impl) + ".txt")).string();
}

std::string readFile(const std::string &path) {
    std::string bytes;
    FILE *f = fopen(path.c_str(), "rb");
    require(f != nullptr, "cannot read back a file");
    char block[65536];
    size_t n;
    while ((n = fread(block, 1, sizeof block, f)) != 0) bytes.append(block, n);
    fclose(f);
    return bytes;
}

// Writes the lines once; returns the bytes written.
size_t writeLines(const char *impl, FILE *f, UFILE *uf) {
    const auto &all = rows();
    for (int k = 0; k < linesPerFile; ++k) {
        const Row &r = all[static_cast<size_t>(k) % rowCount];
        if (impl[0] == 'o') {
            fprintfU16(f, oursMixed, r.id, r.name16.c_str(), r.value, r.hex, r.pct);
        } else if (impl[0] == 'l') {
            fprintf(f, libcMixed, r.id, r.name.c_str(), r.value, r.hex, r.pct);
        } else {
            u_fprintf_u(uf, icu(icuMixed), r.id, icu(r.name16.c_str()), r.value, r.hex, r.pct);
        }
    }
    if (uf != nullptr) u_fflush(uf);
    fflush(f);
    return static_cast<size_t>(ftell(f));
}

struct LineFile {
    explicit LineFile(const char *impl) : path(tempName(impl)) {
        f = fopen(path.c_str(), "wb");
        require(f != nullptr, "cannot create the line file");
        if (impl[0] == 'i') uf = u_finit(f, "en_US_POSIX", "UTF-8");
    }
    ~LineFile() {
        if (uf != nullptr) u_fclose(uf);  // does not close f, which u_finit did not open
        fclose(f);
        std::filesystem::remove(path);
    }
    void rewindFile() {
        if (uf != nullptr) u_fflush(uf);
        fflush(f);
        fseek(f, 0, SEEK_SET);
    }
    std::string path;
    FILE *f = nullptr;
    UFILE *uf = nullptr;
};

void checkSameLines() {
    static bool checked = false;
    if (checked) return;
    std::string texts[3];
    const char *impls[3] = {"ours", "libc", "icu"};
    for (int i = 0; i < 3; ++i) {
        LineFile lf(impls[i]);
        writeLines(impls[i], lf.f, lf.uf);
        lf.rewindFile();
        texts[i] = readFile(lf.path);
    }
    require(texts[0] == texts[1], "file lines: ours and the C library differ");
    require(texts[0] == texts[2], "file lines: ours and ICU differ");
    checked = true;
}

void BM_lines(benchmark::State &state, const char *impl) {
    checkSameLines();
    LineFile lf(impl);
    size_t bytes = 0;
    for (auto _ : state) {
        lf.rewindFile();
        bytes = writeLines(impl, lf.f, lf.uf);
        keep(bytes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// ---- (e) to (g) one double -------------------------------------------------------------------

// Random 53-bit significands between 2^-100 and 2^100 (about 1e-30 to 1e30), either sign.
const std::vector<double> &doubles() {
    static std::vector<double> all = [] {
        std::mt19937_64 rng(9);
        std::vector<double> v(rowCount);
        for (double &d : v) d = std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 200) - 153) * (rng() % 2 ? 1 : -1);
        return v;
    }();
    return all;
}

const char16_t *const oursFloat[] = {u"%e", u"%g", u"%.17g"};
const char *const libcFloat[] = {"%e", "%g", "%.17g"};

void checkSameFloats(int f) {
    for (double d : doubles()) {
        char16_t a[64];
        char b[64];
        const int32_t na = snprintfU16(a, 64, oursFloat[f], d);
        const int nb = snprintf(b, sizeof b, libcFloat[f], d);
        require(na == nb && std::u16string(a, static_cast<size_t>(na)) == widen(std::string(b, static_cast<size_t>(nb))),
                "a double: ours and the C library differ");
    }
}

void BM_oursFloat(benchmark::State &state, int f) {
    checkSameFloats(f);
    char16_t buf[64];
    size_t k = 0;
    for (auto _ : state) {
        int32_t n = snprintfU16(buf, 64, oursFloat[f], doubles()[k++ % rowCount]);
        keep(n);
        char16_t *p = buf;
        keep(p);
    }
}

void BM_libcFloat(benchmark::State &state, int f) {
    checkSameFloats(f);
    char buf[64];
    size_t k = 0;
    for (auto _ : state) {
        int n = snprintf(buf, sizeof buf, libcFloat[f], doubles()[k++ % rowCount]);
        keep(n);
        char *p = buf;
        keep(p);
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_ours, "snprintf/a_mixed", Case::mixed)->Name("ours/snprintf/a_mixed");
BENCHMARK_CAPTURE(BM_libc, "snprintf/a_mixed", Case::mixed)->Name("libc/snprintf/a_mixed");
BENCHMARK_CAPTURE(BM_icu, "snprintf/a_mixed", Case::mixed)->Name("icu/snprintf/a_mixed");
BENCHMARK_CAPTURE(BM_ours, "snprintf/b_ints", Case::ints)->Name("ours/snprintf/b_ints");
BENCHMARK_CAPTURE(BM_libc, "snprintf/b_ints", Case::ints)->Name("libc/snprintf/b_ints");
BENCHMARK_CAPTURE(BM_icu, "snprintf/b_ints", Case::ints)->Name("icu/snprintf/b_ints");
BENCHMARK_CAPTURE(BM_ours, "snprintf/c_strings", Case::strings)->Name("ours/snprintf/c_strings");
BENCHMARK_CAPTURE(BM_libc, "snprintf/c_strings", Case::strings)->Name("libc/snprintf/c_strings");
BENCHMARK_CAPTURE(BM_icu, "snprintf/c_strings", Case::strings)->Name("icu/snprintf/c_strings");
BENCHMARK_CAPTURE(BM_ours, "snprintf/h_one_d", Case::oneInt)->Name("ours/snprintf/h_one_d");
BENCHMARK_CAPTURE(BM_fmt, "snprintf/h_one_d", Case::oneInt)->Name("fmt/snprintf/h_one_d");
BENCHMARK_CAPTURE(BM_libc, "snprintf/h_one_d", Case::oneInt)->Name("libc/snprintf/h_one_d");
BENCHMARK_CAPTURE(BM_icu, "snprintf/h_one_d", Case::oneInt)->Name("icu/snprintf/h_one_d");
BENCHMARK_CAPTURE(BM_ours, "snprintf/i_one_s", Case::oneString)->Name("ours/snprintf/i_one_s");
BENCHMARK_CAPTURE(BM_fmt, "snprintf/i_one_s", Case::oneString)->Name("fmt/snprintf/i_one_s");
BENCHMARK_CAPTURE(BM_libc, "snprintf/i_one_s", Case::oneString)->Name("libc/snprintf/i_one_s");
BENCHMARK_CAPTURE(BM_icu, "snprintf/i_one_s", Case::oneString)->Name("icu/snprintf/i_one_s");
BENCHMARK_CAPTURE(BM_count, "scprintf/a_mixed", Case::mixed)->Name("ours/scprintf/a_mixed");
BENCHMARK_CAPTURE(BM_ours, "scprintf/a_mixed", Case::mixed)->Name("snprintf/scprintf/a_mixed");
BENCHMARK_CAPTURE(BM_count, "scprintf/b_ints", Case::ints)->Name("ours/scprintf/b_ints");
BENCHMARK_CAPTURE(BM_ours, "scprintf/b_ints", Case::ints)->Name("snprintf/scprintf/b_ints");
BENCHMARK_CAPTURE(BM_count, "scprintf/c_strings", Case::strings)->Name("ours/scprintf/c_strings");
BENCHMARK_CAPTURE(BM_ours, "scprintf/c_strings", Case::strings)->Name("snprintf/scprintf/c_strings");
BENCHMARK_CAPTURE(BM_lines, "fprintf/d_lines100k", "ours")->Name("ours/fprintf/d_lines100k")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_lines, "fprintf/d_lines100k", "libc")->Name("libc/fprintf/d_lines100k")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_lines, "fprintf/d_lines100k", "icu")->Name("icu/fprintf/d_lines100k")->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_oursFloat, "snprintf/e_double_e", 0)->Name("ours/snprintf/e_double_e");
BENCHMARK_CAPTURE(BM_libcFloat, "snprintf/e_double_e", 0)->Name("libc/snprintf/e_double_e");
BENCHMARK_CAPTURE(BM_oursFloat, "snprintf/f_double_g", 1)->Name("ours/snprintf/f_double_g");
BENCHMARK_CAPTURE(BM_libcFloat, "snprintf/f_double_g", 1)->Name("libc/snprintf/f_double_g");
BENCHMARK_CAPTURE(BM_oursFloat, "snprintf/g_double_17g", 2)->Name("ours/snprintf/g_double_17g");
BENCHMARK_CAPTURE(BM_libcFloat, "snprintf/g_double_17g", 2)->Name("libc/snprintf/g_double_17g");

BENCHMARK_MAIN();
