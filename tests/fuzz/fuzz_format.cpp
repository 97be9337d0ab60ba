// The printf engine on arbitrary UTF-16 formats. Every argument slot holds a pointer to a UTF-16 string, which is a
// valid argument for every conversion the grammar has (no conversion writes through a pointer), and the format is
// cut so that it cannot ask for more arguments than are given. The string lives at a low fixed address, so that a
// '*' reading the pointer as an int gets a width of about 128 Ki units, not billions. Checks: no crash or sanitizer
// report, the bounded result never passes its size, and nothing is written at or after it.
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "qorucum/stdio.h"
#include "trace_capture.h"

namespace {

charU16 *argumentText() {
    static charU16 *text = [] {
        void *want = reinterpret_cast<void *>(uintptr_t{0x20000});
        void *got = mmap(want, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
        if (got != want) abort();
        static const char16_t sample[] = u"argument text \u00e9\U0001F600";
        return static_cast<charU16 *>(memcpy(got, sample, sizeof sample));
    }();
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    const qoru_test::TraceCapture reports(qoru::traceMedium);  // the reports run, kept out of the output
    const size_t bufferSize = data[0] % 128;
    std::vector<charU16> format;
    size_t percents = 0;
    size_t digitRun = 0;
    for (size_t i = 1; i + 1 < size; i += 2) {
        const charU16 u = static_cast<charU16>(data[i] | data[i + 1] << 8);
        if (u == 0) break;
        // Each directive takes at most three arguments (two '*' and a value).
        if (u == u'%' && ++percents > 10) break;
        // Widths and precisions of millions of units are valid but only slow the search down.
        digitRun = (u >= u'0' && u <= u'9') ? digitRun + 1 : 0;
        if (digitRun > 6) break;
        format.push_back(u);
    }
    format.push_back(0);
    std::vector<charU16> out(bufferSize + 16, 0x5A5A);
    charU16 *a = argumentText();
    const int32_t n = snprintfU16(out.data(), bufferSize, format.data(), a, a, a, a, a, a, a, a, a, a, a, a, a, a,
                                  a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a);
    if (n > static_cast<int32_t>(bufferSize)) abort();
    if (std::count(out.begin() + static_cast<ptrdiff_t>(bufferSize), out.end(), 0x5A5A) != 16) abort();
    return 0;
}
