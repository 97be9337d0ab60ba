// UTF-16 to UTF-8 on arbitrary units: every level's kernels against the
// baseline ones (the plain unit-by-unit code), and U2sToUtf8s against the
// plain rule, bytes past the terminator and the limit untouched. The first
// two bytes choose the limit and the writer block's starting fill; the
// string ends right before an unreadable page.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "guard_page.h"
#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_utf8k.h"
#include "qorucum.h"

namespace {

size_t plainBytes(char16_t u) { return u < 0x80 ? 1 : u < 0x800 ? 2 : 3; }

// The unit's bytes by itself, exactly; their count.
size_t plainEncode(char16_t u, uint8_t *out) {
    if (u < 0x80) return out[0] = static_cast<uint8_t>(u), 1;
    if (u < 0x800) return out[0] = static_cast<uint8_t>(0xC0 | u >> 6), out[1] = static_cast<uint8_t>(0x80 | (u & 0x3F)), 2;
    out[0] = static_cast<uint8_t>(0xE0 | u >> 12);
    out[1] = static_cast<uint8_t>(0x80 | (u >> 6 & 0x3F));
    out[2] = static_cast<uint8_t>(0x80 | (u & 0x3F));
    return 3;
}

void check(bool ok) {
    if (!ok) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    static const qoru_test::GuardPage guard;
    const size_t limit = data[0] * 8u + data[1] % 8;
    const size_t unitCount = (size - 2) / 2;
    if (unitCount + 1 > guard.size() / 2) return 0;
    char16_t *s = guard.tail<char16_t>(unitCount + 1);
    memcpy(s, data + 2, unitCount * 2);
    s[unitCount] = 0;
    size_t length = 0, total = 0;
    while (s[length] != 0) total += plainBytes(s[length++]);

    // The whole-string converter at the process's level.
    std::vector<uint8_t> out(limit + 8, 0xA5), want(limit + 8, 0xA5);
    size_t n = 0;
    for (size_t i = 0; limit > 0; ++i) {
        if (s[i] == 0 || n + plainBytes(s[i]) > limit) {
            want[n] = 0;
            break;
        }
        n += plainEncode(s[i], &want[n]);
        if (n == limit) break;
    }
    check(U2sToUtf8s(reinterpret_cast<char *>(out.data()), s, limit) == n && out == want);
    check(U2sToUtf8s(nullptr, s, limit) == total);

    // Every level's kernels against the baseline's.
    const qoru::Kernels *base = qoru::kernelsFor(qoru::CpuLevel::sse2);
    std::vector<uint8_t> block(qoru::utf8BlockThreshold + qoru::utf8BlockSlack), baseBlock(block.size());
    for (int32_t level = 1; level < qoru::cpuLevelCount; ++level) {
        const qoru::Kernels *k = qoru::kernelsFor(static_cast<qoru::CpuLevel>(level));
        if (k == nullptr) break;
        check(k->countUtf8(s) == total);
        std::vector<uint8_t> mine(limit + 8, 0xA5);
        const char16_t *at = s;
        const size_t got = k->encodeUtf8(mine.data(), 0, limit, at);
        std::vector<uint8_t> plain(3 * static_cast<size_t>(at - s) + 1);
        size_t plainCount = 0;
        for (const char16_t *p = s; p < at; ++p) plainCount += plainEncode(*p, &plain[plainCount]);
        check(got == plainCount && got <= limit && (*at == 0 || limit - got < 128) &&
              memcmp(mine.data(), plain.data(), got) == 0);
        for (size_t b = limit; b < mine.size(); ++b) check(mine[b] == 0xA5);
        if (length == 0) continue;
        size_t used = data[1] * 2u, baseUsed = used;
        const size_t units = k->fillUtf8Block(s, length, block.data(), used);
        check(units == base->fillUtf8Block(s, length, baseBlock.data(), baseUsed) && used == baseUsed &&
              memcmp(block.data() + data[1] * 2u, baseBlock.data() + data[1] * 2u, used - data[1] * 2u) == 0);
    }
    return 0;
}
