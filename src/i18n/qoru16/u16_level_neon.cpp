// The neon level (aarch64, where NEON is always present): the string scans
// and the ASCII runs of both conversions, eight units or sixteen bytes to a
// register; what a vector step does not take goes through the same unit and
// character rules as the plain level, so the results are the same.
//
// Terminated strings are read in aligned 16-byte blocks, whose units before
// the string's start are masked off (the page rule of u16_pagerule.h). A
// second string, a copy's source and text being converted are read unaligned
// only where staysInPage keeps the read within the page of its first unit or
// byte; data the caller hands over with a length is read within that length.
#include <arm_neon.h>

#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_pagerule.h"
#include "i18n/qoru16/u16_strk.h"
#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_utf8k.h"

namespace qoru {
namespace {

constexpr size_t vecBytes = 16;
constexpr size_t vecUnits = vecBytes / sizeof(char16_t);
constexpr size_t groupBytes = 4 * vecBytes;
constexpr size_t groupUnits = 4 * vecUnits;
// Where no vector step of the UTF-8 decoder applies, the bytes the decoder
// core takes before the next attempt: short, since runs of three-byte
// characters between spaces are common (at a four-byte form, which no step
// takes, a whole read's worth).
constexpr size_t scalarSpan = 4;

// Reads under the page rule: not instrumented, since they may reach past
// the string's end within its page.
[[gnu::no_sanitize_address, gnu::no_sanitize_thread]] uint16x8_t loadAligned(const char16_t *p) {
    return vld1q_u16(reinterpret_cast<const uint16_t *>(__builtin_assume_aligned(p, vecBytes)));
}
[[gnu::no_sanitize_address, gnu::no_sanitize_thread]] uint16x8_t loadInPage(const char16_t *p) {
    return vld1q_u16(reinterpret_cast<const uint16_t *>(p));
}
[[gnu::no_sanitize_address, gnu::no_sanitize_thread]] uint8x16_t loadBytesInPage(const uint8_t *p) {
    return vld1q_u8(p);
}

// Reads wholly within the caller's data: instrumented as usual.
uint16x8_t loadUnits(const char16_t *p) { return vld1q_u16(reinterpret_cast<const uint16_t *>(p)); }
uint8x16_t loadBytes(const uint8_t *p) { return vld1q_u8(p); }

// Eight bits per unit of a 16-bit lane mask (all ones or zero): the narrowing
// shift keeps one byte of each lane, the cheapest movemask NEON has.
uint64_t unitBits(uint16x8_t flags) { return vget_lane_u64(vreinterpret_u64_u8(vshrn_n_u16(flags, 4)), 0); }
// Four bits per byte of an 8-bit lane mask.
uint64_t byteBits(uint8x16_t flags) {
    return vget_lane_u64(vreinterpret_u64_u8(vshrn_n_u16(vreinterpretq_u16_u8(flags), 4)), 0);
}
size_t unitOfBit(uint64_t bits) { return static_cast<size_t>(__builtin_ctzll(bits)) / 8; }
size_t byteOfBit(uint64_t bits) { return static_cast<size_t>(__builtin_ctzll(bits)) / 4; }

// Stores that change nothing past what they write, so the caller's array
// beyond the bytes or units converted stays as it was: the lanes past
// `count` are written back as they were read. The room the callers keep
// covers the whole sixteen bytes.
alignas(16) constexpr uint8_t laneNumbers[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
void storeFirstBytes(uint8_t *out, uint8x16_t bytes, size_t count) {
    const uint8x16_t kept = vcltq_u8(vld1q_u8(laneNumbers), vdupq_n_u8(static_cast<uint8_t>(count)));
    vst1q_u8(out, vbslq_u8(kept, bytes, vld1q_u8(out)));
}
void storeFirstUnits(char16_t *out, uint16x8_t units, size_t count) {
    uint16_t *at = reinterpret_cast<uint16_t *>(out);
    const uint16x8_t kept = vcltq_u16(vmovl_u8(vld1_u8(laneNumbers)), vdupq_n_u16(static_cast<uint16_t>(count)));
    vst1q_u16(at, vbslq_u16(kept, units, vld1q_u16(at)));
}

// The bits of the units that are 0.
uint64_t zeroBits(uint16x8_t v) { return unitBits(vceqzq_u16(v)); }

const char16_t *alignedBlockStart(const char16_t *s) {
    return reinterpret_cast<const char16_t *>(reinterpret_cast<uintptr_t>(s) & ~uintptr_t{vecBytes - 1});
}

// A scan's marks are 0 in the units where it stops; the least of several
// marks is 0 where any of them is, so a group takes one test.
struct ZeroMarks {
    uint16x8_t operator()(uint16x8_t v) const { return v; }
};
struct ZeroOrUnitMarks {
    uint16x8_t wanted;
    // v ^ c is 0 where v is c.
    uint16x8_t operator()(uint16x8_t v) const { return vminq_u16(veorq_u16(v, wanted), v); }
};

// The first unit at or after s where marks is 0. The first read is the
// aligned block that holds s, its units before s left out; then single
// blocks up to a group boundary, then groups of four.
template <class Marks>
const char16_t *scan(const char16_t *s, Marks marks) {
    const size_t offset = reinterpret_cast<uintptr_t>(s) & (vecBytes - 1);
    const char16_t *p = alignedBlockStart(s);
    if (const uint64_t m = zeroBits(marks(loadAligned(p))) >> (offset * 4)) return s + unitOfBit(m);
    for (p += vecUnits; !isAligned(p, groupBytes); p += vecUnits)
        if (const uint64_t m = zeroBits(marks(loadAligned(p)))) return p + unitOfBit(m);
    for (;; p += groupUnits) {
        const uint16x8_t m0 = marks(loadAligned(p)), m1 = marks(loadAligned(p + vecUnits));
        const uint16x8_t m2 = marks(loadAligned(p + 2 * vecUnits)), m3 = marks(loadAligned(p + 3 * vecUnits));
        if (zeroBits(vminq_u16(vminq_u16(m0, m1), vminq_u16(m2, m3))) == 0) continue;
        if (const uint64_t m = zeroBits(m0)) return p + unitOfBit(m);
        if (const uint64_t m = zeroBits(m1)) return p + vecUnits + unitOfBit(m);
        if (const uint64_t m = zeroBits(m2)) return p + 2 * vecUnits + unitOfBit(m);
        return p + 3 * vecUnits + unitOfBit(zeroBits(m3));
    }
}

const char16_t *findZeroNeon(const char16_t *s) { return scan(s, ZeroMarks{}); }

const char16_t *findZeroOrUnitNeon(const char16_t *s, char16_t c) {
    return scan(s, ZeroOrUnitMarks{vdupq_n_u16(static_cast<uint16_t>(c))});
}

// a's unit where it equals b's, else 0: 0 where the comparison stops.
uint16x8_t stopMarks(uint16x8_t a, uint16x8_t b) { return vandq_u16(a, vceqq_u16(a, b)); }

// a is read in aligned blocks; b at the same positions, unaligned, where the
// read stays within b's page, else unit by unit for that block.
size_t findStopNeon(const char16_t *a, const char16_t *b) {
    size_t i = 0;
    while (!isAligned(a + i, vecBytes)) {
        if (a[i] == 0 || a[i] != b[i]) return i;
        ++i;
    }
    for (;; i += vecUnits) {
        if (staysInPage(b + i, vecBytes)) {
            if (const uint64_t m = zeroBits(stopMarks(loadAligned(a + i), loadInPage(b + i)))) return i + unitOfBit(m);
            continue;
        }
        for (size_t k = 0; k < vecUnits; ++k)
            if (a[i + k] == 0 || a[i + k] != b[i + k]) return i + k;
    }
}

// Both strings hold n units: whole blocks are read within them, the rest
// unit by unit.
size_t findDifferenceNeon(const char16_t *a, const char16_t *b, size_t n) {
    size_t i = 0;
    for (; n - i >= vecUnits; i += vecUnits)
        if (const uint64_t m = unitBits(vmvnq_u16(vceqq_u16(loadUnits(a + i), loadUnits(b + i)))))
            return i + unitOfBit(m);
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

int32_t compareWithinNeon(const char16_t *a, const char16_t *b, size_t n) {
    const size_t i = findDifferenceNeon(a, b, n);
    return i < n ? unitDifference(a[i], b[i]) : 0;
}

// src is read in aligned blocks (unit by unit up to the first block
// boundary); a block without the terminator is stored whole, unaligned, and
// the block that holds it is copied unit by unit.
size_t copyStringNeon(char16_t *dst, const char16_t *src) {
    size_t i = 0;
    while (!isAligned(src + i, vecBytes)) {
        if ((dst[i] = src[i]) == 0) return i;
        ++i;
    }
    for (;; i += vecUnits) {
        const uint16x8_t v = loadAligned(src + i);
        if (zeroBits(v) != 0) break;
        vst1q_u16(reinterpret_cast<uint16_t *>(dst + i), v);
    }
    while ((dst[i] = src[i]) != 0) ++i;
    return i;
}

// The string functions' whole work at any address: odd ones unit by unit.
bool isOddAddress(const void *p) { return (reinterpret_cast<uintptr_t>(p) & 1) != 0; }

size_t stringLengthNeon(const char16_t *s) {
    const char16_t *p = s;
    if (isOddAddress(s)) {
        while (*p != 0) ++p;
    } else {
        p = findZeroNeon(s);
    }
    return static_cast<size_t>(p - s);
}

char16_t *findUnitNeon(const char16_t *s, char16_t c) {
    const char16_t *p = s;
    if (isOddAddress(s)) {
        while (*p != 0 && *p != c) ++p;
    } else {
        p = findZeroOrUnitNeon(s, c);
    }
    return *p == c ? const_cast<char16_t *>(p) : nullptr;
}

int32_t compareNeon(const char16_t *a, const char16_t *b) {
    size_t i = 0;
    if (isOddAddress(a) || isOddAddress(b)) {
        while (a[i] != 0 && a[i] == b[i]) ++i;
    } else {
        i = findStopNeon(a, b);
    }
    return unitDifference(a[i], b[i]);
}

char16_t *copyNeon(char16_t *dst, const char16_t *src) {
    if (isOddAddress(src)) {
        for (size_t i = 0; (dst[i] = src[i]) != 0; ++i) {
        }
    } else {
        copyStringNeon(dst, src);
    }
    return dst;
}

// Aligned blocks, as in scan, until the terminator or the n-th unit.
size_t findZeroWithinNeon(const char16_t *s, size_t n) {
    if (n == 0) return 0;
    const size_t offset = reinterpret_cast<uintptr_t>(s) & (vecBytes - 1);
    const char16_t *p = alignedBlockStart(s);
    size_t found = n;
    if (const uint64_t first = zeroBits(loadAligned(p)) >> (offset * 4)) {
        found = unitOfBit(first);
    } else {
        for (p += vecUnits; static_cast<size_t>(p - s) < n; p += vecUnits) {
            if (const uint64_t m = zeroBits(loadAligned(p))) {
                found = static_cast<size_t>(p - s) + unitOfBit(m);
                break;
            }
        }
    }
    return found < n ? found : n;
}

// Units from 0x80 on take one byte more, from 0x800 on (surrogates
// included) two more.
size_t countUtf8Neon(const char16_t *src) {
    size_t total = 0;
    while (!isAligned(src, vecBytes)) {
        if (*src == 0) return total;
        total += unitUtf8Length(*src);
        ++src;
    }
    for (;; src += vecUnits) {
        const uint16x8_t v = loadAligned(src);
        if (zeroBits(v) != 0) break;
        // Each comparison is all ones (-1) where it holds.
        const uint16x8_t extra = vaddq_u16(vcgtq_u16(v, vdupq_n_u16(0x7F)), vcgtq_u16(v, vdupq_n_u16(0x7FF)));
        total += vecUnits + static_cast<uint16_t>(-vaddvq_u16(extra));
    }
    for (; *src != 0; ++src) total += unitUtf8Length(*src);
    return total;
}

// The bits of the units above `top`.
uint64_t bitsAbove(uint16x8_t v, uint16_t top) { return unitBits(vcgtq_u16(v, vdupq_n_u16(top))); }

// The bytes to keep of a vector of unit forms (an index out of range gives
// 0), and how many, by which units take which lengths.
struct PackTable {
    uint8_t index[256][16];
    uint8_t length[256];
};

// The first bytes of a table's pack of bytes at out (sixteen bytes of room);
// how many.
size_t storePacked(uint8x16_t bytes, const PackTable &table, uint32_t which, uint8_t *out) {
    storeFirstBytes(out, vqtbl1q_u8(bytes, vld1q_u8(table.index[which])), table.length[which]);
    return table.length[which];
}

// For eight units each taking one or two bytes, as their (lead, trail)
// pairs: by which units take one byte (bit i for unit i).
constexpr PackTable makePackTable() {
    PackTable t{};
    for (uint32_t oneByte = 0; oneByte < 256; ++oneByte) {
        uint32_t k = 0;
        for (uint32_t i = 0; i < vecUnits; ++i) {
            t.index[oneByte][k++] = static_cast<uint8_t>(2 * i);
            if ((oneByte >> i & 1) == 0) t.index[oneByte][k++] = static_cast<uint8_t>(2 * i + 1);
        }
        t.length[oneByte] = static_cast<uint8_t>(k);
        // An index out of range gives 0.
        for (; k < vecBytes; ++k) t.index[oneByte][k] = 0xFF;
    }
    return t;
}
constexpr PackTable packTable = makePackTable();
alignas(16) constexpr uint16_t unitWeights[vecUnits] = {1, 2, 4, 8, 16, 32, 64, 128};

// Eight units below 0x800 as their one- or two-byte forms at out, which has
// sixteen bytes of room; the bytes written.
size_t encodeShortUnits(uint16x8_t v, uint8_t *out) {
    const uint16x8_t oneByte = vcltq_u16(v, vdupq_n_u16(0x80));
    const uint16x8_t lead = vbslq_u16(oneByte, v, vorrq_u16(vshrq_n_u16(v, 6), vdupq_n_u16(0xC0)));
    const uint16x8_t trail = vorrq_u16(vandq_u16(v, vdupq_n_u16(0x3F)), vdupq_n_u16(0x80));
    const uint8x16_t pairs = vreinterpretq_u8_u16(vorrq_u16(lead, vshlq_n_u16(trail, 8)));
    return storePacked(pairs, packTable, vaddvq_u16(vandq_u16(oneByte, vld1q_u16(unitWeights))), out);
}

// For four units of one to three bytes each, as 32-bit lanes of their
// bytes: by each lane's bytes beyond the first (0 to 2, at bits 2i for lane i).
constexpr PackTable makeThreeByteTable() {
    PackTable t{};
    for (uint32_t extra = 0; extra < 256; ++extra) {
        uint32_t k = 0;
        for (uint32_t i = 0; i < 4; ++i)
            for (uint32_t j = 0; j <= (extra >> (2 * i) & 3) && j < 3; ++j)
                t.index[extra][k++] = static_cast<uint8_t>(4 * i + j);
        t.length[extra] = static_cast<uint8_t>(k);
        for (; k < vecBytes; ++k) t.index[extra][k] = 0xFF;
    }
    return t;
}
constexpr PackTable threeByteTable = makeThreeByteTable();
alignas(16) constexpr uint32_t extraWeights[4] = {1, 4, 16, 64};

// Four units, each by itself (a surrogate as three bytes), at out, which has
// sixteen bytes of room; the bytes written.
size_t encodeFourUnits(uint16x4_t units, uint8_t *out) {
    const uint32x4_t w = vmovl_u16(units);
    const uint32x4_t twoOrMore = vcgtq_u32(w, vdupq_n_u32(0x7F));
    const uint32x4_t three = vcgtq_u32(w, vdupq_n_u32(0x7FF));
    const uint32x4_t low = vorrq_u32(vandq_u32(w, vdupq_n_u32(0x3F)), vdupq_n_u32(0x80));
    const uint32x4_t middle = vorrq_u32(vandq_u32(vshrq_n_u32(w, 6), vdupq_n_u32(0x3F)), vdupq_n_u32(0x80));
    const uint32x4_t twoBytes = vorrq_u32(vorrq_u32(vshrq_n_u32(w, 6), vdupq_n_u32(0xC0)), vshlq_n_u32(low, 8));
    const uint32x4_t threeBytes = vorrq_u32(vorrq_u32(vshrq_n_u32(w, 12), vdupq_n_u32(0xE0)),
                                            vorrq_u32(vshlq_n_u32(middle, 8), vshlq_n_u32(low, 16)));
    const uint32x4_t lanes = vbslq_u32(three, threeBytes, vbslq_u32(twoOrMore, twoBytes, w));
    // Each comparison is all ones (-1) where it holds.
    const uint32x4_t extra = vreinterpretq_u32_s32(vnegq_s32(vreinterpretq_s32_u32(vaddq_u32(twoOrMore, three))));
    const uint32_t which = vaddvq_u32(vmulq_u32(extra, vld1q_u32(extraWeights)));
    return storePacked(vreinterpretq_u8_u32(lanes), threeByteTable, which, out);
}

// How a block's units are taken: the whole-string encoder stops at 0 and
// writes a surrogate like any other unit; the stream writer takes 0 as a byte
// like any other and leaves surrogates to its unit rule.
enum class Encoder : uint8_t { wholeString, writer };

// Eight units encoded at once into out, which has 28 bytes of room; the bytes
// written, or 0 with nothing stored when the block holds a unit the encoder
// leaves to its unit rule.
size_t encodeBlock(uint16x8_t v, uint8_t *out, Encoder encoder) {
    if (encoder == Encoder::wholeString && zeroBits(v) != 0) return 0;
    if (bitsAbove(v, 0x7F) == 0) {
        vst1_u8(out, vmovn_u16(v));
        return vecUnits;
    }
    if (encoder == Encoder::writer && unitBits(vceqq_u16(vandq_u16(v, vdupq_n_u16(0xF800)), vdupq_n_u16(0xD800))) != 0)
        return 0;
    if (bitsAbove(v, 0x7FF) == 0) return encodeShortUnits(v, out);
    const size_t first = encodeFourUnits(vget_low_u16(v), out);
    return first + encodeFourUnits(vget_high_u16(v), out + first);
}

// Blocks of eight units go at once where each of their units would still
// have had its four bytes of room (n + 21 + 4 <= limit; the block's stores
// reach 28 bytes); other units by themselves.
size_t encodeUtf8Neon(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    const char16_t *s = src;
    for (;;) {
        if (n + 28 <= limit && staysInPage(s, vecBytes)) {
            if (const size_t bytes = encodeBlock(loadInPage(s), out + n, Encoder::wholeString)) {
                n += bytes;
                s += vecUnits;
                continue;
            }
        }
        // One block's units by themselves, up to the terminator or the room.
        const char16_t *blockEnd = s + vecUnits;
        for (; s != blockEnd; ++s) {
            if (*s == 0 || n + 4 > limit) {
                src = s;
                return n;
            }
            n += encodeUnitByItself(*s, out + n);
        }
    }
}

// Blocks of eight units without surrogates go at once while each unit would
// still have started at or below the threshold (used + 21 <= threshold; the
// stores reach seven bytes past it, within the slack); other units by the
// writer's unit rule.
size_t fillUtf8BlockNeon(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used) {
    size_t i = 0;
    size_t k = used;
    while (i < remaining && k <= utf8BlockThreshold) {
        if (remaining - i >= vecUnits && k + 21 <= utf8BlockThreshold) {
            if (const size_t bytes = encodeBlock(loadUnits(units + i), buf + k, Encoder::writer)) {
                k += bytes;
                i += vecUnits;
                continue;
            }
        }
        const size_t blockEnd = i + vecUnits;
        while (i < remaining && i < blockEnd && k <= utf8BlockThreshold)
            i += encodeWriterUnit(units + i, remaining - i, buf, k);
    }
    used = k;
    return i;
}

// The bytes a lead announces; an invalid lead stops the decoding anyway.
uint32_t sequenceLength(uint8_t lead) { return lead < 0xE0 ? (lead < 0x80 ? 1 : 2) : lead < 0xF0 ? 3 : 4; }

// One valid character at q into dst[n] (when dst is not null), by the one
// decoder core; false, with nothing taken, at the terminator or invalid input.
[[gnu::always_inline]] inline bool convertCharacter(char16_t *dst, size_t &n, const uint8_t *&q) {
    const uint8_t *at = q;
    const Utf8Step step = decodeUtf8(*at, [at](uint32_t i) { return at[i]; });
    if (!step.valid || step.value == 0) return false;
    n += storeCharacter(dst, n, step.value);
    q += step.length;
    return true;
}

// The number of leading bytes from 1 to 0x7F of sixteen.
size_t asciiPrefix(uint8x16_t bytes) {
    // Bytes 0 and from 0x80 on are those that, less one, exceed 0x7E.
    const uint64_t m = byteBits(vcgtq_u8(vsubq_u8(bytes, vdupq_n_u8(1)), vdupq_n_u8(0x7E)));
    return m == 0 ? vecBytes : byteOfBit(m);
}

// The first count of sixteen bytes as units at dst.
void storeWidened(char16_t *dst, uint8x16_t bytes, size_t count) {
    const uint16x8_t low = vmovl_u8(vget_low_u8(bytes)), high = vmovl_high_u8(bytes);
    if (count == vecBytes) {
        vst1q_u16(reinterpret_cast<uint16_t *>(dst), low);
        vst1q_u16(reinterpret_cast<uint16_t *>(dst + vecUnits), high);
        return;
    }
    storeFirstUnits(dst, low, count < vecUnits ? count : vecUnits);
    if (count > vecUnits) storeFirstUnits(dst + vecUnits, high, count - vecUnits);
}

// The ASCII bytes that start a read of sixteen, stored as units (dst has
// room for sixteen).
[[gnu::always_inline]] inline size_t takeAscii(char16_t *dst, size_t &n, const uint8_t *&q, uint8x16_t bytes) {
    const size_t k = asciiPrefix(bytes);
    if (dst != nullptr && k != 0) storeWidened(dst + n, bytes, k);
    n += k;
    q += k;
    return k;
}

// For eight 16-bit lanes: the bytes of the lanes a mask keeps (bit i for
// lane i), packed to the front.
struct LaneTable {
    uint8_t index[256][16];
};
constexpr LaneTable makeLaneTable() {
    LaneTable t{};
    for (uint32_t kept = 0; kept < 256; ++kept) {
        uint32_t k = 0;
        for (uint32_t i = 0; i < vecUnits; ++i) {
            if ((kept >> i & 1) == 0) continue;
            t.index[kept][k++] = static_cast<uint8_t>(2 * i);
            t.index[kept][k++] = static_cast<uint8_t>(2 * i + 1);
        }
        for (; k < vecBytes; ++k) t.index[kept][k] = 0xFF;
    }
    return t;
}
constexpr LaneTable laneTable = makeLaneTable();

// A mask of eight byte lanes (all ones or zero) as eight bits.
uint32_t laneBits(uint8x8_t flags) {
    const uint8x8_t weights = {1, 2, 4, 8, 16, 32, 64, 128};
    return vaddv_u8(vand_u8(flags, weights));
}

// The characters that start in the first eight of sixteen bytes, when all
// of them are ASCII (not 0) or valid two-byte sequences (leads 0xC2 to 0xDF,
// the last one's trail possibly the ninth byte): up to eight units (dst has
// room for eight); false, with nothing taken, else.
[[gnu::always_inline]] inline bool takeShortCharacters(char16_t *dst, size_t &n, const uint8_t *&q, uint8x16_t bytes) {
    const uint8x8_t first = vget_low_u8(bytes);
    const uint32_t leads = laneBits(vand_u8(vcge_u8(first, vdup_n_u8(0xC2)), vcle_u8(first, vdup_n_u8(0xDF))));
    const uint32_t trails = laneBits(vceq_u8(vand_u8(first, vdup_n_u8(0xC0)), vdup_n_u8(0x80)));
    const uint32_t ascii = laneBits(vcle_u8(vsub_u8(first, vdup_n_u8(1)), vdup_n_u8(0x7E)));
    // Every byte in a class, and every trail right after a lead.
    if ((leads | trails | ascii) != 0xFF || trails != ((leads << 1) & 0xFF)) return false;
    const uint32_t lastLead = leads >> 7;
    if (lastLead != 0 && (vgetq_lane_u8(bytes, 8) & 0xC0) != 0x80) return false;
    if (dst != nullptr) {
        const uint16x8_t one = vmovl_u8(first);
        const uint16x8_t next = vmovl_u8(vget_low_u8(vextq_u8(bytes, bytes, 1)));
        const uint16x8_t two =
            vorrq_u16(vshlq_n_u16(vandq_u16(one, vdupq_n_u16(0x1F)), 6), vandq_u16(next, vdupq_n_u16(0x3F)));
        const uint16x8_t leadLanes = vtstq_u16(vdupq_n_u16(static_cast<uint16_t>(leads)), vld1q_u16(unitWeights));
        const uint8x16_t units = vreinterpretq_u8_u16(vbslq_u16(leadLanes, two, one));
        const uint8x16_t packed = vqtbl1q_u8(units, vld1q_u8(laneTable.index[~trails & 0xFF]));
        storeFirstUnits(dst + n, vreinterpretq_u16_u8(packed), static_cast<size_t>(__builtin_popcount(~trails & 0xFF)));
    }
    n += static_cast<size_t>(__builtin_popcount(~trails & 0xFF));
    q += vecUnits + lastLead;
    return true;
}

// The four characters in the first twelve of sixteen bytes, when they are
// all valid three-byte sequences: four units (dst has room for eight);
// false, with nothing taken, else.
[[gnu::always_inline]] inline bool takeThreeByteCharacters(char16_t *dst, size_t &n, const uint8_t *&q,
                                                           uint8x16_t bytes) {
    // Leads are in E0..EF and trails in 80..BF where the pattern needs them.
    alignas(16) static constexpr uint8_t highNibbles[16] = {0xF0, 0xC0, 0xC0, 0xF0, 0xC0, 0xC0, 0xF0, 0xC0,
                                                            0xC0, 0xF0, 0xC0, 0xC0, 0,    0,    0,    0};
    alignas(16) static constexpr uint8_t expected[16] = {0xE0, 0x80, 0x80, 0xE0, 0x80, 0x80, 0xE0, 0x80,
                                                         0x80, 0xE0, 0x80, 0x80, 0,    0,    0,    0};
    const uint8x16_t pattern = vceqq_u8(vandq_u8(bytes, vld1q_u8(highNibbles)), vld1q_u8(expected));
    if (vminvq_u8(pattern) == 0) return false;
    alignas(16) static constexpr uint8_t leadIndex[16] = {0,    0xFF, 3,    0xFF, 6,    0xFF, 9,    0xFF,
                                                          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    alignas(16) static constexpr uint8_t secondIndex[16] = {1,    0xFF, 4,    0xFF, 7,    0xFF, 10,   0xFF,
                                                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    alignas(16) static constexpr uint8_t thirdIndex[16] = {2,    0xFF, 5,    0xFF, 8,    0xFF, 11,   0xFF,
                                                           0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const uint16x8_t lead = vreinterpretq_u16_u8(vqtbl1q_u8(bytes, vld1q_u8(leadIndex)));
    const uint16x8_t second = vreinterpretq_u16_u8(vqtbl1q_u8(bytes, vld1q_u8(secondIndex)));
    // After E0, a second byte below A0 would make the form overlong.
    const uint16x8_t overlong = vandq_u16(vceqq_u16(lead, vdupq_n_u16(0xE0)), vcltq_u16(second, vdupq_n_u16(0xA0)));
    if (unitBits(overlong) != 0) return false;
    if (dst != nullptr) {
        const uint16x8_t third = vreinterpretq_u16_u8(vqtbl1q_u8(bytes, vld1q_u8(thirdIndex)));
        const uint16x8_t units =
            vorrq_u16(vorrq_u16(vshlq_n_u16(lead, 12), vshlq_n_u16(vandq_u16(second, vdupq_n_u16(0x3F)), 6)),
                      vandq_u16(third, vdupq_n_u16(0x3F)));
        vst1_u16(reinterpret_cast<uint16_t *>(dst + n), vget_low_u16(units));
    }
    n += 4;
    q += 12;
    return true;
}

// One of the vector steps for characters beyond ASCII, by the first lead.
[[gnu::always_inline]] inline bool takeLongerCharacters(char16_t *dst, size_t &n, const uint8_t *&q, uint8x16_t bytes) {
    if (*q < 0xE0) return takeShortCharacters(dst, n, q, bytes);
    return *q < 0xF0 && takeThreeByteCharacters(dst, n, q, bytes);
}

// Characters by the decoder core, as the plain level takes them (room for
// `reserve` more units, and with an end, the whole sequence before it), at
// least one and on until `span` bytes from q are passed; false where the
// conversion stops.
[[gnu::always_inline]] inline bool convertCharacters(char16_t *dst, size_t &n, const uint8_t *&q, size_t span,
                                                     size_t limit, const uint8_t *end, size_t reserve) {
    const uint8_t *start = q;
    do {
        if (dst != nullptr && n + reserve > limit) return false;
        if (end != nullptr && (q == end || sequenceLength(*q) > static_cast<size_t>(end - q))) return false;
        if (!convertCharacter(dst, n, q)) return false;
    } while (static_cast<size_t>(q - start) < span);
    return true;
}

// Sixteen bytes are read where they stay within the page of the first (which
// the conversion has reached) and taken at once, by a vector step, where each
// character would still have had its room (n + 15 + 16 <= limit): leading
// ASCII, or eight bytes of ASCII and two-byte forms, or four three-byte
// forms; else a few bytes by the decoder core.
[[gnu::flatten]] void utf8ToUtf16Neon(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    size_t n = count;
    const uint8_t *q = p;
    for (;;) {
        if ((dst == nullptr || n + 31 <= limit) && staysInPage(q, vecBytes)) {
            const uint8x16_t bytes = loadBytesInPage(q);
            if (takeAscii(dst, n, q, bytes) != 0 || takeLongerCharacters(dst, n, q, bytes)) continue;
            if (!convertCharacters(dst, n, q, *q < 0xF0 ? scalarSpan : vecBytes, limit, nullptr, 16)) break;
        } else if (!convertCharacters(dst, n, q, 1, limit, nullptr, 16)) {
            break;
        }
    }
    count = n;
    p = q;
}

// The same with an end: sixteen bytes are read only where they lie before it,
// room is kept for seventeen units more, and a character is taken only where
// its whole sequence lies before the end.
[[gnu::flatten]] void utf8ToUtf16BoundedNeon(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end,
                                             size_t limit) {
    if (p >= end) return;
    size_t n = count;
    const uint8_t *q = p;
    for (;;) {
        if (static_cast<size_t>(end - q) >= vecBytes && n + 32 <= limit) {
            const uint8x16_t bytes = loadBytes(q);
            if (takeAscii(dst, n, q, bytes) != 0 || takeLongerCharacters(dst, n, q, bytes)) continue;
            if (!convertCharacters(dst, n, q, *q < 0xF0 ? scalarSpan : vecBytes, limit, end, 17)) break;
        } else if (!convertCharacters(dst, n, q, 1, limit, end, 17)) {
            break;
        }
    }
    count = n;
    p = q;
}

}  // namespace

const Kernels neonKernels = {
    .level = CpuLevel::neon,
    .stringLength = stringLengthNeon,
    .findZeroOrUnit = findZeroOrUnitNeon,
    .findUnit = findUnitNeon,
    .findLast = findLastPlain,
    .compare = compareNeon,
    .copy = copyNeon,
    .findZeroWithin = findZeroWithinNeon,
    .compareWithin = compareWithinNeon,
    .findUnitWithin = findUnitWithinPlain,
    .fill = fillPlain,
    .utf8ToUtf16 = utf8ToUtf16Neon,
    .utf8ToUtf16Bounded = utf8ToUtf16BoundedNeon,
    .encodeUtf8 = encodeUtf8Neon,
    .encodeRealUtf8 = encodeRealUtf8Plain,
    .countUtf8 = countUtf8Neon,
    .fillUtf8Block = fillUtf8BlockNeon,
};

}  // namespace qoru
