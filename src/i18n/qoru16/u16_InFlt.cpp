// The floating-point scan field ("a" "A" "e" "E" "f" "F" "g" "G", all
// alike, decimal only): sign, the infinity and NaN spellings, then the
// decimal text collected and converted by the library's own narrow
// conversion, so that results are the same on every platform.
#include <cerrno>
#include <limits>

#include "i18n/qoru16/u16_FrmIn.h"
#include "i18n/qoru16/u16_InBuf.h"
#include "i18n/qoru16/u16_tod.h"

namespace qoru {
namespace {

enum class Special { none, infinity, notANumber, failed };

bool isLetter(int32_t unit, char upper) { return unit == upper || unit == upper + ('a' - 'A'); }

// Reads the letters of spelling (upper case) after the unit already matched;
// false at a wrong letter, the end of the input or of the width (all read
// stay consumed).
bool readLetters(FieldReader &field, const char *spelling) {
    for (; *spelling != '\0'; ++spelling) {
        if (!isLetter(field.next(), *spelling)) return false;
    }
    return true;
}

// "nan", "inf" and "infinity" in any case, starting at unit; the letters
// count toward the width, and "inf" is whole where the width ends after it.
Special recognizeSpecial(FieldReader &field, int32_t unit) {
    if (isLetter(unit, 'N')) return readLetters(field, "AN") ? Special::notANumber : Special::failed;
    if (!isLetter(unit, 'I')) return Special::none;
    if (!readLetters(field, "NF")) return Special::failed;
    const int32_t next = field.next();
    if (next == endOfInput) return Special::infinity;
    if (!isLetter(next, 'I')) {
        field.giveBack(next);
        return Special::infinity;
    }
    return readLetters(field, "NITY") ? Special::infinity : Special::failed;
}

// What the number text takes next: digits always, one exponent letter, a
// sign only right after it, one decimal point before any exponent.
struct FloatSyntax {
    int32_t point = -1;  // the locale's, looked up when a unit first needs it
    bool pointSeen = false;
    bool exponentSeen = false;
    bool signAllowed = false;

    // The byte to store for unit, or 0 when unit ends the field.
    char take(int32_t unit) {
        const bool signNext = signAllowed;
        signAllowed = false;
        if (unit >= u'0' && unit <= u'9') return static_cast<char>(unit);
        if ((unit == u'e' || unit == u'E') && !exponentSeen) {
            exponentSeen = true;
            signAllowed = true;
            return static_cast<char>(unit);
        }
        if ((unit == u'+' || unit == u'-') && signNext) return static_cast<char>(unit);
        if (point < 0) point = static_cast<unsigned char>(numberDecimalPoint());
        if (unit == point && !pointSeen && !exponentSeen) {
            pointSeen = true;
            return static_cast<char>(point);
        }
        return 0;
    }
};

void storeFloat(void *target, uint32_t sizeClass, double value) {
    if (sizeClass & (size64 | sizeLong)) {
        *static_cast<double *>(target) = value;
    } else {
        *static_cast<float *>(target) = static_cast<float>(value);
    }
}

}  // namespace

bool scanFloatField(ScanInput &in, const ScanDirective &directive, int32_t first, void *target) {
    // Every unit of the field, the sign too, counts toward the width.
    FieldReader field(in, directive.width);
    int32_t unit = first;
    bool negative = false;
    if (unit == u'+' || unit == u'-') {
        negative = unit == u'-';
        unit = field.next();
        if (unit == endOfInput) return false;
    }

    char localBytes[numberLocalBytes];
    NumberBuffer buffer(localBytes);
    double value;
    const Special special = recognizeSpecial(field, unit);
    if (special == Special::failed) return false;
    if (special == Special::infinity) {
        value = std::numeric_limits<double>::infinity();
        errno = ERANGE;
    } else {
        // Text without a decimal point converts the same with any point.
        char point = '.';
        if (special == Special::notANumber) {
            for (const char *c = "NaN"; *c != '\0'; ++c) {
                if (!buffer.push(*c)) return false;
            }
        } else {
            FloatSyntax syntax;
            for (;;) {
                const char byte = syntax.take(unit);
                if (byte == 0) {
                    field.giveBack(unit);
                    break;
                }
                if (!buffer.push(byte)) return false;
                unit = field.next();
                if (unit == endOfInput) break;
            }
            if (syntax.point >= 0) point = static_cast<char>(syntax.point);
        }
        const char *text = buffer.terminated();
        const char *stop = text;
        value = convertDecimalText(text, text + buffer.count(), &stop, point);
        if (stop == text) return false;
    }
    // The sign applies after the conversion: negation flips the sign bit of
    // zero and NaN as well.
    if (negative) value = -value;
    if (target != nullptr) storeFloat(target, lengthSizeClass(directive), value);
    return true;
}

}  // namespace qoru
