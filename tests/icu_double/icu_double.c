/* A stand-in for the ICU libraries in the binder's tests: QD_COMMON, QD_DATA or QD_I18N picks the library, QD_SUFFIX
 * the entry-point suffix; QD_NO_SHAPE, QD_NO_UPPER and QD_NO_UCOL leave out one entry point, QD_BAD_DATA fails the
 * data check (U+0101 keeps its case). Case knows ASCII and Latin-1; most entry points only have to exist.
 * Nothing is marked for export: ELF and the PE linker (when nothing is marked) export every global name. */
#include <stdint.h>
#include <stdio.h>

#define QD_PASTE(a, b) a##b
#define QD_NAME(a, b) QD_PASTE(a, b)
#define QD(name) QD_NAME(name, QD_SUFFIX)
#define QD_DUMMY(name) void QD(name)(void) {}

#ifdef QD_DATA
int QD(icudt_double_marker) = 1;
#endif

#ifdef QD_COMMON
static int up(int32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7); }
static int low(int32_t c) { return (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7); }
int8_t QD(u_isalnum)(int32_t c) { return up(c) || low(c) || (c >= '0' && c <= '9'); }
int8_t QD(u_isalpha)(int32_t c) { return up(c) || low(c); }
int8_t QD(u_iscntrl)(int32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }
int8_t QD(u_islower)(int32_t c) { return low(c); }
int8_t QD(u_isprint)(int32_t c) { return c >= 0x20 && !(c >= 0x7F && c < 0xA0); }
int8_t QD(u_isspace)(int32_t c) { return (c >= 9 && c <= 13) || c == ' '; }
#ifndef QD_NO_UPPER
int8_t QD(u_isupper)(int32_t c) { return up(c); }
#endif
#ifndef QD_BAD_DATA
#define QD_BAD_DATA 0
#endif
int32_t QD(u_toupper)(int32_t c) { return c == 0x101 && !QD_BAD_DATA ? 0x100 : low(c) ? c - 0x20 : c; }
int32_t QD(u_tolower)(int32_t c) { return up(c) ? c + 0x20 : c; }
/* ICU 50.1.2 with Unicode 6.2; a zero third field is left off, as ICU does. */
void QD(u_getVersion)(uint8_t *v) { v[0] = 50, v[1] = 1, v[2] = 2, v[3] = 0; }
void QD(u_getUnicodeVersion)(uint8_t *v) { v[0] = 6, v[1] = 2, v[2] = v[3] = 0; }
void QD(u_versionToString)(const uint8_t *v, char *out) {
    sprintf(out, v[2] ? "%u.%u.%u" : "%u.%u", v[0], v[1], v[2]);
}

QD_DUMMY(u_errorName) QD_DUMMY(u_charType) QD_DUMMY(u_getIntPropertyValue) QD_DUMMY(u_charDirection)
QD_DUMMY(u_getPropertyEnum) QD_DUMMY(u_getPropertyValueName) QD_DUMMY(uenum_unext) QD_DUMMY(uenum_count)
QD_DUMMY(u_strToUpper) QD_DUMMY(ubidi_open) QD_DUMMY(ubidi_close) QD_DUMMY(ubidi_setInverse) QD_DUMMY(ubidi_setPara)
QD_DUMMY(ubidi_writeReordered) QD_DUMMY(ubidi_getLogicalMap) QD_DUMMY(ubidi_getVisualMap) QD_DUMMY(ubidi_getLevelAt)
QD_DUMMY(u_charMirror) QD_DUMMY(unorm_normalize) QD_DUMMY(unorm_quickCheck) QD_DUMMY(unorm_quickCheckWithOptions)
QD_DUMMY(unorm_isNormalized) QD_DUMMY(unorm_isNormalizedWithOptions) QD_DUMMY(unorm_next) QD_DUMMY(unorm_previous)
QD_DUMMY(unorm_concatenate) QD_DUMMY(unorm_compare) QD_DUMMY(ubrk_open) QD_DUMMY(ubrk_openRules)
QD_DUMMY(ubrk_safeClone) QD_DUMMY(ubrk_close) QD_DUMMY(ubrk_setText) QD_DUMMY(ubrk_current) QD_DUMMY(ubrk_next)
QD_DUMMY(ubrk_previous) QD_DUMMY(ubrk_first) QD_DUMMY(ubrk_last) QD_DUMMY(ubrk_preceding) QD_DUMMY(ubrk_following)
QD_DUMMY(ubrk_getAvailable) QD_DUMMY(ubrk_countAvailable) QD_DUMMY(ubrk_isBoundary) QD_DUMMY(ubrk_getRuleStatus)
QD_DUMMY(ubrk_getLocaleByType) QD_DUMMY(uloc_getDefault) QD_DUMMY(uidna_toASCII) QD_DUMMY(uidna_toUnicode)
QD_DUMMY(uidna_IDNToASCII) QD_DUMMY(uidna_IDNToUnicode) QD_DUMMY(uidna_compare)
#ifndef QD_NO_SHAPE
QD_DUMMY(u_shapeArabic)
#endif
#endif

#ifdef QD_I18N
#ifndef QD_NO_UCOL
QD_DUMMY(ucol_open)
#endif
QD_DUMMY(ucol_strcoll) QD_DUMMY(ucol_close) QD_DUMMY(ucol_setStrength) QD_DUMMY(ucol_getSortKey)
QD_DUMMY(ucol_getLocaleByType) QD_DUMMY(utrans_openU) QD_DUMMY(utrans_openInverse) QD_DUMMY(utrans_close)
QD_DUMMY(utrans_getUnicodeID) QD_DUMMY(utrans_setFilter) QD_DUMMY(utrans_countAvailableIDs) QD_DUMMY(utrans_openIDs)
QD_DUMMY(utrans_transUChars) QD_DUMMY(ucal_getAvailable) QD_DUMMY(ucal_countAvailable) QD_DUMMY(ucal_open)
QD_DUMMY(ucal_close) QD_DUMMY(ucal_set) QD_DUMMY(ucal_setDate) QD_DUMMY(ucal_get) QD_DUMMY(ucal_getMillis)
QD_DUMMY(ucal_setMillis)
#endif
