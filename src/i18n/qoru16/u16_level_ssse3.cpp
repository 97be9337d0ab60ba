// The ssse3 level (SSSE3 and SSE4.1): byte shuffles for the conversions; the
// string scans are the sse2 level's.
//
// Its kernels are compiled in one target region, which includes the kernel
// templates (u16_simd_x86.h, u16_kern_*.h) after every other header; the
// constant table after it is what the dispatch (u16_cpu.cpp) hands out.
#include <immintrin.h>

#include "i18n/qoru16/u16_cpu_x86.h"
#include "i18n/qoru16/u16_pagerule.h"
#include "i18n/qoru16/u16_strk.h"
#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_utf8k.h"

QORU_TARGET_BEGIN(QORU_TARGET_SSSE3)
#include "i18n/qoru16/u16_simd_x86.h"
#include "i18n/qoru16/u16_kern_to16.h"

namespace qoru {
namespace {

// String scans

// UTF-8 to UTF-16

void utf8ToUtf16Ssse3(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    to16::utf8ToUtf16<to16::Ssse3Ops<>, to16::Ssse3Ops<>>(dst, count, p, limit);
}

void utf8ToUtf16BoundedSsse3(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit) {
    to16::utf8ToUtf16Bounded<to16::Ssse3Ops<>, to16::Ssse3Ops<>>(dst, count, p, end, limit);
}

// UTF-16 to UTF-8

}  // namespace
}  // namespace qoru
QORU_TARGET_END

namespace qoru {

const Kernels ssse3Kernels = {
    .level = CpuLevel::ssse3,
    .findZero = findZeroSse2,
    .findZeroOrUnit = findZeroOrUnitSse2,
    .findStop = findStopSse2,
    .findDifference = findDifferenceSse2,
    .copyString = copyStringSse2,
    .findZeroWithin = findZeroWithinSse2,
    .utf8ToUtf16 = utf8ToUtf16Ssse3,
    .utf8ToUtf16Bounded = utf8ToUtf16BoundedSsse3,
    .encodeUtf8 = encodeUtf8Ssse3,
    .countUtf8 = countUtf8Ssse3,
    .fillUtf8Block = fillUtf8BlockSsse3,
};

}  // namespace qoru
