/* A stand-in for the ICU libraries in the binder's tests. One source builds
 * the common, data and i18n libraries of every test case; switches:
 *   QD_SUFFIX       the entry-point suffix token, e.g. _50
 *   QD_COMMON, QD_DATA, QD_I18N   which library this is
 *   QD_NO_SHAPE     the common library lacks u_shapeArabic
 *   QD_NO_UPPER     the common library lacks u_isupper
 *   QD_BAD_DATA     u_toupper leaves U+0101 unchanged (the data check fails)
 *   QD_NO_UCOL      the i18n library lacks ucol_open
 * The character functions know ASCII, Latin-1 letters and U+0100/U+0101;
 * the version functions report ICU 50.1.2 with Unicode 6.2. Only the names
 * of the other entry points matter: they do nothing. */
#include <stdint.h>
#include <stdio.h>

#ifdef _WIN32
#define QD_EXPORT __declspec(dllexport)
#else
#define QD_EXPORT __attribute__((visibility("default")))
#endif

#define QD_PASTE2(a, b) a##b
#define QD_PASTE(a, b) QD_PASTE2(a, b)
#define QD(name) QD_PASTE(name, QD_SUFFIX)
#define QD_DUMMY(name) \
    QD_EXPORT void QD(name)(void) {}

#ifdef QD_DATA
QD_EXPORT int QD(icudt_double_marker) = 1;
#endif

#ifdef QD_COMMON
static int isUpperLetter(int32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || c == 0x100; }
static int isLowerLetter(int32_t c) { return (c >= 'a' && c <= 'z') || (c >= 0xDF && c <= 0xFF && c != 0xF7) || c == 0x101; }
static int isDigit(int32_t c) { return c >= '0' && c <= '9'; }

QD_EXPORT int8_t QD(u_isalnum)(int32_t c) { return isUpperLetter(c) || isLowerLetter(c) || isDigit(c); }
QD_EXPORT int8_t QD(u_isalpha)(int32_t c) { return isUpperLetter(c) || isLowerLetter(c); }
QD_EXPORT int8_t QD(u_iscntrl)(int32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }
QD_EXPORT int8_t QD(u_islower)(int32_t c) { return isLowerLetter(c); }
QD_EXPORT int8_t QD(u_isprint)(int32_t c) { return c >= 0x20 && !(c >= 0x7F && c < 0xA0) && c <= 0x10FFFF; }
QD_EXPORT int8_t QD(u_isspace)(int32_t c) { return (c >= 9 && c <= 13) || c == ' ' || c == 0x85 || c == 0xA0; }
#ifndef QD_NO_UPPER
QD_EXPORT int8_t QD(u_isupper)(int32_t c) { return isUpperLetter(c); }
#endif
QD_EXPORT int32_t QD(u_toupper)(int32_t c) {
#ifdef QD_BAD_DATA
    if (c == 0x101) return c;
#endif
    if (c == 0x101) return 0x100;
    if (c == 0xDF || c == 0xFF) return c;
    return isLowerLetter(c) ? c - 0x20 : c;
}
QD_EXPORT int32_t QD(u_tolower)(int32_t c) {
    if (c == 0x100) return 0x101;
    return isUpperLetter(c) ? c + 0x20 : c;
}

static void setVersion(uint8_t *v, uint8_t a, uint8_t b, uint8_t c) { v[0] = a; v[1] = b; v[2] = c; v[3] = 0; }
QD_EXPORT void QD(u_getVersion)(uint8_t *v) { setVersion(v, 50, 1, 2); }
QD_EXPORT void QD(u_getUnicodeVersion)(uint8_t *v) { setVersion(v, 6, 2, 0); }
/* As ICU: dotted fields, trailing zero fields left off (at least two kept). */
QD_EXPORT void QD(u_versionToString)(const uint8_t *v, char *out) {
    int n = 4;
    while (n > 2 && v[n - 1] == 0) --n;
    int at = 0;
    for (int i = 0; i < n; ++i) at += sprintf(out + at, i ? ".%u" : "%u", v[i]);
}

QD_DUMMY(u_errorName) QD_DUMMY(u_charType) QD_DUMMY(u_getIntPropertyValue) QD_DUMMY(u_charDirection)
QD_DUMMY(u_getPropertyEnum) QD_DUMMY(u_getPropertyValueName) QD_DUMMY(uenum_unext) QD_DUMMY(uenum_count)
QD_DUMMY(u_strToUpper)
QD_DUMMY(ubidi_open) QD_DUMMY(ubidi_close) QD_DUMMY(ubidi_setInverse) QD_DUMMY(ubidi_setPara)
QD_DUMMY(ubidi_writeReordered) QD_DUMMY(ubidi_getLogicalMap) QD_DUMMY(ubidi_getVisualMap)
QD_DUMMY(ubidi_getLevelAt) QD_DUMMY(u_charMirror)
#ifndef QD_NO_SHAPE
QD_DUMMY(u_shapeArabic)
#endif
QD_DUMMY(unorm_normalize) QD_DUMMY(unorm_quickCheck) QD_DUMMY(unorm_quickCheckWithOptions)
QD_DUMMY(unorm_isNormalized) QD_DUMMY(unorm_isNormalizedWithOptions) QD_DUMMY(unorm_next)
QD_DUMMY(unorm_previous) QD_DUMMY(unorm_concatenate) QD_DUMMY(unorm_compare)
QD_DUMMY(ubrk_open) QD_DUMMY(ubrk_openRules) QD_DUMMY(ubrk_safeClone) QD_DUMMY(ubrk_close)
QD_DUMMY(ubrk_setText) QD_DUMMY(ubrk_current) QD_DUMMY(ubrk_next) QD_DUMMY(ubrk_previous)
QD_DUMMY(ubrk_first) QD_DUMMY(ubrk_last) QD_DUMMY(ubrk_preceding) QD_DUMMY(ubrk_following)
QD_DUMMY(ubrk_getAvailable) QD_DUMMY(ubrk_countAvailable) QD_DUMMY(ubrk_isBoundary)
QD_DUMMY(ubrk_getRuleStatus) QD_DUMMY(ubrk_getLocaleByType) QD_DUMMY(uloc_getDefault)
QD_DUMMY(uidna_toASCII) QD_DUMMY(uidna_toUnicode) QD_DUMMY(uidna_IDNToASCII) QD_DUMMY(uidna_IDNToUnicode)
QD_DUMMY(uidna_compare)
#endif

#ifdef QD_I18N
#ifndef QD_NO_UCOL
QD_DUMMY(ucol_open)
#endif
QD_DUMMY(ucol_strcoll) QD_DUMMY(ucol_close) QD_DUMMY(ucol_setStrength) QD_DUMMY(ucol_getSortKey)
QD_DUMMY(ucol_getLocaleByType)
QD_DUMMY(utrans_openU) QD_DUMMY(utrans_openInverse) QD_DUMMY(utrans_close) QD_DUMMY(utrans_getUnicodeID)
QD_DUMMY(utrans_setFilter) QD_DUMMY(utrans_countAvailableIDs) QD_DUMMY(utrans_openIDs)
QD_DUMMY(utrans_transUChars)
QD_DUMMY(ucal_getAvailable) QD_DUMMY(ucal_countAvailable) QD_DUMMY(ucal_open) QD_DUMMY(ucal_close)
QD_DUMMY(ucal_set) QD_DUMMY(ucal_setDate) QD_DUMMY(ucal_get) QD_DUMMY(ucal_getMillis)
QD_DUMMY(ucal_setMillis)
#endif
