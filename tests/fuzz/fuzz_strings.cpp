// The string scan kernels of every level the CPU has, on arbitrary units at
// arbitrary offsets, against plain loops: a and b are the input's units
// (up to the first zero) and a copy with one unit changed.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "i18n/qoru16/u16_strk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    constexpr size_t header = 6;
    if (size < header) return 0;
    std::vector<char16_t> a((size - header) / sizeof(char16_t));
    memcpy(a.data(), data + header, a.size() * sizeof(char16_t));
    a.resize(static_cast<size_t>(std::find(a.begin(), a.end(), 0) - a.begin()));
    a.push_back(0);
    const size_t len = a.size() - 1, offA = data[0] % 160u, offB = data[1] % 160u;
    const size_t at = (data[2] | data[3] << 8) % a.size();
    const auto changed = static_cast<char16_t>(data[4] | data[5] << 8);
    std::vector<char16_t> b = a;
    b[at] = changed;
    std::vector<char16_t> bufA(offA + a.size() + 160), bufB(offB + b.size() + 160), out(a.size() + 200, 0xABCD);
    std::copy(a.begin(), a.end(), bufA.begin() + offA);
    std::copy(b.begin(), b.end(), bufB.begin() + offB);
    const char16_t *pa = &bufA[offA], *pb = &bufB[offB];
    size_t stop = 0;
    while (pa[stop] != 0 && pa[stop] == pb[stop]) ++stop;
    const size_t n = std::min(at + 1 + data[4] % 64u, a.size());
    const size_t differ = static_cast<size_t>(std::mismatch(pa, pa + n, pb).first - pa);
    const char16_t c = changed != 0 ? changed : a[at];
    for (int32_t level = 0; level < qoru::cpuLevelCount; ++level) {
        const qoru::Kernels *k = qoru::kernelsFor(static_cast<qoru::CpuLevel>(level));
        if (k == nullptr) continue;
        if (k->findZero(pa) != pa + len) abort();
        if (k->findZeroOrUnit(pa, c) != std::find(pa, pa + len, c)) abort();
        if (k->findStop(pa, pb) != stop) abort();
        if (k->findDifference(pa, pb, n) != differ) abort();
        std::fill(out.begin(), out.end(), 0xABCD);
        char16_t *dst = &out[data[5] % 100u];
        if (k->copyString(dst, pa) != len || !std::equal(a.begin(), a.end(), dst)) abort();
        if (std::count(out.begin(), out.end(), 0xABCD) < static_cast<ptrdiff_t>(out.size() - a.size())) abort();
    }
    return 0;
}
