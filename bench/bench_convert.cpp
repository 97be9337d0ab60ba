// Whole-string conversion between UTF-8 and UTF-16 against ICU, with memcpy
// of the same bytes as the physical limit: ASCII, the multilingual text, and
// each script alone, at 4096 and 65536 units (from UTF-8 at 256 too); and the
// same texts written to a stream (to the null device, through a large
// buffer): fputsU16 against ICU's u_file_write and the C library's fputs of
// the UTF-8 bytes. Real UTF-8 out (U16sToUtf8s) against U2sToUtf8s and the
// stream writer.
#include <benchmark/benchmark.h>
#include <unicode/ustdio.h>
#include <unicode/ustring.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "flat/nlsui1_utf8.h"
#include "qorucum.h"

using qoru_bench::keep;
using qoru_bench::require;

namespace {

struct Text {
    std::u16string units;  // the UTF-16 text
    std::string utf8;      // its UTF-8 form (ICU's, pairs as four-byte sequences)
    std::string cesu;      // the library's UTF-8 form (every unit by itself)
    std::u16string out;    // destination buffers
    std::string outUtf8;
};

Text makeConversionText(size_t n, int script) {
    Text t;
    t.units = qoru_bench::makeScriptText(n, script);
    int32_t len = 0;
    UErrorCode err = U_ZERO_ERROR;
    const auto *src = reinterpret_cast<const UChar *>(t.units.c_str());
    u_strToUTF8(nullptr, 0, &len, src, -1, &err);
    t.utf8.assign(static_cast<size_t>(len), '\0');
    err = U_ZERO_ERROR;
    u_strToUTF8(t.utf8.data(), len + 1, &len, src, -1, &err);
    t.cesu.assign(U2sToUtf8s(nullptr, t.units.c_str(), 0), '\0');
    U2sToUtf8s(t.cesu.data(), t.units.c_str(), t.cesu.size() + 1);
    t.out.assign(n + 8, u'\0');
    t.outUtf8.assign(3 * n + 8, '\0');
    return t;
}

template <class T>
T *opaque(T *p) {
    keep(p);
    return p;
}

template <class Fn>
void timed(benchmark::State &state, Fn fn) {
    for (auto _ : state) {
        auto result = fn();
        keep(result);
    }
}

void oursFromUtf8(benchmark::State &state, Text *t) {
    const size_t cap = t->out.size();
    require(qoru::Utf8sToU2s(t->out.data(), t->utf8.c_str(), cap) == t->units.size() &&
                memcmp(t->out.data(), t->units.c_str(), t->units.size() * 2) == 0,
            "Utf8sToU2s");
    timed(state, [&] { return qoru::Utf8sToU2s(opaque(t->out.data()), opaque(t->utf8.c_str()), cap); });
}
void icuFromUtf8(benchmark::State &state, Text *t) {
    const int32_t cap = static_cast<int32_t>(t->out.size());
    auto convert = [&] {
        int32_t len = 0;
        UErrorCode err = U_ZERO_ERROR;
        u_strFromUTF8(opaque(reinterpret_cast<UChar *>(t->out.data())), cap, &len, opaque(t->utf8.c_str()), -1, &err);
        return U_SUCCESS(err) ? len : -1;
    };
    require(static_cast<size_t>(convert()) == t->units.size(), "u_strFromUTF8");
    timed(state, convert);
}
void memcpyFromUtf8(benchmark::State &state, Text *t) {
    timed(state, [&] { return memcpy(opaque(t->outUtf8.data()), opaque(t->utf8.data()), t->utf8.size()); });
}

void oursToUtf8(benchmark::State &state, Text *t) {
    const size_t cap = t->outUtf8.size();
    require(U2sToUtf8s(t->outUtf8.data(), t->units.c_str(), cap) == t->cesu.size() &&
                memcmp(t->outUtf8.data(), t->cesu.c_str(), t->cesu.size() + 1) == 0,
            "U2sToUtf8s");
    timed(state, [&] { return U2sToUtf8s(opaque(t->outUtf8.data()), opaque(t->units.c_str()), cap); });
}
void icuToUtf8(benchmark::State &state, Text *t) {
    const int32_t cap = static_cast<int32_t>(t->outUtf8.size());
    auto convert = [&] {
        int32_t len = 0;
        UErrorCode err = U_ZERO_ERROR;
        u_strToUTF8(opaque(t->outUtf8.data()), cap, &len, opaque(reinterpret_cast<const UChar *>(t->units.c_str())), -1,
                    &err);
        return U_SUCCESS(err) ? len : -1;
    };
    require(static_cast<size_t>(convert()) == t->utf8.size(), "u_strToUTF8");
    timed(state, convert);
}
void memcpyToUtf8(benchmark::State &state, Text *t) {
    timed(state, [&] { return memcpy(opaque(t->out.data()), opaque(t->units.data()), t->units.size() * 2); });
}

// Real UTF-8 (U16sToUtf8s): the bytes ICU writes, timed against U2sToUtf8s
// (the same bytes on text without supplementary characters) and the stream
// writer (fputsU16, below), which writes the same bytes.
void oursRealUtf8(benchmark::State &state, Text *t) {
    const size_t cap = t->outUtf8.size();
    require(U16sToUtf8s(t->outUtf8.data(), t->units.c_str(), cap) == t->utf8.size() &&
                memcmp(t->outUtf8.data(), t->utf8.c_str(), t->utf8.size() + 1) == 0,
            "U16sToUtf8s");
    timed(state, [&] { return U16sToUtf8s(opaque(t->outUtf8.data()), opaque(t->units.c_str()), cap); });
}

// The null device with a buffer that holds a whole text, so that the
// stream's own cost stays small beside the conversion.
struct NullStream {
    NullStream() {
        f = fopen("/dev/null", "wb");
        require(f != nullptr && setvbuf(f, nullptr, _IOFBF, 1 << 20) == 0, "opening the null device");
    }
    ~NullStream() { fclose(f); }
    FILE *f;
};

void oursFputs(benchmark::State &state, Text *t) {
    const NullStream out;
    timed(state, [&] { return fputsU16(opaque(t->units.c_str()), out.f); });
}
void icuFputs(benchmark::State &state, Text *t) {
    const NullStream out;
    UFILE *uf = u_finit(out.f, "en_US_POSIX", "UTF-8");
    require(uf != nullptr, "u_finit");
    const auto *units = reinterpret_cast<const UChar *>(t->units.c_str());
    const auto length = static_cast<int32_t>(t->units.size());
    timed(state, [&] { return u_file_write(opaque(units), length, uf); });
    u_fclose(uf);
}
void libcFputs(benchmark::State &state, Text *t) {
    const NullStream out;
    timed(state, [&] { return fputs(opaque(t->utf8.c_str()), out.f); });
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::pair<std::string, int>> cases = {{"ascii", qoru_bench::asciiText},
                                                      {"mixed", qoru_bench::mixedScripts}};
    for (int i = 0; i < static_cast<int>(std::size(qoru_bench::scripts)); ++i)
        cases.push_back({qoru_bench::scripts[i].name, i});
    for (const auto &[name, script] : cases) {
        for (size_t n : {size_t{4096}, size_t{65536}}) {
            auto *t = new Text(makeConversionText(n, script));
            const std::string rest = "/" + name + "/" + std::to_string(n);
            benchmark::RegisterBenchmark(("ours/fromUtf8" + rest).c_str(), oursFromUtf8, t);
            benchmark::RegisterBenchmark(("icu/fromUtf8" + rest).c_str(), icuFromUtf8, t);
            benchmark::RegisterBenchmark(("memcpy/fromUtf8" + rest).c_str(), memcpyFromUtf8, t);
            benchmark::RegisterBenchmark(("ours/toUtf8" + rest).c_str(), oursToUtf8, t);
            benchmark::RegisterBenchmark(("icu/toUtf8" + rest).c_str(), icuToUtf8, t);
            benchmark::RegisterBenchmark(("memcpy/toUtf8" + rest).c_str(), memcpyToUtf8, t);
            benchmark::RegisterBenchmark(("ours/realUtf8" + rest).c_str(), oursRealUtf8, t);
            benchmark::RegisterBenchmark(("u2s/realUtf8" + rest).c_str(), oursToUtf8, t);
            if (n != 4096) continue;
            benchmark::RegisterBenchmark(("writer/realUtf8" + rest).c_str(), oursFputs, t);
            benchmark::RegisterBenchmark(("ours/fputs" + rest).c_str(), oursFputs, t);
            benchmark::RegisterBenchmark(("icu/fputs" + rest).c_str(), icuFputs, t);
            benchmark::RegisterBenchmark(("libc/fputs" + rest).c_str(), libcFputs, t);
        }
    }
    // Short texts for the decoder, made after the others so that those stay where they were.
    for (const auto &[name, script] : cases) {
        auto *t = new Text(makeConversionText(256, script));
        const std::string rest = "/" + name + "/256";
        benchmark::RegisterBenchmark(("ours/fromUtf8" + rest).c_str(), oursFromUtf8, t);
        benchmark::RegisterBenchmark(("icu/fromUtf8" + rest).c_str(), icuFromUtf8, t);
        benchmark::RegisterBenchmark(("memcpy/fromUtf8" + rest).c_str(), memcpyFromUtf8, t);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
