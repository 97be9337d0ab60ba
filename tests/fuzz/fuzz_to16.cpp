// The UTF-8 to UTF-16 kernels of every level the CPU has, on arbitrary bytes, against the plain level
// (utf16KernelFault). The first two bytes choose the units already stored, the limit and the end. Then the
// two exported converters: what Utf8sToU2s reads, U16sToUtf8s writes (unless a surrogate is unpaired) so
// that it reads back the same (fuzz_utf8 checks Utf8sToU2s itself).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "i18n/qoru16/u16_cpu.h"
#include "qorucum.h"
#include "utf8_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    const size_t start = data[0] % 24, limit = start + size_t{data[1]} * 3;
    const std::string text(reinterpret_cast<const char *>(data) + 2, size - 2);
    for (int32_t level = 0; level < qoru::cpuLevelCount; ++level) {
        const qoru::Kernels *k = qoru::kernelsFor(static_cast<qoru::CpuLevel>(level));
        if (k == nullptr) {
            static bool told[qoru::cpuLevelCount];
            if (!std::exchange(told[level], true))
                std::printf("not run: the CPU lacks %s\n", qoru::cpuLevelNames[level]);
            continue;
        }
        const char *end = text.c_str() + text.size() * data[1] / 256;
        if (!qoru_test::utf16KernelFault(*k, qoru::plainKernels, text.c_str(), start, limit, end).empty()) abort();
    }
    std::vector<char16_t> units(text.size() + 1), back(units.size());
    const size_t n = Utf8sToU2s(units.data(), text.c_str(), units.size());
    std::string bytes(text.size() * 2 + 1, '\0');
    if (n == SIZE_MAX || U16sToUtf8s(bytes.data(), units.data(), bytes.size()) == SIZE_MAX) return 0;
    if (Utf8sToU2s(back.data(), bytes.c_str(), back.size()) != n || units != back) abort();
    return 0;
}
