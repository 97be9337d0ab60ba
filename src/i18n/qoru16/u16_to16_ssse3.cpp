// Temporary: the ssse3 level's UTF-8 decoder until the level files exist.
#include <immintrin.h>

#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_pagerule.h"
#include "i18n/qoru16/u16_utf8.h"

// GCC 12's AVX-512 headers use an undefined value (__Y) as the merge source
// of their unmasked forms, which its own analysis reports.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC push_options
#pragma GCC target("ssse3,sse4.1")
#include "i18n/qoru16/u16_kern_to16.h"

namespace qoru {
void utf8ToUtf16_ssse3(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    to16::utf8ToUtf16<to16::Ssse3Ops<>, to16::Ssse3Ops<>>(dst, count, p, limit);
}
void utf8ToUtf16Bounded_ssse3(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit) {
    to16::utf8ToUtf16Bounded<to16::Ssse3Ops<>, to16::Ssse3Ops<>>(dst, count, p, end, limit);
}
}  // namespace qoru
#pragma GCC pop_options
