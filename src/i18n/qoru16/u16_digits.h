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

// The most digits any 64-bit value needs in base 8 (the widest case).
inline constexpr int maxDigits64 = 22;

// Number of digits of value in the base (8, 10 or 16); 0 has one digit.
inline int countDigits(uint64_t value, unsigned base) {
    if (base == 16) return value == 0 ? 1 : (64 - __builtin_clzll(value) + 3) / 4;
    if (base == 8) return value == 0 ? 1 : (64 - __builtin_clzll(value) + 2) / 3;
    int n = 1;
    for (;;) {
        if (value < 10) return n;
        if (value < 100) return n + 1;
        if (value < 1000) return n + 2;
        if (value < 10000) return n + 3;
        value /= 10000;
        n += 4;
    }
}

// Writes the decimal digits of value so that the last one lands at end[-1];
// returns where the first one was written.
template <class Unit>
inline Unit *writeDecimalBackward(Unit *end, uint64_t value) {
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
template <class Unit>
inline Unit *writeDigitsBackward(Unit *end, uint64_t value, unsigned base, bool upperCase) {
    if (base == 10) return writeDecimalBackward(end, value);
    return writePowerOfTwoBackward(end, value, base == 16 ? 4 : 3, upperCase);
}

}  // namespace qoru

#endif
