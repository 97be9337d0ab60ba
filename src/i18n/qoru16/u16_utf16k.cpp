// The UTF-8 to UTF-16 kernels of each x86-64 level (u16_kern_to16.h).
#include <cstddef>
#include <cstdint>

#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_cpu_x86.h"

namespace qoru {

#define QORU_TO16(level)                                                                     \
    void utf8ToUtf16_##level(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit); \
    void utf8ToUtf16Bounded_##level(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit);
QORU_TO16(sse2)
QORU_TO16(ssse3)
QORU_TO16(avx2)
QORU_TO16(avx512)
QORU_TO16(avx512vbmi2)

void selectUtf16Kernels(Kernels &k, CpuLevel level) {
    switch (level) {
    case CpuLevel::sse2:
    case CpuLevel::plain:
    case CpuLevel::neon:
        k.utf8ToUtf16 = utf8ToUtf16_sse2;
        k.utf8ToUtf16Bounded = utf8ToUtf16Bounded_sse2;
        break;
    case CpuLevel::ssse3:
        k.utf8ToUtf16 = utf8ToUtf16_ssse3;
        k.utf8ToUtf16Bounded = utf8ToUtf16Bounded_ssse3;
        break;
    case CpuLevel::avx2:
        k.utf8ToUtf16 = utf8ToUtf16_avx2;
        k.utf8ToUtf16Bounded = utf8ToUtf16Bounded_avx2;
        break;
    case CpuLevel::avx512:
        k.utf8ToUtf16 = cpuHasAvx512Vbmi2Target() ? utf8ToUtf16_avx512vbmi2 : utf8ToUtf16_avx512;
        k.utf8ToUtf16Bounded = cpuHasAvx512Vbmi2Target() ? utf8ToUtf16Bounded_avx512vbmi2 : utf8ToUtf16Bounded_avx512;
        break;
    }
}

}  // namespace qoru
