// The ICU binder: loader primitives, library search, the entry-point groups
// and the initialization driver behind the nine exported character pointers.
#ifndef QORU_NLSUI0_H
#define QORU_NLSUI0_H

#include <cstddef>
#include <cstdint>

#include "i18n/qoru16/u16_path.h"

namespace qoru {

// Library names and joined paths, in bytes with the terminator.
inline constexpr size_t maxPathLn = pathCapacity;

// ---- Loader primitives -------------------------------------------------------
void *nlsui_dlopen(const char *name);
void *nlsui_dlsym(void *library, const char *name);
void nlsui_dlclose(void *library);
// Joins directory and file with one separator into out (maxPathLn bytes);
// out is left empty when the result would not fit. out may be directory.
void joinPath(const char *directory, const char *file, char *out);

// ---- Library search ---------------------------------------------------------------
extern void *gIcuCommonHandle;
extern void *gIcuI18nHandle;
void *openIcuCommonLib();
void *openIcuI18nLib();
void closeIcuI18nLib();
// 0 when ICU's case mapping works (U+0101 upper-cases to something else).
int32_t checkIcuData();
void traceIcuVersion();

// ---- Entry-point groups -------------------------------------------------------------
// Slots in look-up order, null until found. The character group's lookups
// land in gIcuCtype first and reach the exported pointers only when the
// initialization has settled on ICU (publishIcuCtype).
enum class IcuGroup {
    common, ctype, bidi, shaping, normalization, breakIterator, idna, collation, transliteration, calendar
};
inline constexpr size_t icuGroupCount = 10;
size_t icuGroupSize(IcuGroup group);
const char *icuEntryName(IcuGroup group, size_t index);  // without the version suffix
void *const *icuGroupSlots(IcuGroup group);

// Indexes of the slots the binder calls.
enum IcuCommonEntry : size_t { icuVersionToString = 0, icuGetVersion = 2, icuGetUnicodeVersion = 3 };
enum IcuCtypeEntry : size_t {
    icuIsalnum, icuIsalpha, icuIscntrl, icuIslower, icuIsprint, icuIsspace, icuIsupper, icuToupper, icuTolower
};

// Each binder: 0 when every entry was found, -1 at the first missing one.
int32_t bindIcuCommon();
int32_t bindIcuCtype();
int32_t bindIcuBidi();
int32_t bindIcuShaping();
int32_t bindIcuNormalization();
int32_t bindIcuBreakIterator();
int32_t bindIcuIdna();
int32_t bindIcuCollation();
int32_t bindIcuTransliteration();
int32_t bindIcuCalendar();
// Points the nine exported pointers at the bound character group.
void publishIcuCtype();

// ---- Initialization driver ------------------------------------------------------------
// 0 when ICU is loaded and every group of the common library is bound, else 1.
int32_t loadIcuDo();

}  // namespace qoru

#endif
