// The sse2 level, the x86-64 baseline every CPU of the architecture runs.
//
// The baseline needs no target region: the kernel templates (u16_simd_x86.h,
// u16_kern_*.h) are included after every other header.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "i18n/qoru16/u16_cpu_x86.h"
#include "i18n/qoru16/u16_pagerule.h"
#include "i18n/qoru16/u16_strk.h"
#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_utf8k.h"

#include "i18n/qoru16/u16_simd_x86.h"
#include "i18n/qoru16/u16_kern_str.h"
#include "i18n/qoru16/u16_kern_to16.h"
#include "i18n/qoru16/u16_kern_to8.h"

namespace qoru {
namespace {

// String scans
template struct StrKern<Sse2>;
using Strings = StrKern<Sse2>;

// UTF-8 to UTF-16

void utf8ToUtf16Sse2(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    to16::utf8ToUtf16<to16::Sse2Ops<>, to16::Sse2Ops<>>(dst, count, p, limit);
}

void utf8ToUtf16BoundedSse2(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit) {
    to16::utf8ToUtf16Bounded<to16::Sse2Ops<>, to16::Sse2Ops<>>(dst, count, p, end, limit);
}

// UTF-16 to UTF-8

size_t encodeUtf8Sse2(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    return to8::encodeUtf8<to8::Sse2, false>(out, n, limit, src);
}
size_t encodeRealUtf8Sse2(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    return to8::encodeUtf8<to8::Sse2, true>(out, n, limit, src);
}
size_t countUtf8Sse2(const char16_t *src) { return to8::countUtf8<to8::Sse2>(src); }
size_t fillUtf8BlockSse2(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used) {
    return to8::fillUtf8Block<to8::Sse2>(units, remaining, buf, used);
}

}  // namespace
}  // namespace qoru

namespace qoru {

const Kernels sse2Kernels = {
    .level = CpuLevel::sse2,
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
    .utf8ToUtf16 = utf8ToUtf16Sse2,
    .utf8ToUtf16Bounded = utf8ToUtf16BoundedSse2,
    .encodeUtf8 = encodeUtf8Sse2,
    .encodeRealUtf8 = encodeRealUtf8Sse2,
    .countUtf8 = countUtf8Sse2,
    .fillUtf8Block = fillUtf8BlockSse2,
};

}  // namespace qoru
