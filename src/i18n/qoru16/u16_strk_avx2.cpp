// The string scan kernels of the avx2 level (u16_kern_str.h).
#include <immintrin.h>

#include "i18n/qoru16/u16_cpu_x86.h"
#include "i18n/qoru16/u16_strk.h"

#pragma GCC push_options
#pragma GCC target("avx2,bmi,bmi2")
#define QORU_REC_AVX2
#include "i18n/qoru16/u16_kern_str.h"
#include "i18n/qoru16/u16_strk_rec.h"

namespace qoru {

const char16_t *findZeroAvx2(const char16_t *s) { return StrKern<Avx2>::findZero(s); }
const char16_t *findZeroOrUnitAvx2(const char16_t *s, char16_t c) { return StrKern<Avx2>::findZeroOrUnit(s, c); }
size_t findStopAvx2(const char16_t *a, const char16_t *b) { return StrKern<Avx2>::findStop(a, b); }
size_t findDifferenceAvx2(const char16_t *a, const char16_t *b, size_t n) {
    return StrKern<Avx2>::findDifference(a, b, n);
}
size_t copyStringAvx2(char16_t *dst, const char16_t *src) { return StrKern<Avx2>::copyString(dst, src); }
size_t findZeroWithinAvx2(const char16_t *s, size_t n) { return StrKern<Avx2>::findZeroWithin(s, n); }

}  // namespace qoru
#pragma GCC pop_options
