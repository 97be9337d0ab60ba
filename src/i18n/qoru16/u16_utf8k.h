// UTF-16 to UTF-8: the unit-by-unit rules of the two encoders, which the
// scalar paths and the vector kernels' tails share, and the kernels of each
// CPU level behind the dispatch table.
//
// The two encoders differ only on surrogates. The whole-string one
// (U2sToUtf8s) writes every unit by itself, a surrogate as three bytes like
// any unit from 0x800 on. The stream writer joins a pair within its run into
// one four-byte sequence and writes any other surrogate as '#'. The vector
// core encodes runs without surrogates for both; the writer's narrow step
// also takes runs with surrogates, and its unit rule finishes what the
// vector steps leave.
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

// The kernels of each level (fields of Kernels, see u16_cpu.h).
size_t encodeUtf8Sse2(uint8_t *out, size_t n, size_t limit, const char16_t *&src);
size_t countUtf8Sse2(const char16_t *src);
size_t fillUtf8BlockSse2(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used);

size_t encodeUtf8Ssse3(uint8_t *out, size_t n, size_t limit, const char16_t *&src);
size_t countUtf8Ssse3(const char16_t *src);
size_t fillUtf8BlockSsse3(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used);

size_t encodeUtf8Avx2(uint8_t *out, size_t n, size_t limit, const char16_t *&src);
size_t countUtf8Avx2(const char16_t *src);
size_t fillUtf8BlockAvx2(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used);

size_t encodeUtf8Avx512(uint8_t *out, size_t n, size_t limit, const char16_t *&src);
size_t countUtf8Avx512(const char16_t *src);
size_t fillUtf8BlockAvx512(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used);

}  // namespace qoru

#endif
