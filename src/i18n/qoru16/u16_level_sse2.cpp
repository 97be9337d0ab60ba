// The sse2 level, the x86-64 baseline every CPU of the architecture runs.
//
// The baseline needs no target region: the kernel templates (u16_simd_x86.h,
// u16_kern_*.h) are included after every other header.
#include <immintrin.h>

#include "i18n/qoru16/u16_cpu_x86.h"
#include "i18n/qoru16/u16_strk.h"
#include "i18n/qoru16/u16_utf8k.h"

#include "i18n/qoru16/u16_kern_str.h"
#include "i18n/qoru16/u16_simd_x86.h"

namespace qoru {
namespace {

// String scans
template struct StrKern<Sse2>;
using Strings = StrKern<Sse2>;

// UTF-8 to UTF-16

// UTF-16 to UTF-8

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
    .utf8ToUtf16Bounded = nullptr,
    .encodeUtf8 = encodeUtf8Sse2,
    .countUtf8 = countUtf8Sse2,
    .fillUtf8Block = fillUtf8BlockSse2,
};

}  // namespace qoru
