// The scanf family against the C library's narrow sscanf/fscanf and ICU's
// u_sscanf_u, reading the same values from the same text: (a) one mixed line
// from a string, (b) 10 000 such lines from a file. ICU reads a UTF-16 word
// with '%S'.
#include <benchmark/benchmark.h>
#include <unicode/ustdio.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "qorucum.h"

using qoru_bench::keep;
using qoru_bench::require;

namespace {

const char16_t oursText[] = u"12345 abcdef 3.25 0x1f";
const char libcText[] = "12345 abcdef 3.25 0x1f";
const char16_t oursFormat[] = u"%d %s %lf %x";
const char libcFormat[] = "%d %s %lf %x";
const char16_t icuFormat[] = u"%d %S %lf %x";

struct Fields {
    int32_t i = 0;
    double d = 0;
    uint32_t x = 0;
    char16_t word[32] = {};
    char narrowWord[32] = {};
};

int32_t ours(Fields &f) { return sscanfU16(oursText, oursFormat, &f.i, f.word, &f.d, &f.x); }
int32_t libc(Fields &f) { return sscanf(libcText, libcFormat, &f.i, f.narrowWord, &f.d, &f.x); }
int32_t icuScan(Fields &f) {
    return u_sscanf_u(reinterpret_cast<const UChar *>(oursText), reinterpret_cast<const UChar *>(icuFormat), &f.i,
                      reinterpret_cast<UChar *>(f.word), &f.d, &f.x);
}

bool expected(const Fields &f, int32_t n) {
    const bool word = std::u16string(f.word) == u"abcdef" || std::string(f.narrowWord) == "abcdef";
    return n == 4 && f.i == 12345 && f.d == 3.25 && f.x == 0x1f && word;
}

template <int32_t (*scan)(Fields &)>
void BM_line(benchmark::State &state) {
    Fields check;
    require(expected(check, scan(check)), "a scanner read other values");
    Fields f;
    for (auto _ : state) {
        int32_t n = scan(f);
        keep(n);
        keep(f);
    }
}

// ---- (b) 10 000 lines from a file ----------------------------------------------

constexpr int linesPerFile = 10000;

struct LineFile {
    LineFile() : path((std::filesystem::temp_directory_path() / "qoru_bench_scan.txt").string()) {
        FILE *w = fopen(path.c_str(), "wb");
        require(w != nullptr, "cannot create the line file");
        for (int k = 0; k < linesPerFile; ++k) fprintf(w, "%s\n", libcText);
        fclose(w);
        f = fopen(path.c_str(), "rb");
        require(f != nullptr, "cannot open the line file");
    }
    ~LineFile() {
        fclose(f);
        std::filesystem::remove(path);
    }
    std::string path;
    FILE *f = nullptr;
};

int32_t oursLine(FILE *in, Fields &f) { return fscanfU16(in, oursFormat, &f.i, f.word, &f.d, &f.x); }
int32_t libcLine(FILE *in, Fields &f) { return fscanf(in, libcFormat, &f.i, f.narrowWord, &f.d, &f.x); }

template <int32_t (*scan)(FILE *, Fields &)>
void BM_lines(benchmark::State &state) {
    LineFile lf;
    for (auto _ : state) {
        fseek(lf.f, 0, SEEK_SET);
        int lines = 0;
        Fields f;
        while (scan(lf.f, f) == 4) {
            require(expected(f, 4), "a line read other values");
            ++lines;
        }
        require(lines == linesPerFile, "lines missing");
        keep(lines);
    }
}

}  // namespace

BENCHMARK(BM_line<ours>)->Name("ours/sscanf/a_mixed");
BENCHMARK(BM_line<libc>)->Name("libc/sscanf/a_mixed");
BENCHMARK(BM_line<icuScan>)->Name("icu/sscanf/a_mixed");
BENCHMARK(BM_lines<oursLine>)->Name("ours/fscanf/b_lines10k")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_lines<libcLine>)->Name("libc/fscanf/b_lines10k")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
