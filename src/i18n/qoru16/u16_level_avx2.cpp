// The avx2 level (AVX2, BMI, BMI2): 32-byte vectors.
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

QORU_TARGET_BEGIN(QORU_TARGET_AVX2)
#include "i18n/qoru16/u16_simd_x86.h"
#include "i18n/qoru16/u16_kern_to16.h"

namespace qoru {
namespace {

// String scans

// UTF-8 to UTF-16

void utf8ToUtf16Avx2(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    to16::utf8ToUtf16<to16::Avx2Ops<>, to16::Ssse3Ops<>>(dst, count, p, limit);
}

void utf8ToUtf16BoundedAvx2(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit) {
    to16::utf8ToUtf16Bounded<to16::Avx2Ops<>, to16::Ssse3Ops<>>(dst, count, p, end, limit);
}

// UTF-16 to UTF-8

}  // namespace
}  // namespace qoru
QORU_TARGET_END

namespace qoru {

const Kernels avx2Kernels = {
    .level = CpuLevel::avx2,
    .findZero = findZeroAvx2,
    .findZeroOrUnit = findZeroOrUnitAvx2,
    .findStop = findStopAvx2,
    .findDifference = findDifferenceAvx2,
    .copyString = copyStringAvx2,
    .findZeroWithin = findZeroWithinSse2,
    .utf8ToUtf16 = utf8ToUtf16Avx2,
    .utf8ToUtf16Bounded = utf8ToUtf16BoundedAvx2,
    .encodeUtf8 = encodeUtf8Avx2,
    .countUtf8 = countUtf8Avx2,
    .fillUtf8Block = fillUtf8BlockAvx2,
};

}  // namespace qoru
