// The avx512 level (AVX-512 F, BW and VL): 64-byte vectors and masked
// stores. A CPU that also has VBMI2 takes avx512Vbmi2Kernels, whose UTF-8
// decoder packs units with VBMI2's compress.
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

QORU_TARGET_BEGIN(QORU_TARGET_AVX512)
#include "i18n/qoru16/u16_simd_x86.h"
#include "i18n/qoru16/u16_kern_str.h"
#include "i18n/qoru16/u16_kern_to16.h"
#include "i18n/qoru16/u16_kern_to8.h"

namespace qoru {
namespace {

// String scans
template struct StrKern<Avx512>;
using Strings = StrKern<Avx512>;

// UTF-8 to UTF-16

void utf8ToUtf16Avx512(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    to16::utf8ToUtf16<to16::Avx512Ops<false>, to16::Ssse3Ops<>>(dst, count, p, limit);
}

void utf8ToUtf16BoundedAvx512(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit) {
    to16::utf8ToUtf16Bounded<to16::Avx512Ops<false>, to16::Ssse3Ops<>>(dst, count, p, end, limit);
}

void utf8ToUtf16Avx512Vbmi2(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    to16::utf8ToUtf16<to16::Avx512Ops<true>, to16::Ssse3Ops<>>(dst, count, p, limit);
}

void utf8ToUtf16BoundedAvx512Vbmi2(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit) {
    to16::utf8ToUtf16Bounded<to16::Avx512Ops<true>, to16::Ssse3Ops<>>(dst, count, p, end, limit);
}

// UTF-16 to UTF-8

size_t encodeUtf8Avx512(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    return to8::encodeUtf8<to8::Avx512, false>(out, n, limit, src);
}
size_t encodeRealUtf8Avx512(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    return to8::encodeUtf8<to8::Avx512, true>(out, n, limit, src);
}
size_t countUtf8Avx512(const char16_t *src) { return to8::countUtf8<to8::Avx512>(src); }
size_t fillUtf8BlockAvx512(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used) {
    return to8::fillUtf8Block<to8::Avx512>(units, remaining, buf, used);
}

}  // namespace
}  // namespace qoru
QORU_TARGET_END

namespace qoru {

const Kernels avx512Kernels = {
    .level = CpuLevel::avx512,
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
    .utf8ToUtf16 = utf8ToUtf16Avx512,
    .utf8ToUtf16Bounded = utf8ToUtf16BoundedAvx512,
    .encodeUtf8 = encodeUtf8Avx512,
    .encodeRealUtf8 = encodeRealUtf8Avx512,
    .countUtf8 = countUtf8Avx512,
    .fillUtf8Block = fillUtf8BlockAvx512,
};

const Kernels avx512Vbmi2Kernels = {
    .level = CpuLevel::avx512,
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
    .utf8ToUtf16 = utf8ToUtf16Avx512Vbmi2,
    .utf8ToUtf16Bounded = utf8ToUtf16BoundedAvx512Vbmi2,
    .encodeUtf8 = encodeUtf8Avx512,
    .encodeRealUtf8 = encodeRealUtf8Avx512,
    .countUtf8 = countUtf8Avx512,
    .fillUtf8Block = fillUtf8BlockAvx512,
};

}  // namespace qoru
