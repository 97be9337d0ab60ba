// UTF-16 to UTF-8 conversion kernels per CPU level, and the baseline (SSE2)
// kernels: ASCII eight units at a time, every other unit by itself.
#include "i18n/qoru16/u16_utf8k.h"

#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_words.h"

namespace qoru {

size_t encodeUtf8Sse2(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    if (limit < 8) return n;
    // While there is room for eight more bytes no limit test is needed per unit.
    const size_t stop = limit - 8;
    const char16_t *s = src;
    while (n <= stop) {
        const char16_t u = *s;
        if (u == 0) break;
        // The eight-unit read stays within the page of the unit at s.
        if (u < 0x80 && s[1] != 0 && s[1] < 0x80 && staysInPage(s, 16) &&
            packAsciiUnits(loadUnaligned(s), out + n, true)) {
            n += 8;
            s += 8;
            continue;
        }
        n += encodeUnitByItself(u, out + n);
        ++s;
    }
    src = s;
    return n;
}

size_t countUtf8Sse2(const char16_t *src) {
    size_t total = 0;
    for (; *src != 0; ++src) total += *src < 0x80 ? 1 : *src < 0x800 ? 2 : 3;
    return total;
}

size_t fillUtf8BlockSse2(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used) {
    constexpr size_t group = 8;
    size_t i = 0;
    size_t k = used;
    while (i < remaining && k <= utf8BlockThreshold) {
        if (remaining - i >= group && k + group <= utf8BlockThreshold + 1 &&
            packAsciiUnits(loadUnits(units + i), buf + k, false)) {
            k += group;
            i += group;
        } else {
            i += encodeWriterUnit(units + i, remaining - i, buf, k);
        }
    }
    used = k;
    return i;
}

}  // namespace qoru
