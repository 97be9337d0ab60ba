// The strtol family: one conversion for UTF-16 and narrow text, 32- and
// 64-bit results, signed and unsigned. Widths are those of 64-bit Windows on
// every platform: strtolU16 and strtoulU16 are 32 bits.
#include "i18n/qoru16/u16_tol.h"

#include <cerrno>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "flat/nlsui1_narrow.h"
#include "i18n/qoru16/u16_aux.h"
#include "i18n/qoru16/u16_space.h"
#include "qorucum/stdlib.h"

namespace qoru {
namespace {

constexpr int32_t largestBase = 36;
constexpr uint32_t notDigit = 0xFF;

// Digit values of the ASCII code units: "0"-"9" are 0-9, the letters of
// either case 10-35. Every other unit is no digit.
struct DigitTable {
    uint8_t value[128];
};
constexpr DigitTable digitTable = [] {
    DigitTable t{};
    for (auto &v : t.value) v = notDigit;
    for (int i = 0; i < 10; ++i) t.value['0' + i] = static_cast<uint8_t>(i);
    for (int i = 0; i < 26; ++i) {
        t.value['a' + i] = static_cast<uint8_t>(10 + i);
        t.value['A' + i] = static_cast<uint8_t>(10 + i);
    }
    return t;
}();

// Narrow text is read as unsigned bytes.
inline uint32_t unitValue(char c) { return static_cast<unsigned char>(c); }
inline uint32_t unitValue(charU16 u) { return u; }

inline bool isSpace(char c) { return isWhiteSpaceByte(static_cast<uint8_t>(c)); }
inline bool isSpace(charU16 u) { return isWhiteSpaceU16(u); }

template <class Unit>
inline uint32_t digitOf(Unit u) {
    const uint32_t v = unitValue(u);
    return v < 128 ? digitTable.value[v] : notDigit;
}

// The overflow limits of every base for an accumulator whose largest value
// is M: cutoff = M / base and cutlim = M % base, computed once at compile time.
template <class Acc>
struct OverflowLimits {
    Acc cutoff[largestBase + 1];
    uint8_t cutlim[largestBase + 1];
};
template <class Acc>
constexpr OverflowLimits<Acc> overflowLimits = [] {
    OverflowLimits<Acc> l{};
    constexpr Acc largest = std::numeric_limits<Acc>::max();
    for (int32_t base = 2; base <= largestBase; ++base) {
        l.cutoff[base] = static_cast<Acc>(largest / static_cast<Acc>(base));
        l.cutlim[base] = static_cast<uint8_t>(largest % static_cast<Acc>(base));
    }
    return l;
}();

[[gnu::cold, gnu::noinline]] void reportIllegalBase(int32_t base) {
    if (traceLevel() < traceHigh) return;
    char text[64];
    narrowSnprintf(text, sizeof text, "Illegal base %d in strtolU16", base);
    traceMessageU16(text, __FILE__, __LINE__, true);
}

// Converts text to Result; Result's width and signedness pick the range, the
// unit type the white-space set.
template <class Result, class Unit>
Result convert(const Unit *text, Unit **end, int32_t base) {
    using Acc = std::make_unsigned_t<Result>;
    if (base != 0 && (base < 2 || base > largestBase)) {
        reportIllegalBase(base);
        if (end != nullptr) *end = const_cast<Unit *>(text);
        errno = EINVAL;
        return 0;
    }
    const Unit *p = text;
    while (isSpace(*p)) ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = (*p++ == '-');
    bool prefixed = false;
    if (p[0] == '0' && (base == 0 || base == 16) && (p[1] == 'x' || p[1] == 'X')) {
        // Taken before any hexadecimal digit is seen; step back to the "x"
        // below when none follows.
        p += 2;
        base = 16;
        prefixed = true;
    } else if (base == 0) {
        base = p[0] == '0' ? 8 : 10;
    }
    const Unit *const digitStart = p;
    const Acc cutoff = overflowLimits<Acc>.cutoff[base];
    const uint32_t cutlim = overflowLimits<Acc>.cutlim[base];
    const uint32_t digitLimit = static_cast<uint32_t>(base);
    Acc acc = 0;
    bool overflow = false;
    // Digits after an overflow are still consumed.
    for (uint32_t d; (d = digitOf(*p)) < digitLimit; ++p) {
        if (acc > cutoff || (acc == cutoff && d > cutlim)) {
            overflow = true;
        } else {
            acc = static_cast<Acc>(acc * static_cast<Acc>(base) + d);
        }
    }
    if (p == digitStart) {
        // No digit: after an "0x" the "0" alone is the number read.
        if (end != nullptr) *end = const_cast<Unit *>(prefixed ? digitStart - 1 : text);
        return 0;
    }
    if (end != nullptr) *end = const_cast<Unit *>(p);
    if constexpr (std::is_signed_v<Result>) {
        constexpr Acc largestPositive = static_cast<Acc>(std::numeric_limits<Result>::max());
        if (!overflow && acc <= largestPositive + (negative ? 1u : 0u)) {
            return static_cast<Result>(negative ? static_cast<Acc>(0 - acc) : acc);
        }
        errno = ERANGE;
        return negative ? std::numeric_limits<Result>::min() : std::numeric_limits<Result>::max();
    } else {
        if (!overflow) return negative ? static_cast<Acc>(0 - acc) : acc;
        errno = ERANGE;
        return std::numeric_limits<Result>::max();
    }
}

}  // namespace

int32_t strtolNarrow(const char *text, char **end, int32_t base) { return convert<int32_t>(text, end, base); }

uint32_t strtoulNarrow(const char *text, char **end, int32_t base) { return convert<uint32_t>(text, end, base); }

int64_t strtollNarrow(const char *text, char **end, int32_t base) { return convert<int64_t>(text, end, base); }

uint64_t strtoullNarrow(const char *text, char **end, int32_t base) { return convert<uint64_t>(text, end, base); }

}  // namespace qoru

extern "C" QORUCUM_API int32_t strtolU16(const charU16 *text, charU16 **end, int32_t base) {
    return qoru::convert<int32_t>(text, end, base);
}

extern "C" QORUCUM_API uint32_t strtoulU16(const charU16 *text, charU16 **end, int32_t base) {
    return qoru::convert<uint32_t>(text, end, base);
}

extern "C" QORUCUM_API int64_t strtollU16(const charU16 *text, charU16 **end, int32_t base) {
    return qoru::convert<int64_t>(text, end, base);
}

extern "C" QORUCUM_API uint64_t strtoullU16(const charU16 *text, charU16 **end, int32_t base) {
    return qoru::convert<uint64_t>(text, end, base);
}
