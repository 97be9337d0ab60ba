// The string scan kernels of the sse2 level (u16_kern_str.h).
#include <immintrin.h>

#include "i18n/qoru16/u16_cpu_x86.h"
#include "i18n/qoru16/u16_kern_str.h"
#include "i18n/qoru16/u16_strk.h"
#include "i18n/qoru16/u16_strk_rec.h"

namespace qoru {

const char16_t *findZeroSse2(const char16_t *s) { return StrKern<Sse2>::findZero(s); }
const char16_t *findZeroOrUnitSse2(const char16_t *s, char16_t c) { return StrKern<Sse2>::findZeroOrUnit(s, c); }
size_t findStopSse2(const char16_t *a, const char16_t *b) { return StrKern<Sse2>::findStop(a, b); }
size_t findDifferenceSse2(const char16_t *a, const char16_t *b, size_t n) {
    return StrKern<Sse2>::findDifference(a, b, n);
}
size_t copyStringSse2(char16_t *dst, const char16_t *src) { return StrKern<Sse2>::copyString(dst, src); }
size_t findZeroWithinSse2(const char16_t *s, size_t n) { return StrKern<Sse2>::findZeroWithin(s, n); }

void selectStringKernels(Kernels &k, CpuLevel level) {
    switch (level) {
    case CpuLevel::avx512:
        k.findZero = findZeroAvx512;
        k.findZeroOrUnit = findZeroOrUnitAvx512;
        k.findStop = findStopAvx512;
        k.findDifference = findDifferenceAvx512;
        k.copyString = copyStringAvx512;
        k.findZeroWithin = findZeroWithinAvx512;
        return;
    case CpuLevel::avx2:
        k.findZero = findZeroAvx2;
        k.findZeroOrUnit = findZeroOrUnitAvx2;
        k.findStop = findStopAvx2;
        k.findDifference = findDifferenceAvx2;
        k.copyString = copyStringAvx2;
        k.findZeroWithin = findZeroWithinAvx2;
        return;
    default:
        k.findZero = findZeroSse2;
        k.findZeroOrUnit = findZeroOrUnitSse2;
        k.findStop = findStopSse2;
        k.findDifference = findDifferenceSse2;
        k.copyString = copyStringSse2;
        k.findZeroWithin = findZeroWithinSse2;
        return;
    }
}

}  // namespace qoru
