// Whole-string conversion on arbitrary bytes: the result and every unit written agree with the tests' plain
// reference (nothing at or past the limit), and the failure report runs. fuzz_to_utf8 fuzzes the way back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "flat/nlsui1_utf8.h"
#include "trace_capture.h"
#include "utf8_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const qoru_test::TraceCapture reports(qoru::traceMedium);  // the reports run, kept out of the output
    const size_t limit = data[0];
    const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);  // c_str() adds the terminator
    std::vector<charU16> out(limit + 32, 0xABCD), ref(limit + 32, 0xABCD);
    const size_t got = qoru::Utf8sToU2s(out.data(), text.c_str(), limit);
    const size_t want = qoru_test::convertedUnits(ref.data(), text, limit);
    if (got != want || out != ref) abort();
    if (got == qoru::utf8Invalid) qoru::traceInvalidUtf8U16(out.data(), text.c_str(), limit, "fuzz", 1, "fuzz");
    return 0;
}
