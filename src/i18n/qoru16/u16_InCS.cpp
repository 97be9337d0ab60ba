// The text scan conversions "c", "s" and "[" and the count "n". Text targets
// receive UTF-16 units whatever the length modifier; a field's width is
// tested only after a unit is stored, so a width of 0 or below takes one.
#include "i18n/qoru16/u16_FrmIn.h"
#include "i18n/qoru16/u16_space.h"

namespace qoru {
namespace {

// The units of a scan set between its start and its closing "]".
struct ScanSetText {
    const charU16 *begin;
    const charU16 *end;
    bool negated;

    // A "-" between two units is a range (in either order); a "-" first or
    // last is a member; every other unit stands for itself.
    bool contains(int32_t unit) const {
        for (const charU16 *p = begin; p < end; ++p) {
            if (*p == u'-' && p != begin && p + 1 != end) {
                const int32_t a = p[-1];
                const int32_t b = p[1];
                if ((unit >= a && unit <= b) || (unit >= b && unit <= a)) return true;
                continue;
            }
            if (*p == unit) return true;
        }
        return false;
    }
};

// Reads the set from the format just after the "["; false when the format
// ends before its closing "]".
bool parseSetText(const charU16 *text, ScanSetText &set, const charU16 **after) {
    set.negated = *text == u'^';
    if (set.negated) ++text;
    set.begin = text;
    // A leading "]" or "-" is a member, not the end of the set.
    const charU16 *p = (*text == u']' || *text == u'-') ? text + 1 : text;
    while (*p != u']') {
        if (*p == 0) return false;
        ++p;
    }
    set.end = p;
    *after = p + 1;
    return true;
}

}  // namespace

// The counts are of size_t: a word may be longer than any int (a string of
// 2^31 units or more).
bool scanCharacters(ScanInput &in, const ScanDirective &directive, int32_t first, charU16 *target) {
    // Without a width the field is one unit.
    FieldReader field(in, directive.width == noWidth ? 1 : directive.width);
    for (int32_t unit = first; unit != endOfInput; unit = field.next()) {
        if (target != nullptr) target[field.taken() - 1] = static_cast<charU16>(unit);
    }
    return true;
}

bool scanWord(ScanInput &in, const ScanDirective &directive, int32_t first, charU16 *target) {
    FieldReader field(in, directive.width);
    for (int32_t unit = first; unit != endOfInput; unit = field.next()) {
        if (isWhiteSpaceU16(static_cast<uint32_t>(unit))) {
            field.giveBack(unit);
            break;
        }
        if (target != nullptr) target[field.taken() - 1] = static_cast<charU16>(unit);
    }
    if (target != nullptr) target[field.taken()] = 0;
    return true;
}

bool scanSet(ScanInput &in, const ScanDirective &directive, int32_t first, charU16 *target) {
    ScanSetText set;
    if (!parseSetText(in.formatPosition, set, &in.formatPosition)) return false;
    FieldReader field(in, directive.width);
    for (int32_t unit = first; unit != endOfInput; unit = field.next()) {
        if (set.contains(unit) == set.negated) {
            field.giveBack(unit);
            break;
        }
        if (target != nullptr) target[field.taken() - 1] = static_cast<charU16>(unit);
    }
    if (field.taken() == 0) return false;
    if (target != nullptr) target[field.taken()] = 0;
    return true;
}

void storeConsumed(const ScanInput &in, const ScanDirective &directive, void *target) {
    storeInteger(target, lengthSizeClass(directive), static_cast<uint64_t>(consumedUnits(in)));
}

}  // namespace qoru
