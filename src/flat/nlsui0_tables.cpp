// The ten groups of ICU entry points, bound by name in a fixed order; a
// group is complete or its binder reports the first missing entry.
#include <array>
#include <atomic>

#include "flat/nlsui0.h"
#include "flat/nlsui0_trace.h"
#include "i18n/qoru16/u16_cty.h"
#include "qorucum_config.h"

namespace qoru {
namespace {

constexpr const char *commonNames[] = {
    "u_versionToString", "u_errorName", "u_getVersion", "u_getUnicodeVersion",
    "u_charType", "u_getIntPropertyValue", "u_charDirection", "u_getPropertyEnum",
    "u_getPropertyValueName", "uenum_unext", "uenum_count", "u_strToUpper"};
// u_toupper is looked up before u_tolower.
constexpr const char *ctypeNames[] = {
    "u_isalnum", "u_isalpha", "u_iscntrl", "u_islower", "u_isprint",
    "u_isspace", "u_isupper", "u_toupper", "u_tolower"};
constexpr const char *bidiNames[] = {
    "ubidi_open", "ubidi_close", "ubidi_setInverse", "ubidi_setPara", "ubidi_writeReordered",
    "ubidi_getLogicalMap", "ubidi_getVisualMap", "ubidi_getLevelAt", "u_charMirror"};
constexpr const char *shapingNames[] = {"u_shapeArabic"};
constexpr const char *normalizationNames[] = {
    "unorm_normalize", "unorm_quickCheck", "unorm_quickCheckWithOptions", "unorm_isNormalized",
    "unorm_isNormalizedWithOptions", "unorm_next", "unorm_previous", "unorm_concatenate",
    "unorm_compare"};
constexpr const char *breakIteratorNames[] = {
    "ubrk_open", "ubrk_openRules", "ubrk_safeClone", "ubrk_close", "ubrk_setText", "ubrk_current",
    "ubrk_next", "ubrk_previous", "ubrk_first", "ubrk_last", "ubrk_preceding", "ubrk_following",
    "ubrk_getAvailable", "ubrk_countAvailable", "ubrk_isBoundary", "ubrk_getRuleStatus",
    "ubrk_getLocaleByType", "uloc_getDefault"};
constexpr const char *idnaNames[] = {
    "uidna_toASCII", "uidna_toUnicode", "uidna_IDNToASCII", "uidna_IDNToUnicode", "uidna_compare"};
constexpr const char *collationNames[] = {
    "ucol_open", "ucol_strcoll", "ucol_close", "ucol_setStrength", "ucol_getSortKey",
    "ucol_getLocaleByType"};
constexpr const char *transliterationNames[] = {
    "utrans_openU", "utrans_openInverse", "utrans_close", "utrans_getUnicodeID",
    "utrans_setFilter", "utrans_countAvailableIDs", "utrans_openIDs", "utrans_transUChars"};
constexpr const char *calendarNames[] = {
    "ucal_getAvailable", "ucal_countAvailable", "ucal_open", "ucal_close", "ucal_set",
    "ucal_setDate", "ucal_get", "ucal_getMillis", "ucal_setMillis"};

struct GroupTable {
    const char *const *names;
    size_t size;
    void **slots;
    void **library;  // the handle the group is looked up in
};

template <size_t N>
struct Slots {
    std::array<void *, N> entries{};
};

Slots<std::size(commonNames)> gCommon;
Slots<std::size(ctypeNames)> gCtype;
Slots<std::size(bidiNames)> gBidi;
Slots<std::size(shapingNames)> gShaping;
Slots<std::size(normalizationNames)> gNormalization;
Slots<std::size(breakIteratorNames)> gBreakIterator;
Slots<std::size(idnaNames)> gIdna;
Slots<std::size(collationNames)> gCollation;
Slots<std::size(transliterationNames)> gTransliteration;
Slots<std::size(calendarNames)> gCalendar;

bool gCommonBound = false;

template <size_t N>
constexpr GroupTable table(const char *const (&names)[N], Slots<N> &slots, void **library) {
    return {names, N, slots.entries.data(), library};
}

const std::array<GroupTable, icuGroupCount> gGroups = {
    table(commonNames, gCommon, &gIcuCommonHandle),
    table(ctypeNames, gCtype, &gIcuCommonHandle),
    table(bidiNames, gBidi, &gIcuCommonHandle),
    table(shapingNames, gShaping, &gIcuCommonHandle),
    table(normalizationNames, gNormalization, &gIcuCommonHandle),
    table(breakIteratorNames, gBreakIterator, &gIcuCommonHandle),
    table(idnaNames, gIdna, &gIcuCommonHandle),
    table(collationNames, gCollation, &gIcuI18nHandle),
    table(transliterationNames, gTransliteration, &gIcuI18nHandle),
    table(calendarNames, gCalendar, &gIcuI18nHandle),
};

const GroupTable &groupOf(IcuGroup group) { return gGroups[static_cast<size_t>(group)]; }

int32_t bindGroup(IcuGroup group) {
    const GroupTable &g = groupOf(group);
    for (size_t i = 0; i < g.size; ++i) {
        char name[64];
        plat::formatNarrow(name, sizeof name, "%s%s", g.names[i], config::icuSuffix);
        g.slots[i] = nlsui_dlsym(*g.library, name);
        if (g.slots[i] == nullptr) {
            // The code belongs to the failed look-up, so it is taken before
            // the report's own output can change it.
            const int32_t error = plat::lastErrorCode();
            initTrace(1, "symbol load \"%s\" failed", name);
            initTrace(1, "Last error number: %d ", error);
            return -1;
        }
    }
    return 0;
}

}  // namespace

size_t icuGroupSize(IcuGroup group) { return groupOf(group).size; }
const char *icuEntryName(IcuGroup group, size_t index) { return groupOf(group).names[index]; }
void *const *icuGroupSlots(IcuGroup group) { return groupOf(group).slots; }

int32_t bindIcuCommon() {
    if (gCommonBound) return 0;
    if (bindGroup(IcuGroup::common) != 0) return -1;
    gCommonBound = true;
    return 0;
}
int32_t bindIcuCtype() { return bindGroup(IcuGroup::ctype); }
int32_t bindIcuBidi() { return bindGroup(IcuGroup::bidi); }
int32_t bindIcuShaping() { return bindGroup(IcuGroup::shaping); }
int32_t bindIcuNormalization() { return bindGroup(IcuGroup::normalization); }
int32_t bindIcuBreakIterator() { return bindGroup(IcuGroup::breakIterator); }
int32_t bindIcuIdna() { return bindGroup(IcuGroup::idna); }
int32_t bindIcuCollation() { return bindGroup(IcuGroup::collation); }
int32_t bindIcuTransliteration() { return bindGroup(IcuGroup::transliteration); }
int32_t bindIcuCalendar() { return bindGroup(IcuGroup::calendar); }

void publishIcuCtype() {
    const auto &e = gCtype.entries;
    auto classify = [](void *entry) { return reinterpret_cast<nlsui_class_func>(entry); };
    auto mapCase = [](void *entry) { return reinterpret_cast<nlsui_case_func>(entry); };
    publishCharacterFunctions({classify(e[icuIsalnum]), classify(e[icuIsalpha]), classify(e[icuIscntrl]),
                               classify(e[icuIslower]), classify(e[icuIsprint]), classify(e[icuIsspace]),
                               classify(e[icuIsupper]), mapCase(e[icuTolower]), mapCase(e[icuToupper])});
}

}  // namespace qoru
