// UTF-16 to UTF-8 on arbitrary units: every level's kernels against the
// baseline ones (the plain unit-by-unit code), and U2sToUtf8s against the
// plain rule, bytes past the terminator and the limit untouched. The first
// two bytes choose the limit and the writer block's starting fill; the
// string ends right before an unreadable page.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "guard_page.h"
#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_utf8k.h"
#include "qorucum.h"
#include "utf8_text.h"

static void check(bool ok) {
    if (!ok) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    static const qoru_test::GuardPage guard;
    const size_t limit = data[0] * 8u + data[1] % 8;
    const size_t unitCount = (size - 2) / 2;
    if (unitCount + 1 > guard.size() / 2) return 0;
    char16_t *s = guard.tail<char16_t>(unitCount + 1);
    memcpy(s, data + 2, unitCount * 2);
    s[unitCount] = 0;
    const size_t length = std::char_traits<char16_t>::length(s), total = qoru_test::unitsUtf8(s, length).size();

    // The whole-string converter at the process's level.
    std::vector<uint8_t> out(limit + 8, 0xA5), want(limit + 8, 0xA5);
    const size_t n = qoru_test::refToUtf8(want.data(), s, limit);
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
        const std::string plain = qoru_test::unitsUtf8(s, static_cast<size_t>(at - s));
        check(got == plain.size() && got <= limit && (*at == 0 || limit - got < 128) &&
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
