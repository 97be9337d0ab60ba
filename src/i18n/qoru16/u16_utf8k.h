// UTF-16 to UTF-8: the unit-by-unit rules of the two encoders, which the
// scalar paths and the vector kernels' tails share, and the vector kernels'
// byte shuffles.
//
// The two encoders differ only on surrogates. The whole-string one
// (U2sToUtf8s) writes every unit by itself, a surrogate as three bytes like
// any unit from 0x800 on. The stream writer joins a pair within its run into
// one four-byte sequence and writes any other surrogate as '#'. The vector
// core encodes runs without surrogates for both; the writer's narrow step
// also takes runs with surrogates, and its unit rule finishes what the
// vector steps leave. Real UTF-8 (U16sToUtf8s) is the writer's form without
// the '#': its encoder joins pairs and stops at any other surrogate.
#ifndef QORU_U16_UTF8K_H
#define QORU_U16_UTF8K_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qoru {

// The stream writer sends a block once it holds more than this many bytes, so
// a block is at most 506 + 4 bytes.
inline constexpr size_t utf8BlockThreshold = 506;
// Bytes a block kernel may store past the threshold: whole vector steps
// beyond it are stored and then dropped. The block buffer holds threshold +
// slack bytes.
inline constexpr size_t utf8BlockSlack = 128;
inline constexpr uint8_t unpairedSurrogate = '#';

inline bool isSurrogateUnit(char16_t u) { return (u & 0xF800) == 0xD800; }

// One unit by itself at out (1 to 3 bytes). A three-byte form goes as one
// four-byte store, whose last byte lands where the next byte or the
// terminator goes anyway; out needs 4 bytes of room.
inline size_t encodeUnitByItself(char16_t u, uint8_t *out) {
    if (u < 0x80) {
        out[0] = static_cast<uint8_t>(u);
        return 1;
    }
    if (u < 0x800) {
        const uint16_t bytes = static_cast<uint16_t>((0xC0u | (u >> 6)) | (0x80u | (u & 0x3Fu)) << 8);
        memcpy(out, &bytes, sizeof bytes);
        return 2;
    }
    const uint32_t bytes = (0xE0u | (u >> 12)) | (0x80u | ((u >> 6) & 0x3Fu)) << 8 | (0x80u | (u & 0x3Fu)) << 16;
    memcpy(out, &bytes, sizeof bytes);
    return 3;
}

// The same, storing only the unit's own bytes: where the byte after them may
// not be written (real UTF-8 stops at an unpaired surrogate, whose place
// stays as it was).
inline size_t encodeUnitExactly(char16_t u, uint8_t *out) {
    uint8_t bytes[4];
    const size_t length = encodeUnitByItself(u, bytes);
    out[0] = bytes[0];
    if (length > 1) out[1] = bytes[1];
    if (length > 2) out[2] = bytes[2];
    return length;
}

// The stream writer's rule for the unit at p (remaining units from p on, at
// least 1): adds its bytes to out at used; returns the units consumed (2 for
// a pair). out needs 4 bytes of room.
inline size_t encodeWriterUnit(const char16_t *p, size_t remaining, uint8_t *out, size_t &used) {
    const char16_t u = *p;
    if (!isSurrogateUnit(u)) {
        used += encodeUnitByItself(u, out + used);
        return 1;
    }
    if (u < 0xDC00 && remaining >= 2 && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
        const uint32_t cp = 0x10000 + ((static_cast<uint32_t>(u) - 0xD800) << 10) + (p[1] - 0xDC00u);
        const uint32_t bytes = (0xF0u | (cp >> 18)) | (0x80u | ((cp >> 12) & 0x3F)) << 8 |
                               (0x80u | ((cp >> 6) & 0x3F)) << 16 | (0x80u | (cp & 0x3F)) << 24;
        memcpy(out + used, &bytes, sizeof bytes);
        used += 4;
        return 2;
    }
    out[used++] = unpairedSurrogate;
    return 1;
}

// The bytes of one unit by itself.
inline size_t unitUtf8Length(char16_t u) { return u < 0x80 ? 1 : u < 0x800 ? 2 : 3; }

// The plain level's real UTF-8 encoder (Kernels::encodeRealUtf8), which a
// level without a vector one takes as well.
size_t encodeRealUtf8Plain(uint8_t *out, size_t n, size_t limit, const char16_t *&src);

// The byte shuffles of the vector encoders (u16_kern_to8.h), which pack the
// bytes each unit keeps of its widened form.
struct Utf8ShuffleTables {
    // Eight units, each one byte (bit clear) or two (bit set) at bytes 2j, 2j + 1.
    alignas(16) uint8_t two[256][16];
    // Four units, each in bytes 4j to 4j + 3: its ASCII form, its last byte,
    // a three-byte lead, and a two-byte lead or the middle of three bytes. Bit
    // 2j marks a unit of two bytes or more, bit 2j + 1 one of three.
    alignas(16) uint8_t three[256][16];
};

constexpr Utf8ShuffleTables makeUtf8ShuffleTables() {
    Utf8ShuffleTables t{};
    for (uint32_t index = 0; index < 256; ++index) {
        uint32_t n = 0;
        for (uint32_t j = 0; j < 8; ++j) {
            t.two[index][n++] = static_cast<uint8_t>(2 * j);
            if ((index >> j) & 1) t.two[index][n++] = static_cast<uint8_t>(2 * j + 1);
        }
        while (n < 16) t.two[index][n++] = 0x80;
        n = 0;
        for (uint32_t j = 0; j < 4; ++j) {
            const uint32_t multi = (index >> (2 * j)) & 1;
            const uint32_t length = 1 + multi + (multi & (index >> (2 * j + 1)));
            constexpr uint8_t order[4][3] = {{}, {0}, {3, 1}, {2, 3, 1}};
            for (uint32_t b = 0; b < length; ++b) t.three[index][n++] = static_cast<uint8_t>(4 * j + order[length][b]);
        }
        while (n < 16) t.three[index][n++] = 0x80;
    }
    return t;
}

inline constexpr Utf8ShuffleTables utf8Shuffles = makeUtf8ShuffleTables();

// The vector encoders' 16-bit constants, each repeated over 64 bytes (a
// vector of any width). They are defined out of sight (u16_level_plain.cpp)
// so that the kernels read them from memory: GCC would build each from a
// general register, three instructions at every use in a loop.
enum Utf8Constant : uint8_t {
    low7AndLast = 0,     // 3F7F
    lastTag = 1,         // 8000
    leadBits = 2,        // 0FFC
    gatherLeads = 3,     // 0140
    leadTags = 4,        // C0E0
    middleTag = 5,       // 4000
    twoBytesFrom = 6,    // 0080
    threeBytesFrom = 7,  // 0800
    low6 = 8,            // 003F
    lead2Tag = 9,        // 00C0
    nonAscii = 10,       // FF80
    surrogateBits = 11,  // F800
    highHalf = 12,       // D800
    halfBits = 13,       // FC00
    lowHalf = 14,        // DC00
    low10 = 15,          // 03FF
    planeOffset = 16,    // 0040
    lead4Tag = 17,       // 00F0
    low2 = 18,           // 0003
    low4 = 19,           // 000F
    threeBias = 20,      // 7800
    halfShift = 21,      // 2800
    below800 = 22,       // 07FF
    utf8ConstantCount = 23
};
struct Utf8ConstantRows {
    alignas(64) uint16_t row[utf8ConstantCount][32];
};
extern const Utf8ConstantRows utf8Constants;

}  // namespace qoru

#endif
