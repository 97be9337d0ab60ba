// UTF-16 to UTF-8 on arbitrary units: every level's kernels against the plain level's (utf8KernelFault), and
// U2sToUtf8s and U16sToUtf8s against their plain rules, bytes past the terminator (U2sToUtf8s) and the limit
// untouched. The first two bytes
// choose the limit and the writer block's starting fill; the string ends right before an unreadable page.
#include <cstdio>
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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    static const qoru_test::GuardPage guard;
    const size_t limit = data[0] * 8u + data[1] % 8;
    const size_t unitCount = (size - 2) / 2;
    if (unitCount + 1 > guard.size() / 2) return 0;
    char16_t *s = guard.tail<char16_t>(unitCount + 1);
    memcpy(s, data + 2, unitCount * 2);
    s[unitCount] = 0;
    const size_t total = qoru_test::unitsUtf8(s, std::char_traits<char16_t>::length(s)).size();

    // The whole-string converter at the process's level.
    std::vector<uint8_t> out(limit + 8, 0xA5), want(limit + 8, 0xA5);
    const size_t n = qoru_test::refToUtf8(want.data(), s, limit);
    if (U2sToUtf8s(reinterpret_cast<char *>(out.data()), s, limit) != n || out != want) abort();
    if (U2sToUtf8s(nullptr, s, limit) != total) abort();
    // 0xFF is never in UTF-8: no byte after the result changes.
    std::vector<uint8_t> real(limit + 8, 0xFF), realWant(limit + 8, 0xFF);
    if (U16sToUtf8s(reinterpret_cast<char *>(real.data()), s, limit) != qoru_test::refToRealUtf8(realWant.data(), s, limit) ||
        U16sToUtf8s(nullptr, s, limit) != qoru_test::refToRealUtf8(nullptr, s, 0))
        abort();
    if (real != realWant) abort();

    // Every level's kernels against the plain level's; the writer never fills a block past its threshold.
    using qoru::utf8BlockSlack, qoru::utf8BlockThreshold;
    const size_t used = data[1] * 2u % (utf8BlockThreshold + 1);
    for (int32_t level = 0; level < qoru::cpuLevelCount; ++level) {
        const qoru::Kernels *k = qoru::kernelsFor(static_cast<qoru::CpuLevel>(level));
        if (k == nullptr) {  // named once: the CPU lacks it, or it is another architecture's
            static bool named[qoru::cpuLevelCount];
            if (!named[level]) fprintf(stderr, "fuzz_to_utf8: no %s level here\n", qoru::cpuLevelNames[level]);
            named[level] = true;
            continue;
        }
        if (!qoru_test::utf8KernelFault<utf8BlockThreshold, utf8BlockSlack>(*k, qoru::plainKernels, s, 0, limit, 0,
                                                                             used)
                 .empty())
            abort();
    }
    return 0;
}
