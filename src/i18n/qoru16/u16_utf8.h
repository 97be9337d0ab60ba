// The library's one UTF-8 decoder core. Whole-string conversion, its failure
// report and the stream readers all decode through decodeUtf8, so they agree
// on what is valid.
//
// Valid: the shortest form of every value up to U+10FFFF. Overlong forms
// (leads C0 and C1, E0 followed by 80-9F, F0 followed by 80-8F) are invalid,
// since they would let a hidden NUL or '/' slip past checks made on the bytes.
// Encoded surrogates (ED A0 80 and the like) are accepted because the
// library's own UTF-8 writer produces them.
#ifndef QORU_U16_UTF8_H
#define QORU_U16_UTF8_H

#include <cstddef>
#include <cstdint>

namespace qoru {

struct Utf8Step {
    char32_t value;   // the decoded value when valid
    uint32_t length;  // bytes taken when valid; bytes examined, the bad one included, when not
    bool valid;
};

// lead is the first byte; byteAt(i) yields the i-th byte after it (i = 1, 2,
// 3). It is called in that order, once per byte, and only while every byte so
// far was acceptable, so the decoder never looks past a zero byte or a byte
// that ends the sequence; a stream reader can fetch each byte on demand.
// The pieces of the decoder, also used directly by fast paths that have the
// bytes in memory.
inline bool isTrail(uint8_t b) { return (b & 0xC0) == 0x80; }
// The second byte of a three-byte form: E0 80-9F would be overlong.
inline bool threeByteSecondOk(uint8_t lead, uint8_t b1) { return b1 >= (lead == 0xE0 ? 0xA0 : 0x80) && b1 <= 0xBF; }
// The second byte of a four-byte form (lead F0-F4): F0 80-8F would be
// overlong, F4 90-BF beyond U+10FFFF.
inline bool fourByteSecondOk(uint8_t lead, uint8_t b1) {
    return b1 >= (lead == 0xF0 ? 0x90 : 0x80) && b1 <= (lead == 0xF4 ? 0x8F : 0xBF);
}
inline char32_t twoByteValue(uint8_t lead, uint8_t b1) { return (char32_t{lead} & 0x1F) << 6 | (b1 & 0x3F); }
inline char32_t threeByteValue(uint8_t lead, uint8_t b1, uint8_t b2) {
    return (char32_t{lead} & 0x0F) << 12 | char32_t{b1 & 0x3Fu} << 6 | (b2 & 0x3F);
}

inline char32_t fourByteValue(uint8_t lead, uint8_t b1, uint8_t b2, uint8_t b3) {
    return (char32_t{lead} & 0x07) << 18 | char32_t{b1 & 0x3Fu} << 12 | char32_t{b2 & 0x3Fu} << 6 | (b3 & 0x3F);
}

template <class ByteAt>
inline Utf8Step decodeUtf8(uint8_t lead, ByteAt byteAt) {
    if (lead < 0x80) return {lead, 1, true};
    // A continuation byte, an overlong lead C0/C1, a lead of values beyond
    // U+10FFFF (F5-F7) or no lead at all (F8-FF) is invalid by itself.
    if (lead < 0xC2 || lead > 0xF4) return {0, 1, false};
    const uint8_t b1 = byteAt(1);
    if (lead < 0xE0) {
        if (!isTrail(b1)) return {0, 2, false};
        return {twoByteValue(lead, b1), 2, true};
    }
    if (lead < 0xF0) {
        if (!threeByteSecondOk(lead, b1)) return {0, 2, false};
        const uint8_t b2 = byteAt(2);
        if (!isTrail(b2)) return {0, 3, false};
        return {threeByteValue(lead, b1, b2), 3, true};
    }
    if (!fourByteSecondOk(lead, b1)) return {0, 2, false};
    const uint8_t b2 = byteAt(2);
    if (!isTrail(b2)) return {0, 3, false};
    const uint8_t b3 = byteAt(3);
    if (!isTrail(b3)) return {0, 4, false};
    return {fourByteValue(lead, b1, b2, b3), 4, true};
}

inline bool isHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool isLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// High and low surrogate of a supplementary value.
inline char16_t highSurrogate(char32_t value) { return static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)); }
inline char16_t lowSurrogate(char32_t value) { return static_cast<char16_t>(0xDC00 + (value & 0x3FF)); }

// A decoded character at dst[n] (dst null: only counted): its unit, or its
// pair; the units it takes.
inline size_t storeCharacter(char16_t *dst, size_t n, char32_t value) {
    if (value <= 0xFFFF) {
        if (dst != nullptr) dst[n] = static_cast<char16_t>(value);
        return 1;
    }
    if (dst != nullptr) {
        dst[n] = highSurrogate(value);
        dst[n + 1] = lowSurrogate(value);
    }
    return 2;
}

}  // namespace qoru

#endif
