// The avx2 level (AVX2, BMI, BMI2): 32-byte vectors.
//
// Its kernels are compiled in one target region, which includes the kernel
// templates (u16_simd_x86.h, u16_kern_*.h) after every other header; the
// constant table after it is what the dispatch (u16_cpu.cpp) hands out.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "i18n/qoru16/u16_cpu_x86.h"
#include "i18n/qoru16/u16_pagerule.h"
#include "i18n/qoru16/u16_strk.h"
#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_utf8k.h"

QORU_TARGET_BEGIN(QORU_TARGET_AVX2)
#include "i18n/qoru16/u16_simd_x86.h"
#include "i18n/qoru16/u16_kern_str.h"
#include "i18n/qoru16/u16_kern_to16.h"
#include "i18n/qoru16/u16_kern_to8.h"

namespace qoru {
namespace {

// String scans
template struct StrKern<Avx2>;
using Strings = StrKern<Avx2>;

// UTF-8 to UTF-16

void utf8ToUtf16Avx2(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    to16::utf8ToUtf16<to16::Avx2Ops<>, to16::Ssse3Ops<>>(dst, count, p, limit);
}

void utf8ToUtf16BoundedAvx2(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit) {
    to16::utf8ToUtf16Bounded<to16::Avx2Ops<>, to16::Ssse3Ops<>>(dst, count, p, end, limit);
}

// UTF-16 to UTF-8

size_t encodeUtf8Avx2(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    return to8::encodeUtf8<to8::Avx2, false>(out, n, limit, src);
}
size_t encodeRealUtf8Avx2(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    return to8::encodeUtf8<to8::Avx2, true>(out, n, limit, src);
}
size_t countUtf8Avx2(const char16_t *src) { return to8::countUtf8<to8::Avx2>(src); }
size_t fillUtf8BlockAvx2(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used) {
    return to8::fillUtf8Block<to8::Avx2>(units, remaining, buf, used);
}

}  // namespace
}  // namespace qoru
QORU_TARGET_END

namespace qoru {

const Kernels avx2Kernels = {
    .level = CpuLevel::avx2,
    .stringLength = Strings::stringLength,
    .findZeroOrUnit = Strings::findZeroOrUnit,
    .findUnit = Strings::findUnit,
    .findLast = Strings::findLast,
    .compare = Strings::compare,
    .copy = Strings::copy,
    .findZeroWithin = Strings::findZeroWithin,
    .findDifference = Strings::findDifference,
    .findUnitWithin = Strings::findUnitWithin,
    .fill = Strings::fill,
    .utf8ToUtf16 = utf8ToUtf16Avx2,
    .utf8ToUtf16Bounded = utf8ToUtf16BoundedAvx2,
    .encodeUtf8 = encodeUtf8Avx2,
    .encodeRealUtf8 = encodeRealUtf8Avx2,
    .countUtf8 = countUtf8Avx2,
    .fillUtf8Block = fillUtf8BlockAvx2,
};

}  // namespace qoru
