// The integer scan field ("d", "i", "o", "u", "x", "X", "p"): sign, number
// prefix, digits of the base, the pointer forms "0x..." and "(nil)"; then the
// conversion of the collected text and the store by size class.
#include <cerrno>

#include "i18n/qoru16/u16_FrmIn.h"
#include "i18n/qoru16/u16_InBuf.h"
#include "i18n/qoru16/u16_tol.h"

namespace qoru {
namespace {

bool isDigitOfBase(int32_t unit, int32_t base) {
    const auto decimal = static_cast<uint32_t>(unit - u'0');
    if (base <= 10) return decimal < static_cast<uint32_t>(base);
    // unit | 0x20 is "a" to "f" exactly for the letters "a" to "f" and "A" to "F".
    return decimal < 10 || static_cast<uint32_t>((unit | 0x20) - u'a') < 6;
}

bool isNilLetter(int32_t unit, char lower) { return unit == lower || unit == lower - ('a' - 'A'); }

constexpr char nilSpelling[] = "(nil)";
constexpr size_t nilUnits = sizeof nilSpelling - 1;

// After a field without digits, "p" accepts "(nil)". Returns true when the
// spelling is complete; otherwise the unit read last goes back (the units
// before it stay consumed).
bool readNil(ScanInput &in) {
    for (size_t i = 0; i < nilUnits; ++i) {
        const int32_t unit = readUnit(in);
        if (unit == endOfInput) return false;
        const char want = nilSpelling[i];
        const bool ok = (want == '(' || want == ')') ? unit == want : isNilLetter(unit, want);
        if (!ok) {
            pushBackUnit(in, unit);
            return false;
        }
    }
    return true;
}

}  // namespace

void storeInteger(void *target, uint32_t sizeClass, uint64_t value) {
    if (sizeClass & size64) {
        *static_cast<uint64_t *>(target) = value;
    } else if (sizeClass & sizeShort) {
        *static_cast<uint16_t *>(target) = static_cast<uint16_t>(value);
    } else if (sizeClass & sizeChar) {
        *static_cast<uint8_t *>(target) = static_cast<uint8_t>(value);
    } else {
        *static_cast<uint32_t *>(target) = static_cast<uint32_t>(value);
    }
}

bool scanIntegerField(ScanInput &in, const ScanDirective &directive, int32_t first, void *target) {
    const charU16 conversion = directive.conversion;
    const bool isSigned = conversion == u'd' || conversion == u'i';
    const bool isPointer = conversion == u'p';
    int32_t base = conversion == u'i' ? 0 : conversion == u'o' ? 8 : (conversion == u'd' || conversion == u'u') ? 10 : 16;
    char localBytes[numberLocalBytes];
    NumberBuffer buffer(localBytes);
    // Every unit of the field, a sign and an "0x" prefix too, counts toward the width.
    FieldReader field(in, directive.width);
    int32_t unit = first;
    bool digitStored = false;

    if (isPointer && unit == u'0') {
        // "0x" before a pointer is not stored; a "0x" that ends the field reads as 0.
        const int32_t next = field.next();
        if (next == u'x' || next == u'X') {
            unit = field.next();
            if (unit == endOfInput) unit = u'0';
        } else if (next != endOfInput) {
            field.giveBack(next);
        }
    }

    // A sign only as the field's very first unit, and never before a pointer.
    if (!isPointer && (unit == u'+' || unit == u'-')) {
        if (!buffer.push(static_cast<char>(unit))) return false;
        unit = field.next();
    }
    // A number prefix: "0x" (the "x" not stored) or, for base 0, a "0" that
    // makes it octal.
    if (unit == u'0' && (base == 0 || base == 16)) {
        if (!buffer.push('0')) return false;
        digitStored = true;
        unit = field.next();
        if (unit == u'x' || unit == u'X') {
            base = 16;
            unit = field.next();
        } else if (base == 0) {
            base = 8;
        }
    }
    if (base == 0) base = 10;
    // Digits of the base; any other unit (white space, a sign) ends the
    // field and goes back.
    for (; unit != endOfInput; unit = field.next()) {
        if (!isDigitOfBase(unit, base)) {
            field.giveBack(unit);
            break;
        }
        if (!buffer.push(static_cast<char>(unit))) return false;
        digitStored = true;
    }

    if (!digitStored) {
        // No number: only "p" may still find "(nil)", while input is left and
        // the width holds all of it (the first unit went back).
        if (!isPointer || in.ended || !field.fits(nilUnits) || !readNil(in)) return false;
        if (!buffer.push('0')) return false;
    }
    if (base == 0) base = 10;

    const uint32_t sizeClass = lengthSizeClass(directive);
    char *text = buffer.terminated();
    // The text holds only a sign and digits of the base, so the converters
    // take all of it.
    uint64_t value;
    if (sizeClass & size64) {
        value = isSigned ? static_cast<uint64_t>(strtollNarrow(text, nullptr, base))
                         : strtoullNarrow(text, nullptr, base);
    } else {
        value = isSigned ? static_cast<uint32_t>(strtolNarrow(text, nullptr, base))
                         : strtoulNarrow(text, nullptr, base);
    }
    if (target != nullptr) storeInteger(target, sizeClass, value);
    return true;
}

}  // namespace qoru
