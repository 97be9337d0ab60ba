// The string scan kernels of the avx512 level (u16_kern_str.h).
#include <immintrin.h>

#include "i18n/qoru16/u16_cpu_x86.h"
#include "i18n/qoru16/u16_strk.h"

#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vl,popcnt,avx2,bmi,bmi2")
#define QORU_REC_AVX512
#include "i18n/qoru16/u16_kern_str.h"
#include "i18n/qoru16/u16_strk_rec.h"

namespace qoru {

const char16_t *findZeroAvx512(const char16_t *s) { return StrKern<Avx512>::findZero(s); }
const char16_t *findZeroOrUnitAvx512(const char16_t *s, char16_t c) { return StrKern<Avx512>::findZeroOrUnit(s, c); }
size_t findStopAvx512(const char16_t *a, const char16_t *b) { return StrKern<Avx512>::findStop(a, b); }
size_t findDifferenceAvx512(const char16_t *a, const char16_t *b, size_t n) {
    return StrKern<Avx512>::findDifference(a, b, n);
}
size_t copyStringAvx512(char16_t *dst, const char16_t *src) { return StrKern<Avx512>::copyString(dst, src); }
size_t findZeroWithinAvx512(const char16_t *s, size_t n) { return StrKern<Avx512>::findZeroWithin(s, n); }

}  // namespace qoru
#pragma GCC pop_options
