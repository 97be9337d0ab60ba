// The library's one digit writer for unsigned integers in bases 8, 10 and 16.
// Digits are written backwards from the end of the caller's room, the way
// musl's vfprintf does, and decimal digits two at a time from a table of the
// pairs 00 to 99, as {fmt} does. The unit type is a template parameter so that
// UTF-16 and narrow number code share the same writer.
#ifndef QORU_U16_DIGITS_H
#define QORU_U16_DIGITS_H

#include <cstdint>

namespace qoru {

inline constexpr char lowerDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
inline constexpr char upperDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// "00" "01" ... "99": the two decimal digits of every value below 100.
inline constexpr char decimalPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The hexadecimal digit pairs of every byte value, "00" to "ff" and "00" to "FF".
struct HexPairs {
    char lower[512];
    char upper[512];
};
inline constexpr HexPairs hexPairs = [] {
    HexPairs t{};
    for (int i = 0; i < 256; ++i) {
        t.lower[2 * i] = lowerDigits[i >> 4];
        t.lower[2 * i + 1] = lowerDigits[i & 15];
        t.upper[2 * i] = upperDigits[i >> 4];
        t.upper[2 * i + 1] = upperDigits[i & 15];
    }
    return t;
}();

inline constexpr uint64_t decimalPowers[20] = {1ull,
                                               10ull,
                                               100ull,
                                               1000ull,
                                               10000ull,
                                               100000ull,
                                               1000000ull,
                                               10000000ull,
                                               100000000ull,
                                               1000000000ull,
                                               10000000000ull,
                                               100000000000ull,
                                               1000000000000ull,
                                               10000000000000ull,
                                               100000000000000ull,
                                               1000000000000000ull,
                                               10000000000000000ull,
                                               100000000000000000ull,
                                               1000000000000000000ull,
                                               10000000000000000000ull};

// The most digits any 64-bit value needs in base 8 (the widest case).
inline constexpr int maxDigits64 = 22;

// Number of digits of value in the base (8, 10 or 16); 0 has one digit.
// Decimal: the bit length gives the digit count within one (x 1233 / 4096
// approximates log10(2)); one comparison with a power of ten settles it.
inline int countDigits(uint64_t value, unsigned base) {
    const int bitLength = 64 - __builtin_clzll(value | 1);
    if (base == 16) return (bitLength + 3) / 4;
    if (base == 8) return (bitLength + 2) / 3;
    if (value == 0) return 1;
    const int guess = (bitLength * 1233) >> 12;
    return guess + (value >= decimalPowers[guess] ? 1 : 0);
}

// Two digits per step from the pair table.
template <class Unit, class Value>
inline Unit *writeDecimalPairsBackward(Unit *end, Value value) {
    while (value >= 100) {
        const unsigned pair = static_cast<unsigned>(value % 100) * 2;
        value /= 100;
        end -= 2;
        end[0] = static_cast<Unit>(decimalPairs[pair]);
        end[1] = static_cast<Unit>(decimalPairs[pair + 1]);
    }
    if (value >= 10) {
        const unsigned pair = static_cast<unsigned>(value) * 2;
        end -= 2;
        end[0] = static_cast<Unit>(decimalPairs[pair]);
        end[1] = static_cast<Unit>(decimalPairs[pair + 1]);
    } else {
        *--end = static_cast<Unit>('0' + value);
    }
    return end;
}

// Writes the decimal digits of value so that the last one lands at end[-1];
// returns where the first one was written. Values that fit 32 bits take the
// cheaper 32-bit division.
template <class Unit>
inline Unit *writeDecimalBackward(Unit *end, uint64_t value) {
    if (value <= UINT32_MAX) return writeDecimalPairsBackward(end, static_cast<uint32_t>(value));
    return writeDecimalPairsBackward(end, value);
}

// Base 8 or 16 take 3 or 4 bits per digit; upperCase picks the letters of
// base 16.
template <class Unit>
inline Unit *writePowerOfTwoBackward(Unit *end, uint64_t value, unsigned bitsPerDigit, bool upperCase) {
    const char *digits = upperCase ? upperDigits : lowerDigits;
    const uint64_t mask = (uint64_t{1} << bitsPerDigit) - 1;
    do {
        *--end = static_cast<Unit>(digits[value & mask]);
        value >>= bitsPerDigit;
    } while (value != 0);
    return end;
}

// Writes value in base 8, 10 or 16 backwards from end; returns the first digit.
// Base 16 two digits per step from the byte-pair table.
template <class Unit>
inline Unit *writeHexBackward(Unit *end, uint64_t value, bool upperCase) {
    const char *pairs = upperCase ? hexPairs.upper : hexPairs.lower;
    while (value >= 256) {
        const unsigned pair = static_cast<unsigned>(value & 0xFF) * 2;
        value >>= 8;
        end -= 2;
        end[0] = static_cast<Unit>(pairs[pair]);
        end[1] = static_cast<Unit>(pairs[pair + 1]);
    }
    if (value >= 16) {
        const unsigned pair = static_cast<unsigned>(value) * 2;
        end -= 2;
        end[0] = static_cast<Unit>(pairs[pair]);
        end[1] = static_cast<Unit>(pairs[pair + 1]);
    } else {
        *--end = static_cast<Unit>(pairs[value * 2 + 1]);
    }
    return end;
}

template <class Unit>
inline Unit *writeDigitsBackward(Unit *end, uint64_t value, unsigned base, bool upperCase) {
    if (base == 10) return writeDecimalBackward(end, value);
    if (base == 16) return writeHexBackward(end, value, upperCase);
    return writePowerOfTwoBackward(end, value, base == 16 ? 4 : 3, upperCase);
}

}  // namespace qoru

#endif
