// The ssse3 level (SSSE3 and SSE4.1): byte shuffles for the conversions; the
// string scans are the sse2 level's, with SSE4.1's unsigned minimum.
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

QORU_TARGET_BEGIN(QORU_TARGET_SSSE3)
#include "i18n/qoru16/u16_simd_x86.h"
#include "i18n/qoru16/u16_kern_str.h"
#include "i18n/qoru16/u16_kern_to16.h"
#include "i18n/qoru16/u16_kern_to8.h"

namespace qoru {
namespace {

// String scans
template struct StrKern<Ssse3>;
using Strings = StrKern<Ssse3>;

// UTF-8 to UTF-16

void utf8ToUtf16Ssse3(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    to16::utf8ToUtf16<to16::Ssse3Ops<>, to16::Ssse3Ops<>>(dst, count, p, limit);
}

void utf8ToUtf16BoundedSsse3(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit) {
    to16::utf8ToUtf16Bounded<to16::Ssse3Ops<>, to16::Ssse3Ops<>>(dst, count, p, end, limit);
}

// UTF-16 to UTF-8

size_t encodeUtf8Ssse3(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    return to8::encodeUtf8<to8::Ssse3, false>(out, n, limit, src);
}
size_t encodeRealUtf8Ssse3(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    return to8::encodeUtf8<to8::Ssse3, true>(out, n, limit, src);
}
size_t countUtf8Ssse3(const char16_t *src) { return to8::countUtf8<to8::Ssse3>(src); }
size_t fillUtf8BlockSsse3(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used) {
    return to8::fillUtf8Block<to8::Ssse3>(units, remaining, buf, used);
}

}  // namespace
}  // namespace qoru
QORU_TARGET_END

namespace qoru {

const Kernels ssse3Kernels = {
    .level = CpuLevel::ssse3,
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
    .utf8ToUtf16 = utf8ToUtf16Ssse3,
    .utf8ToUtf16Bounded = utf8ToUtf16BoundedSsse3,
    .encodeUtf8 = encodeUtf8Ssse3,
    .encodeRealUtf8 = encodeRealUtf8Ssse3,
    .countUtf8 = countUtf8Ssse3,
    .fillUtf8Block = fillUtf8BlockSsse3,
};

}  // namespace qoru
