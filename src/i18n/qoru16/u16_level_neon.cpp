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
#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_utf8k.h"

namespace qoru {
namespace {

constexpr size_t vecBytes = 16;
constexpr size_t vecUnits = vecBytes / sizeof(char16_t);
constexpr size_t groupBytes = 4 * vecBytes;
constexpr size_t groupUnits = 4 * vecUnits;

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
        total += *src < 0x80 ? 1 : *src < 0x800 ? 2 : 3;
        ++src;
    }
    for (;; src += vecUnits) {
        const uint16x8_t v = loadAligned(src);
        if (zeroBits(v) != 0) break;
        // Each comparison is all ones (-1) where it holds.
        const uint16x8_t extra = vaddq_u16(vcgtq_u16(v, vdupq_n_u16(0x7F)), vcgtq_u16(v, vdupq_n_u16(0x7FF)));
        total += vecUnits + static_cast<uint16_t>(-vaddvq_u16(extra));
    }
    for (; *src != 0; ++src) total += *src < 0x80 ? 1 : *src < 0x800 ? 2 : 3;
    return total;
}

// Whether all eight units are 1..0x7F.
bool isAsciiBlock(uint16x8_t v) { return unitBits(vcgtq_u16(vsubq_u16(v, vdupq_n_u16(1)), vdupq_n_u16(0x7E))) == 0; }

// Blocks of eight units from 1 to 0x7F go as eight bytes; every other unit
// by itself. A block goes whole only where each of its units would still
// have had its four bytes of room (n + 7 + 4 <= limit).
size_t encodeUtf8Neon(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    const char16_t *s = src;
    for (;;) {
        if (n + vecUnits + 3 <= limit && staysInPage(s, vecBytes)) {
            const uint16x8_t v = loadInPage(s);
            if (isAsciiBlock(v)) {
                vst1_u8(out + n, vmovn_u16(v));
                n += vecUnits;
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

// Whether all eight units are below 0x80 (0 included: the writer encodes it
// as a byte like any other).
bool isBelow0x80(uint16x8_t v) { return unitBits(vcgtq_u16(v, vdupq_n_u16(0x7F))) == 0; }

// Blocks of eight ASCII units go as eight bytes while each of them would
// still have started below the threshold (used + 7 <= threshold); every other
// unit by the writer's unit rule.
size_t fillUtf8BlockNeon(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used) {
    size_t i = 0;
    size_t k = used;
    while (i < remaining && k <= utf8BlockThreshold) {
        if (remaining - i >= vecUnits && k + vecUnits - 1 <= utf8BlockThreshold) {
            const uint16x8_t v = loadUnits(units + i);
            if (isBelow0x80(v)) {
                vst1_u8(buf + k, vmovn_u16(v));
                k += vecUnits;
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
bool convertCharacter(char16_t *dst, size_t &n, const uint8_t *&q) {
    const uint8_t *at = q;
    const Utf8Step step = decodeUtf8(*at, [at](uint32_t i) { return at[i]; });
    if (!step.valid || step.value == 0) return false;
    if (step.value <= 0xFFFF) {
        if (dst != nullptr) dst[n] = static_cast<char16_t>(step.value);
        ++n;
    } else {
        if (dst != nullptr) {
            dst[n] = highSurrogate(step.value);
            dst[n + 1] = lowSurrogate(step.value);
        }
        n += 2;
    }
    q += step.length;
    return true;
}

// The number of leading bytes from 1 to 0x7F of sixteen.
size_t asciiPrefix(uint8x16_t bytes) {
    // Bytes 0 and from 0x80 on are those that, less one, exceed 0x7E.
    const uint64_t m = byteBits(vcgtq_u8(vsubq_u8(bytes, vdupq_n_u8(1)), vdupq_n_u8(0x7E)));
    return m == 0 ? vecBytes : byteOfBit(m);
}

// The sixteen bytes as sixteen units at dst.
void storeWidened(char16_t *dst, uint8x16_t bytes) {
    uint16_t *d = reinterpret_cast<uint16_t *>(dst);
    vst1q_u16(d, vmovl_u8(vget_low_u8(bytes)));
    vst1q_u16(d + vecUnits, vmovl_high_u8(bytes));
}

// The ASCII bytes that start a read of sixteen: all sixteen units are stored
// (dst has room for them), the leading ASCII ones kept.
size_t takeAscii(char16_t *dst, size_t &n, const uint8_t *&q, uint8x16_t bytes) {
    const size_t k = asciiPrefix(bytes);
    if (dst != nullptr) storeWidened(dst + n, bytes);
    n += k;
    q += k;
    return k;
}

// Sixteen bytes are read where they stay within the page of the first (which
// the conversion has reached); the ASCII ones that lead them are taken at
// once when each would still have had its room (n + 15 + 16 <= limit), then
// one character by the decoder core.
void utf8ToUtf16Neon(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    size_t n = count;
    const uint8_t *q = p;
    for (;;) {
        if ((dst == nullptr || n + 31 <= limit) && staysInPage(q, vecBytes)) {
            if (takeAscii(dst, n, q, loadBytesInPage(q)) == vecBytes) continue;
        }
        if (dst != nullptr && n + 16 > limit) break;
        if (!convertCharacter(dst, n, q)) break;
    }
    count = n;
    p = q;
}

// The same with an end: sixteen bytes are read only where they lie before it,
// room is kept for seventeen units more, and a character is taken only where
// its whole sequence lies before the end.
void utf8ToUtf16BoundedNeon(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit) {
    if (p >= end) return;
    size_t n = count;
    const uint8_t *q = p;
    for (;;) {
        if (static_cast<size_t>(end - q) >= vecBytes && n + 32 <= limit) {
            if (takeAscii(dst, n, q, loadBytes(q)) == vecBytes) continue;
        }
        if (n + 17 > limit || q == end || sequenceLength(*q) > static_cast<size_t>(end - q)) break;
        if (!convertCharacter(dst, n, q)) break;
    }
    count = n;
    p = q;
}

}  // namespace

const Kernels neonKernels = {
    .level = CpuLevel::neon,
    .findZero = findZeroNeon,
    .findZeroOrUnit = findZeroOrUnitNeon,
    .findStop = findStopNeon,
    .findDifference = findDifferenceNeon,
    .copyString = copyStringNeon,
    .findZeroWithin = findZeroWithinNeon,
    .utf8ToUtf16 = utf8ToUtf16Neon,
    .utf8ToUtf16Bounded = utf8ToUtf16BoundedNeon,
    .encodeUtf8 = encodeUtf8Neon,
    .countUtf8 = countUtf8Neon,
    .fillUtf8Block = fillUtf8BlockNeon,
};

}  // namespace qoru
