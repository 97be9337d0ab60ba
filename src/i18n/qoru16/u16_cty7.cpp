// The 7-bit emergency character functions: right for U+0000 to U+007F; any
// other unit is reported twice on the initialization trace and then answered
// by the platform's own wide classification.
#include "flat/nlsui0_trace.h"
#include "i18n/qoru16/u16_cty.h"

namespace qoru {
namespace {

// Class bits of the platform's wide classification.
enum ClassMask : uint16_t {
    upperBit = 0x0001, lowerBit = 0x0002, digitBit = 0x0004, spaceBit = 0x0008,
    punctBit = 0x0010, controlBit = 0x0020, blankBit = 0x0040, alphaBit = 0x0100
};

// Diagnoses a unit outside the 7-bit range; bits 16 to 31 are ignored.
char16_t checkedUnit(int32_t c, const char *function) {
    if ((c & 0xFF80) != 0) {
        initTrace(1, "ERROR: Non 7-bit character U+%04X encountered in function %s\n",
                  static_cast<unsigned>(c), function);
        initTrace(1, "This is not supported in 7-bit mode.\n");
    }
    return static_cast<char16_t>(c & 0xFFFF);
}

// The class bits of the C locale for the 7-bit range, so that these units
// answer the same on every platform.
constexpr uint16_t asciiClass(char16_t u) {
    uint16_t bits = 0;
    if (u >= u'A' && u <= u'Z') bits |= upperBit | alphaBit;
    if (u >= u'a' && u <= u'z') bits |= lowerBit | alphaBit;
    if (u >= u'0' && u <= u'9') bits |= digitBit;
    if ((u >= 0x09 && u <= 0x0D) || u == u' ') bits |= spaceBit;
    if (u == u' ') bits |= blankBit;
    if (u < 0x20 || u == 0x7F) bits |= controlBit;
    if (u > 0x20 && u < 0x7F && (bits & (alphaBit | digitBit)) == 0) bits |= punctBit;
    return bits;
}

template <uint16_t mask>
int8_t classify(int32_t c, const char *function) {
    const char16_t u = checkedUnit(c, function);
    if (u < 0x80) return (asciiClass(u) & mask) != 0 ? 1 : 0;
    return plat::wideClassIs(u, mask) ? 1 : 0;
}

int8_t isalnumU_7bit(int32_t c) { return classify<upperBit | lowerBit | digitBit | alphaBit>(c, "isalnumU"); }
int8_t isalphaU_7bit(int32_t c) { return classify<upperBit | lowerBit | alphaBit>(c, "isalphaU"); }
int8_t iscntrlU_7bit(int32_t c) { return classify<controlBit>(c, "iscntrlU"); }
int8_t islowerU_7bit(int32_t c) { return classify<lowerBit>(c, "islowerU"); }
int8_t isprintU_7bit(int32_t c) {
    return classify<upperBit | lowerBit | digitBit | punctBit | blankBit | alphaBit>(c, "isprintU");
}
int8_t isspaceU_7bit(int32_t c) { return classify<spaceBit>(c, "isspaceU"); }
int8_t isupperU_7bit(int32_t c) { return classify<upperBit>(c, "isupperU"); }

int32_t tolowerU_7bit(int32_t c) {
    const char16_t u = checkedUnit(c, "tolowerU");
    return u >= u'A' && u <= u'Z' ? u + 0x20 : u;
}

int32_t toupperU_7bit(int32_t c) {
    const char16_t u = checkedUnit(c, "toupperU");
    return u >= u'a' && u <= u'z' ? u - 0x20 : u;
}

}  // namespace

const CharacterFunctions sevenBitCharacterFunctions = {
    isalnumU_7bit, isalphaU_7bit, iscntrlU_7bit, islowerU_7bit, isprintU_7bit,
    isspaceU_7bit, isupperU_7bit, tolowerU_7bit, toupperU_7bit};

}  // namespace qoru
