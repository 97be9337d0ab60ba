// Stream input against the peers, on the same file: fgetsU16 against ICU's
// u_fgets and the C library's narrow fgets over a 20 MB multilingual file,
// and fget_longU16 against fscanf("%ld") over a million integers.
#include <benchmark/benchmark.h>
#include <unicode/ustdio.h>
#include <unicode/ustring.h>

#include <cstdio>
#include <random>
#include <string>

#include "bench_support.h"
#include "qorucum.h"

namespace {

using qoru_bench::keep;
using qoru_bench::require;

constexpr int32_t lineCapacity = 1024;

void writeFile(const char *path, const std::string &bytes) {
    FILE *f = fopen(path, "wb");
    require(f != nullptr && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(), "writing the input file");
    fclose(f);
}

// The multilingual text of the string benchmarks as UTF-8, a sentence a
// line: no line reaches the buffer's size, where the readers differ by
// design (u_fgets keeps a cut pair's low surrogate for the next call).
const char *textFile() {
    static const char *path = [] {
        std::u16string units = qoru_bench::makeText(8u << 20, true);
        for (size_t i = 1; i < units.size(); ++i)
            if (units[i - 1] == u'.' && units[i] == u' ') units[i] = u'\n';
        std::string utf8(units.size() * 4, '\0');
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &length, units.data(),
                    static_cast<int32_t>(units.size()), &status);
        require(U_SUCCESS(status), "u_strToUTF8");
        utf8.resize(static_cast<size_t>(length));
        writeFile("/tmp/qoru_bench_lines.txt", utf8);
        return "/tmp/qoru_bench_lines.txt";
    }();
    return path;
}

size_t fileBytes(const char *path) {
    FILE *f = fopen(path, "rb");
    fseek(f, 0, SEEK_END);
    const long size = ftell(f);
    fclose(f);
    return static_cast<size_t>(size);
}

// A checksum of the units read, so every reader proves it read the same.
uint64_t oursLines(FILE *f) {
    charU16 buf[lineCapacity];
    uint64_t sum = 0;
    while (fgetsU16(buf, lineCapacity, f) != nullptr) sum += buf[0] + 31u * strlenU16(buf);
    return sum;
}

uint64_t icuLines(UFILE *f) {
    UChar buf[lineCapacity];
    uint64_t sum = 0;
    while (u_fgets(buf, lineCapacity, f) != nullptr) sum += buf[0] + 31u * static_cast<uint64_t>(u_strlen(buf));
    return sum;
}

void oursFgets(benchmark::State &state) {
    FILE *f = fopen(textFile(), "rb");
    UFILE *peer = u_fopen(textFile(), "rb", nullptr, "UTF-8");
    require(oursLines(f) == icuLines(peer), "fgetsU16 reads what u_fgets reads");
    u_fclose(peer);
    for (auto _ : state) {
        rewind(f);
        uint64_t sum = oursLines(f);
        keep(sum);
    }
    fclose(f);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fileBytes(textFile())));
}

void icuFgets(benchmark::State &state) {
    UFILE *f = u_fopen(textFile(), "rb", nullptr, "UTF-8");
    for (auto _ : state) {
        u_frewind(f);
        uint64_t sum = icuLines(f);
        keep(sum);
    }
    u_fclose(f);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fileBytes(textFile())));
}

void libcFgets(benchmark::State &state) {
    FILE *f = fopen(textFile(), "rb");
    char buf[lineCapacity * 3];
    for (auto _ : state) {
        rewind(f);
        uint64_t sum = 0;
        while (fgets(buf, sizeof buf, f) != nullptr) sum += static_cast<unsigned char>(buf[0]);
        keep(sum);
    }
    fclose(f);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fileBytes(textFile())));
}

const char *integerFile() {
    static const char *path = [] {
        std::mt19937 rng(11);
        std::string text;
        for (int i = 0; i < 1000000; ++i) {
            const long value = static_cast<long>(rng() % 2000000000u) - 1000000000;
            text += std::to_string(value >> (rng() % 30));
            text += i % 10 == 9 ? '\n' : ' ';
        }
        writeFile("/tmp/qoru_bench_integers.txt", text);
        return "/tmp/qoru_bench_integers.txt";
    }();
    return path;
}

int64_t oursIntegers(FILE *f) {
    int64_t sum = 0;
    int32_t value;
    while (fget_longU16(&value, f) == 0) sum += value;
    return sum;
}

int64_t libcIntegers(FILE *f) {
    int64_t sum = 0;
    long value;
    while (fscanf(f, "%ld", &value) == 1) sum += value;
    return sum;
}

void oursFgetLong(benchmark::State &state) {
    FILE *f = fopen(integerFile(), "rb");
    int64_t expected = libcIntegers(f);
    rewind(f);
    require(oursIntegers(f) == expected, "fget_longU16 reads what fscanf reads");
    for (auto _ : state) {
        rewind(f);
        int64_t sum = oursIntegers(f);
        keep(sum);
    }
    fclose(f);
}

void libcFgetLong(benchmark::State &state) {
    FILE *f = fopen(integerFile(), "rb");
    for (auto _ : state) {
        rewind(f);
        int64_t sum = libcIntegers(f);
        keep(sum);
    }
    fclose(f);
}

}  // namespace

BENCHMARK(oursFgets)->Name("ours/fgets/20MB")->Unit(benchmark::kMillisecond);
BENCHMARK(icuFgets)->Name("icu/fgets/20MB")->Unit(benchmark::kMillisecond);
BENCHMARK(libcFgets)->Name("libc/fgets/20MB")->Unit(benchmark::kMillisecond);
BENCHMARK(oursFgetLong)->Name("ours/fget_long/1M")->Unit(benchmark::kMillisecond);
BENCHMARK(libcFgetLong)->Name("libc/fget_long/1M")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
