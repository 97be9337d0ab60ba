// The sse2 level, the x86-64 baseline every CPU of the architecture runs.
//
// The baseline needs no target region: the kernel templates (u16_simd_x86.h,
// u16_kern_*.h) are included after every other header.
#include <immintrin.h>

#include "i18n/qoru16/u16_cpu_x86.h"
#include "i18n/qoru16/u16_pagerule.h"
#include "i18n/qoru16/u16_strk.h"
#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_utf8k.h"

#include "i18n/qoru16/u16_simd_x86.h"
#include "i18n/qoru16/u16_kern_to16.h"

namespace qoru {
namespace {

// String scans

// UTF-8 to UTF-16

void utf8ToUtf16Sse2(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    to16::utf8ToUtf16<to16::Sse2Ops<>, to16::Sse2Ops<>>(dst, count, p, limit);
}

void utf8ToUtf16BoundedSse2(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit) {
    to16::utf8ToUtf16Bounded<to16::Sse2Ops<>, to16::Sse2Ops<>>(dst, count, p, end, limit);
}

// UTF-16 to UTF-8

}  // namespace
}  // namespace qoru

namespace qoru {

const Kernels sse2Kernels = {
    .level = CpuLevel::sse2,
    .findZero = findZeroSse2,
    .findZeroOrUnit = findZeroOrUnitSse2,
    .findStop = findStopSse2,
    .findDifference = findDifferenceSse2,
    .copyString = copyStringSse2,
    .findZeroWithin = findZeroWithinSse2,
    .utf8ToUtf16 = utf8ToUtf16Sse2,
    .utf8ToUtf16Bounded = utf8ToUtf16BoundedSse2,
    .encodeUtf8 = encodeUtf8Sse2,
    .countUtf8 = countUtf8Sse2,
    .fillUtf8Block = fillUtf8BlockSse2,
};

}  // namespace qoru
