// The string scan kernels of every level the CPU has, on arbitrary units at arbitrary offsets, against the plain
// level (scanKernelFault): a and b are the input's units (up to the first zero) and a copy with one changed.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "i18n/qoru16/u16_strk.h"
#include "random_units.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    constexpr size_t header = 6;
    if (size < header) return 0;
    std::vector<char16_t> a((size - header) / sizeof(char16_t));
    if (!a.empty()) memcpy(a.data(), data + header, a.size() * sizeof(char16_t));  // no null pointer to memcpy
    a.resize(static_cast<size_t>(std::find(a.begin(), a.end(), 0) - a.begin()));
    a.push_back(0);
    const size_t offA = data[0] % 160u, offB = data[1] % 160u, at = (data[2] | data[3] << 8) % a.size();
    const auto changed = static_cast<char16_t>(data[4] | data[5] << 8);
    std::vector<char16_t> b = a;
    b[at] = changed;
    std::vector<char16_t> bufA(offA + a.size() + 160), bufB(offB + b.size() + 160);
    std::copy(a.begin(), a.end(), bufA.begin() + offA);
    std::copy(b.begin(), b.end(), bufB.begin() + offB);
    const size_t n = std::min(at + 1 + data[4] % 64u, a.size());
    const char16_t c = changed != 0 ? changed : a[at];
    for (int32_t level = 0; level < qoru::cpuLevelCount; ++level) {
        const qoru::Kernels *k = qoru::kernelsFor(static_cast<qoru::CpuLevel>(level));
        if (k != nullptr && !qoru_test::scanKernelFault(*k, &bufA[offA], &bufB[offB], c, n, data[5] % 128u).empty())
            abort();
    }
    return 0;
}
