// The UTF-8 to UTF-16 kernels of every level the CPU has, on arbitrary bytes: each converts a valid
// prefix exactly as the plain reference does, stops at a character boundary, writes nothing outside
// the units it converted, and counts the same; bounded by an end, it takes nothing from the end on.
// The first two bytes choose the units already stored, the limit and the end.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "i18n/qoru16/u16_cpu.h"
#include "utf8_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    const size_t start = data[0] % 24, limit = start + size_t{data[1]} * 3;
    const std::string text(reinterpret_cast<const char *>(data) + 2, size - 2);
    const auto *src = reinterpret_cast<const uint8_t *>(text.c_str());
    for (int32_t level = 0; level < qoru::cpuLevelCount; ++level) {
        const qoru::Kernels *k = qoru::kernelsFor(static_cast<qoru::CpuLevel>(level));
        if (k == nullptr) break;
        std::vector<char16_t> out(limit + 80, 0xABCD), ref(limit + 80, 0xABCD);
        size_t count = start;
        const uint8_t *p = src;
        k->utf8ToUtf16(out.data(), count, p, limit);
        const std::string done(text.c_str(), reinterpret_cast<const char *>(p));
        const size_t want = qoru_test::convertedUnits(ref.data() + start, done, limit - start);
        if (want == SIZE_MAX || count - start != want) abort();
        if (start + want < limit) ref[start + want] = 0xABCD;  // the end of the prefix is no terminator
        if (out != ref) abort();
        if (k->utf8ToUtf16Bounded != nullptr) {
            // Bounded by an end within the text: nothing taken from it on, no low surrogate left out.
            const uint8_t *end = src + text.size() * data[1] / 256;
            std::vector<char16_t> part(limit + 80, 0xABCD), partRef(limit + 80, 0xABCD);
            size_t stored = start;
            p = src;
            k->utf8ToUtf16Bounded(part.data(), stored, p, end, limit);
            const std::string taken(text.c_str(), reinterpret_cast<const char *>(p));
            const size_t units = qoru_test::convertedUnits(partRef.data() + start, taken, limit - start);
            if (start + units < limit) partRef[start + units] = 0xABCD;
            if (p > end || stored - start != units || units != qoru_test::convertedUnits(nullptr, taken, 0)) abort();
            if (part != partRef) abort();
        }
        size_t counted = start;
        p = src;
        k->utf8ToUtf16(nullptr, counted, p, 0);
        const std::string seen(text.c_str(), reinterpret_cast<const char *>(p));
        if (counted - start != qoru_test::convertedUnits(nullptr, seen, 0)) abort();
    }
    return 0;
}
