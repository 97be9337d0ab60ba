// Whole-string conversion on arbitrary bytes: the result agrees with the
// tests' plain reference, nothing is written at or past the limit,
// the failure report runs, and valid output survives a round trip.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "flat/nlsui1_utf8.h"
#include "trace_capture.h"
#include "utf8_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const qoru_test::TraceCapture reports(qoru::traceMedium);  // the reports run, kept out of the output
    const size_t limit = data[0];
    std::vector<char> text(data + 1, data + size);
    text.push_back('\0');
    std::vector<charU16> out(limit + 32, 0xABCD), ref(limit + 32, 0xABCD);
    const size_t got = qoru::Utf8sToU2s(out.data(), text.data(), limit);
    const size_t want = qoru_test::convertedUnits(ref.data(), text.data(), limit);
    if (got != want) abort();
    for (size_t i = limit; i < out.size(); ++i)
        if (out[i] != 0xABCD) abort();
    if (got == qoru::utf8Invalid) {
        qoru::traceInvalidUtf8U16(out.data(), text.data(), limit, "fuzz", 1, "fuzz");
        return 0;
    }
    if (memcmp(out.data(), ref.data(), (got < limit ? got + 1 : got) * sizeof(charU16)) != 0) abort();
    if (got < limit) {
        std::vector<char> back(3 * got + 1);
        const size_t n = U2sToUtf8s(back.data(), out.data(), back.size());
        std::vector<charU16> again(got + 1);
        if (qoru::Utf8sToU2s(again.data(), back.data(), again.size()) != got) abort();
        if (n != U2sToUtf8s(nullptr, out.data(), 0)) abort();
        if (memcmp(again.data(), out.data(), got * sizeof(charU16)) != 0) abort();
    }
    return 0;
}
