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

#include <cstdint>

namespace qoru {

struct Utf8Step {
    char32_t value;    // the decoded value when valid
    uint32_t length;   // bytes taken when valid; bytes examined, the bad one included, when not
    bool valid;
};

// lead is the first byte; next() yields the following bytes one at a time and
// is called only while every byte so far was acceptable, so the decoder never
// looks past a zero byte or a byte that ends the sequence.
template <class NextByte>
inline Utf8Step decodeUtf8(uint8_t lead, NextByte &&next) {
    if (lead < 0x80) return {lead, 1, true};
    uint32_t trail;
    char32_t value;
    uint8_t secondMin = 0x80;
    uint8_t secondMax = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        trail = 2;
        value = lead & 0x0F;
        if (lead == 0xE0) secondMin = 0xA0;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3;
        value = lead & 0x07;
        if (lead == 0xF0) secondMin = 0x90;
        if (lead == 0xF4) secondMax = 0x8F;  // above U+10FFFF otherwise
    } else {
        return {0, 1, false};
    }
    for (uint32_t i = 1; i <= trail; ++i) {
        const uint8_t b = next();
        const bool ok = (i == 1) ? (b >= secondMin && b <= secondMax) : ((b & 0xC0) == 0x80);
        if (!ok) return {0, i + 1, false};
        value = (value << 6) | (b & 0x3F);
    }
    return {value, trail + 1, true};
}

// High and low surrogate of a supplementary value.
inline char16_t highSurrogate(char32_t value) {
    return static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10));
}
inline char16_t lowSurrogate(char32_t value) {
    return static_cast<char16_t>(0xDC00 + (value & 0x3FF));
}

}  // namespace qoru

#endif
