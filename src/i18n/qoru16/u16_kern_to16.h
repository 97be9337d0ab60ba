// UTF-8 to UTF-16, written once for every x86 width: each level file
// includes this header inside its target region and instantiates the two
// kernels for its widths (u16_cpu.h says what they do).
//
// Blocks of sixteen bytes (thirty-two with AVX2, sixty-four with AVX-512) are
// validated and converted in one pass, four-byte forms included; the last
// blocks before the limit are of sixteen. Every lane computes the unit its
// byte would give as the lead of a character (a four-byte lead gives the high
// surrogate, the byte after it the low one); the lanes of leads and low
// surrogates are then packed, eight at a time with a byte shuffle (sixteen or
// thirty-two at a time with AVX-512's compress). A block advances by all its
// bytes: a character that starts in it takes its last bytes from the next
// block, which skips them. The baseline (SSE2, no byte shuffle) takes only
// ASCII blocks. What the blocks leave (a string's first units, the last bytes
// before an end, a block that holds a terminator) goes character by character
// through the decoder core, a block's worth before the blocks are tried again.
//
// Nothing past the units converted is ever written, so the array beyond them
// stays as the caller left it: AVX-512 stores with a mask; the narrower
// widths store so that each store ends at the last unit written, the eight
// units before the end kept in a register (the tail) and shifted down as new
// units arrive. The tail starts from the eight units stored last, so a block
// that is not all ASCII waits until eight units are stored.
//
// A block is validated from bitmasks of its bytes: the continuation bytes
// must be exactly those the leads before them expect (one after a lead of
// C2-DF, two after E0-EF, three after F0-F4), the bytes the last leads expect
// after the block included; the leads C0, C1 and F5-FF, the overlong second
// bytes after E0 and F0 and those beyond U+10FFFF after F4 are refused. A
// block whose reads would cross the end of a page reads on into the next
// page when the string goes on there, else a copy of the bytes before the
// page's end (copyAcrossPage). With an end (a stream's buffer) a block runs
// only where all it reads lies before the end.
//
// Included only inside a level's target region, after u16_simd_x86.h and
// after u16_pagerule.h and u16_utf8.h outside it; everything here is in an
// anonymous namespace, so each level gets its own copies.
#ifndef QORU_U16_KERN_TO16_H
#define QORU_U16_KERN_TO16_H

#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "i18n/qoru16/u16_pagerule.h"
#include "i18n/qoru16/u16_utf8.h"

// A level file's kernels return vectors only to the kernels of its own
// target, into which they are inlined; GCC reports the calling convention of
// the instantiations at the end of the file (Windows' in particular), so the
// warning stays off to the end.
#pragma GCC diagnostic ignored "-Wpragmas"
#pragma GCC diagnostic ignored "-Wpsabi"

// GCC 12's AVX-512 headers use an undefined value (__Y) as the merge source
// of their unmasked forms, which its own analysis reports where they are
// inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunknown-warning-option"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace qoru {
namespace {
namespace to16 {

// Shuffles on eight 16-bit lanes: top[m] packs the lanes marked in m, in
// order, into the top lanes (zeros below); down[s] moves every lane down by
// s; marked[m] is the number of bits set in m (the baseline has no popcnt).
struct PackTables {
    uint8_t top[256][16];
    uint8_t down[9][16];
    uint8_t marked[256];
};

constexpr PackTables makePackTables() {
    PackTables t{};
    for (uint32_t m = 0; m < 256; ++m) {
        t.marked[m] = static_cast<uint8_t>(__builtin_popcount(m));
        uint32_t lane = 8 - t.marked[m];
        for (uint8_t &b : t.top[m]) b = 0x80;
        for (uint8_t k = 0; k < 8; ++k) {
            if (((m >> k) & 1) == 0) continue;
            t.top[m][2 * lane] = static_cast<uint8_t>(2 * k);
            t.top[m][2 * lane + 1] = static_cast<uint8_t>(2 * k + 1);
            ++lane;
        }
    }
    for (uint32_t s = 0; s <= 8; ++s) {
        for (uint32_t k = 0; k < 16; ++k) t.down[s][k] = k + 2 * s < 16 ? static_cast<uint8_t>(k + 2 * s) : 0x80;
    }
    return t;
}

alignas(16) constexpr PackTables packTables = makePackTables();

// Units in the marked lanes of a mask.
inline uint32_t markedLanes(uint64_t m) {
    uint32_t total = 0;
    for (; m != 0; m >>= 8) total += packTables.marked[m & 0xFF];
    return total;
}

// Copies of each constant the wide blocks use, read from memory:
// broadcasting them from a general register would cost a shuffle each.
struct alignas(64) Splat {
    uint8_t bytes[64];
};

template <uint8_t v>
constexpr Splat makeByteSplat() {
    Splat t{};
    for (uint8_t &b : t.bytes) b = v;
    return t;
}

template <uint16_t v>
constexpr Splat makeWordSplat() {
    Splat t{};
    for (size_t k = 0; k < 64; k += 2) t.bytes[k] = v & 0xFF, t.bytes[k + 1] = v >> 8;
    return t;
}

template <uint8_t v>
inline constexpr Splat byteSplat = makeByteSplat<v>();
template <uint16_t v>
inline constexpr Splat wordSplat = makeWordSplat<v>();

// The copies' address, hidden from the compiler, which would otherwise make
// each constant from an immediate by a broadcast inside the loops.
[[gnu::always_inline]] inline const uint8_t *opaque(const uint8_t *p) {
    asm("" : "+r"(p));
    return p;
}

// Bytes each block reads: its own, and three after it for the last leads.
inline constexpr size_t blockReach = 3;

// The bytes a lead announces; an invalid lead stops the conversion anyway.
inline size_t sequenceLength(uint8_t lead) { return lead < 0xE0 ? (lead < 0x80 ? 1 : 2) : lead < 0xF0 ? 3 : 4; }

struct Cursor {
    char16_t *dst;
    size_t n;           // units converted
    const uint8_t *q;   // the next block
    uint64_t carry;     // continuation bytes at q.. that belong to a character already converted
    uint32_t lowCarry;  // 1 when the byte at q is to give a low surrogate
    __m128i tail;       // dst[n-8..n), once n >= 8, where the width packs with a tail
};

// A 16-byte read of units already stored: instrumented as usual.
inline __m128i storedUnits(const char16_t *p) { return Sse2::loadData(p); }

// The bytes at p marked in expected (bits 0-2) are continuation bytes: no
// jump per byte. Two reads within the three bytes, never across two of a
// copy's 16-byte stores, which a read of a word would wait for.
[[gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline bool trailsAfter(const uint8_t *p, uint64_t expected) {
    uint16_t pair;
    memcpy(&pair, p, sizeof pair);
    const uint32_t word = pair | uint32_t{p[2]} << 16;
    const uint32_t wanted = ((expected & 1) | (expected & 2) << 7 | (expected & 4) << 14) * 0xFF;
    return (((word & 0xC0C0C0u) ^ 0x808080u) & wanted) == 0;
}

// Where a block that would read across the end of q's page reads its bytes.
// When no terminator lies from q to the page's end, the string goes on into
// the next page, which is then mapped: the block reads the string itself,
// as far as it reaches (less than a page). Else it reads a copy: the 128
// bytes before the page's end and zeros after them. Every read here is
// aligned and within q's page; the copy is made only at a string's end, as
// a copy's stores read back by a wider load would stall the loop.
inline constexpr size_t acrossBytes = 256;

[[gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline const uint8_t *copyAcrossPage(const uint8_t *q,
                                                                                           uint8_t *bytes) {
    constexpr size_t half = acrossBytes / 2;
    const auto *base =
        reinterpret_cast<const uint8_t *>(((reinterpret_cast<uintptr_t>(q) | (pageSize - 1)) + 1) - half);
    const size_t offset = static_cast<size_t>(q - base);
    const __m128i zero = _mm_setzero_si128();
    bool ends = false;
    for (size_t k = offset & ~size_t{15}; k < half; k += 16) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i *>(base + k));
        const uint32_t zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
        ends = ends || (zeros >> (offset > k ? offset - k : 0)) != 0;
    }
    if (!ends) return q;
    for (size_t k = 0; k < half; k += 16)
        _mm_store_si128(reinterpret_cast<__m128i *>(bytes + k),
                        _mm_load_si128(reinterpret_cast<const __m128i *>(base + k)));
    memset(bytes + half, 0, acrossBytes - half);
    return bytes + offset;
}

// Stores the lanes of units marked in keep (eight bits) after dst[n), the
// store ending at the last unit (SSSE3).
[[gnu::always_inline]] inline void packUnits(Cursor &c, __m128i units, uint32_t keep) {
    const uint32_t kept = packTables.marked[keep];
    const __m128i packed =
        _mm_shuffle_epi8(units, _mm_load_si128(reinterpret_cast<const __m128i *>(packTables.top[keep])));
    c.tail = _mm_or_si128(
        _mm_shuffle_epi8(c.tail, _mm_load_si128(reinterpret_cast<const __m128i *>(packTables.down[kept]))), packed);
    c.n += kept;
    _mm_storeu_si128(reinterpret_cast<__m128i *>(c.dst + c.n - 8), c.tail);
}

// ---- One width's decoding steps, over u16_simd_x86.h's record of the
// width (its loads, byte and unit compares, halves, widening, shifts,
// blends): decodes (false: ASCII blocks only) and tailed (packs through the
// tail); where its constants come from; count (units in the marked lanes),
// storeAscii and pack (the stores); greater (leads among a half's lanes) and
// lanesOf (a lane mask from bits). Class templates, so that a level
// instantiates only the widths it runs.

// Sixteen bytes: ASCII blocks, the same with or without the byte shuffle.
template <class V>
struct NarrowOps : V {
    using typename V::Vec;
    static constexpr bool decodes = false;
    static constexpr bool tailed = false;
    static uint32_t count(uint64_t m) { return markedLanes(m); }
    static void storeAscii(Cursor &c, Vec b) {
        const __m128i zero = _mm_setzero_si128();
        c.tail = _mm_unpackhi_epi8(b, zero);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(c.dst + c.n), _mm_unpacklo_epi8(b, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(c.dst + c.n + 8), c.tail);
    }
};

// SSE2 alone: ASCII blocks.
template <int = 0>
struct Sse2Ops : NarrowOps<Sse2> {};

// SSSE3 and SSE4.1: whole blocks of sixteen, eight lanes a half; constants
// from immediates.
template <int = 0>
struct Ssse3Ops : NarrowOps<Ssse3> {
    static constexpr bool decodes = true;
    static constexpr bool tailed = true;
    template <uint8_t v>
    static Vec byteConstant() {
        return splat8(v);
    }
    template <uint16_t v>
    static Vec unitConstant() {
        return splat16(v);
    }
    template <uint16_t v>
    static Vec greater(Vec a, uint32_t) {
        return greater16(a, unitConstant<v>());
    }
    static Vec lanesOf(uint32_t m) {
        const __m128i weights = _mm_setr_epi16(1, 2, 4, 8, 16, 32, 64, 128);
        return _mm_cmpeq_epi16(_mm_and_si128(_mm_set1_epi16(static_cast<short>(m)), weights), weights);
    }
    static void pack(Cursor &c, Vec units, uint32_t keep) { packUnits(c, units, keep); }
};

// AVX2: blocks of thirty-two, sixteen lanes a half.
template <int = 0>
struct Avx2Ops : Avx2 {
    static constexpr bool decodes = true;
    static constexpr bool tailed = true;
    template <uint8_t v>
    static Vec byteConstant() {
        return _mm256_load_si256(reinterpret_cast<const __m256i *>(opaque(byteSplat<v>.bytes)));
    }
    template <uint16_t v>
    static Vec unitConstant() {
        return _mm256_load_si256(reinterpret_cast<const __m256i *>(opaque(wordSplat<v>.bytes)));
    }
    static uint32_t count(uint64_t m) { return markedLanes(m); }
    static void storeAscii(Cursor &c, Vec b) {
        const __m256i w1 = _mm256_cvtepu8_epi16(_mm256_extracti128_si256(b, 1));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(c.dst + c.n), _mm256_cvtepu8_epi16(_mm256_castsi256_si128(b)));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(c.dst + c.n + 16), w1);
        c.tail = _mm256_extracti128_si256(w1, 1);
    }
    template <uint16_t v>
    static Vec greater(Vec a, uint32_t) {
        return greater16(a, unitConstant<v>());
    }
    static Vec lanesOf(uint32_t m) {
        const __m256i weights = _mm256_setr_epi16(1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192, 16384,
                                                  static_cast<short>(32768));
        return _mm256_cmpeq_epi16(_mm256_and_si256(_mm256_set1_epi16(static_cast<short>(m)), weights), weights);
    }
    static void pack(Cursor &c, Vec units, uint32_t keep) {
        packUnits(c, _mm256_castsi256_si128(units), keep & 0xFF);
        packUnits(c, _mm256_extracti128_si256(units, 1), keep >> 8);
    }
};

// VBMI2's vpcompressw, written out: the avx512 level's region targets F, BW
// and VL only, and the table that uses it runs only where the CPU has VBMI2.
// A template, so that only the level that uses it checks its operands.
template <class V>
[[gnu::always_inline]] inline V compress16(V units, __mmask32 keep) {
    V packed;
    asm("vpcompressw %1, %0%{%2%}%{z%}" : "=v"(packed) : "v"(units), "Yk"(keep));
    return packed;
}

// AVX-512 (F, BW, VL): blocks of sixty-four, thirty-two lanes a half, packed
// by a compress and stored with a mask; the leads' bits serve as lane masks.
// With vbmi2 (the avx512Vbmi2Kernels table) 16-bit lanes are compressed in
// one step; without it, sixteen lanes at a time as 32-bit lanes (AVX-512F).
template <bool vbmi2>
struct Avx512Ops : Avx512 {
    static constexpr bool decodes = true;
    static constexpr bool tailed = false;
    template <uint8_t v>
    static Vec byteConstant() {
        return _mm512_load_si512(opaque(byteSplat<v>.bytes));
    }
    template <uint16_t v>
    static Vec unitConstant() {
        return _mm512_load_si512(opaque(wordSplat<v>.bytes));
    }
    static uint32_t count(uint64_t m) { return static_cast<uint32_t>(__builtin_popcountll(m)); }
    static void storeAscii(Cursor &c, Vec b) {
        _mm512_storeu_si512(c.dst + c.n, _mm512_cvtepu8_epi16(_mm512_castsi512_si256(b)));
        _mm512_storeu_si512(c.dst + c.n + 32, _mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(b, 1)));
    }
    template <uint16_t v>
    static Bits greater(Vec, uint32_t lanes) {
        return lanes;
    }
    static Bits lanesOf(uint32_t m) { return m; }
    static void pack(Cursor &c, Vec units, uint32_t keep) {
        if constexpr (vbmi2) {
            const Vec packed = compress16(units, static_cast<__mmask32>(keep));
            const uint32_t kept = count(keep);
            _mm512_mask_storeu_epi16(c.dst + c.n, _bzhi_u32(~0u, kept), packed);
            c.n += kept;
        } else {
            for (int h = 0; h < 2; ++h) {
                const auto marks = static_cast<__mmask16>(keep >> (16 * h));
                const __m512i wide = _mm512_cvtepu16_epi32(half(units, h));
                const uint32_t kept = count(marks);
                _mm256_mask_storeu_epi16(c.dst + c.n, static_cast<__mmask16>(_bzhi_u32(~0u, kept)),
                                         _mm512_cvtepi32_epi16(_mm512_maskz_compress_epi32(marks, wide)));
                c.n += kept;
            }
        }
    }
};

// Byte compares with a constant, for every width.
template <class W, uint8_t v>
[[gnu::always_inline]] inline auto atLeast(typename W::Vec b) {
    return W::atLeast8(b, W::template byteConstant<v>());
}
template <class W, uint8_t v>
[[gnu::always_inline]] inline auto equal(typename W::Vec b) {
    return W::equal8(b, W::template byteConstant<v>());
}
// Signed: only continuation bytes matter here.
template <class W, uint8_t v>
[[gnu::always_inline]] inline auto below(typename W::Vec b) {
    return W::lessSigned8(b, W::template byteConstant<v>());
}
template <class W, uint8_t v>
[[gnu::always_inline]] inline auto above(typename W::Vec b) {
    return W::greaterSigned8(b, W::template byteConstant<v>());
}

// ---- The algorithm.

// The unit each lane of a half gives: b, n1, n2 are its bytes, one after and
// two after; leads, leads3, leads4 mark the leads of each length or longer
// and lows the lanes of low surrogates; longest is the longest form present
// (2, 3, or 4 with low surrogates).
template <class W>
[[gnu::always_inline]] inline typename W::Vec laneUnits(typename W::Half b8, typename W::Half n18, typename W::Half n28,
                                                        uint32_t leads, uint32_t leads3, uint32_t leads4, uint32_t lows,
                                                        int longest) {
    const auto b = W::widen8(b8);
    const auto c1 = W::bitAnd(W::widen8(n18), W::template unitConstant<0x3F>());
    const auto two = W::bitAnd(W::bitOr(W::template shiftLeft<6>(b), c1), W::template unitConstant<0x7FF>());
    auto v = W::blend(b, two, W::template greater<0xBF>(b, leads));
    if (longest == 2) return v;
    const auto c2 = W::bitAnd(W::widen8(n28), W::template unitConstant<0x3F>());
    const auto t = W::bitOr(W::template shiftLeft<6>(c1), c2);
    v = W::blend(v, W::bitOr(W::template shiftLeft<12>(b), t), W::template greater<0xDF>(b, leads3));
    if (longest == 3) return v;
    const auto high = W::add16(
        W::bitOr(W::template shiftLeft<8>(W::bitAnd(b, W::template unitConstant<7>())), W::template shiftRight<4>(t)),
        W::template unitConstant<0xD7C0>());
    v = W::blend(v, high, W::template greater<0xEF>(b, leads4));
    const auto low = W::bitOr(W::bitAnd(t, W::template unitConstant<0x3FF>()), W::template unitConstant<0xDC00>());
    return W::blend(v, low, W::lanesOf(lows));
}

// Validates and converts the block at c.q; false, with nothing changed, when
// it holds the terminator, invalid input, anything but ASCII where the width
// only widens, or (a tailed width storing) n < 8. Only the lanes marked in
// within give units (the bytes after an end are a copy's padding).
template <class W, bool store>
[[gnu::always_inline]] inline bool block(Cursor &c, uint64_t within = ~uint64_t{0}) {
    constexpr size_t bytes = W::vecBytes;
    constexpr uint64_t all = bytes == 64 ? ~uint64_t{0} : (uint64_t{1} << bytes) - 1;
    const uint8_t *q = c.q;
    const auto b = W::loadInPage(q);
    const uint64_t high = W::byteBits(b);
    const uint64_t zeros = W::zeroByteBits(b);
    if (high == 0 && (!W::decodes || within == ~uint64_t{0})) [[likely]] {
        if (zeros != 0) [[unlikely]]
            return false;
        if constexpr (store) W::storeAscii(c, b);
        c.n += bytes;
        c.q += bytes;
        return true;
    }
    if constexpr (!W::decodes) {
        return false;
    } else {
        if (W::tailed && store && c.n < 8) return false;
        const auto n1 = W::loadInPage(q + 1);
        const uint64_t leads = W::byteBits(atLeast<W, 0xC0>(b));
        const uint64_t leads3 = W::byteBits(atLeast<W, 0xE0>(b));
        uint64_t leads4 = 0;
        auto bad = W::bitOr(equal<W, 0xC0>(b), equal<W, 0xC1>(b));
        // The checks of the longer forms only where they occur.
        if (leads3 != 0) {
            bad = W::bitOr(bad, W::bitAnd(equal<W, 0xE0>(b), below<W, 0xA0>(n1)));
            leads4 = W::byteBits(atLeast<W, 0xF0>(b));
            if (leads4 != 0) {
                bad = W::bitOr(W::bitOr(bad, atLeast<W, 0xF5>(b)),
                               W::bitOr(W::bitAnd(equal<W, 0xF0>(b), below<W, 0x90>(n1)),
                                        W::bitAnd(equal<W, 0xF4>(b), above<W, 0x8F>(n1))));
            }
        }
        const uint64_t cont = high & ~leads;
        const uint64_t expected = c.carry | leads << 1 | leads3 << 2 | leads4 << 3;
        if ((zeros | W::byteBits(bad)) != 0 || (expected & all) != cont) return false;
        const uint64_t expectedAfter = leads >> (bytes - 1) | leads3 >> (bytes - 2) | leads4 >> (bytes - 3);
        if constexpr (bytes == 64) {
            if (!trailsAfter(q + bytes, expectedAfter)) return false;
        } else {
            for (uint32_t i = 0; i < blockReach; ++i)
                if (((expectedAfter >> i) & 1) != 0 && !isTrail(q[bytes + i])) return false;
        }
        const uint64_t lows = (leads4 << 1 | c.lowCarry) & all;
        const uint64_t keep = ((~cont & all) | lows) & within;
        if constexpr (store) {
            const auto n2 = W::loadInPage(q + 2);
            constexpr uint32_t lanes = bytes / 2;
            constexpr uint64_t laneMask = (uint64_t{1} << lanes) - 1;
            const int longest = (leads4 | lows) != 0 ? 4 : leads3 != 0 ? 3 : 2;
            const auto unitsOf = [&](int h) {
                const auto halfOf = [h](uint64_t m) { return static_cast<uint32_t>((m >> (lanes * h)) & laneMask); };
                return laneUnits<W>(W::half(b, h), W::half(n1, h), W::half(n2, h), halfOf(leads), halfOf(leads3),
                                    halfOf(leads4), halfOf(lows), longest);
            };
            // Both halves' units before the stores, which depend on each other.
            const auto units0 = unitsOf(0), units1 = unitsOf(1);
            W::pack(c, units0, static_cast<uint32_t>(keep & laneMask));
            W::pack(c, units1, static_cast<uint32_t>(keep >> lanes));
        } else {
            c.n += W::count(keep);
        }
        c.carry = expectedAfter;
        c.lowCarry = static_cast<uint32_t>(leads4 >> (bytes - 1));
        c.q += bytes;
        return true;
    }
}

// A block where all it reads may be read: before the end, or within the
// page; across a page's end it reads a copy, and the cursor moves on as if
// it had read the string.
template <class W, bool store, bool bounded>
[[gnu::always_inline]] inline bool nextBlock(Cursor &c, const uint8_t *end) {
    if constexpr (bounded) {
        return static_cast<size_t>(end - c.q) >= W::vecBytes + blockReach && block<W, store>(c);
    } else {
        if (staysInPage(c.q, W::vecBytes + blockReach)) [[likely]]
            return block<W, store>(c);
        alignas(16) uint8_t bytes[acrossBytes];
        Cursor copy = c;
        copy.q = copyAcrossPage(c.q, bytes);
        if (!block<W, store>(copy)) return false;
        copy.q = c.q + W::vecBytes;
        c = copy;
        return true;
    }
}

// Leaves the cursor at a character boundary: the rest of a character the
// last block began is skipped, its low surrogate stored when it fits.
template <bool store>
[[gnu::always_inline]] inline void finish(Cursor &c, size_t limit) {
    if (c.lowCarry != 0) {
        if (!store) {
            ++c.n;
        } else if (c.n < limit) {
            c.dst[c.n++] = static_cast<char16_t>(0xDC00 | (c.q[1] & 0x0F) << 6 | (c.q[2] & 0x3F));
        }
    }
    c.q += markedLanes(c.carry);
    c.carry = 0;
    c.lowCarry = 0;
}

// One valid character at q by the decoder core's pieces, each byte read
// only after the one before it was taken (never past a terminator): its
// units stored (store) and counted; false, with nothing taken, else.
template <bool store>
[[gnu::always_inline]] inline bool takeCharacter(char16_t *dst, size_t &n, const uint8_t *&q) {
    const uint8_t lead = q[0];
    char32_t value;
    uint32_t length;
    if (lead < 0x80) {
        if (lead == 0) return false;
        value = lead;
        length = 1;
    } else if (lead < 0xC2 || lead > 0xF4) {
        return false;
    } else if (lead < 0xE0) {
        if (!isTrail(q[1])) return false;
        value = twoByteValue(lead, q[1]);
        length = 2;
    } else if (lead < 0xF0) {
        if (!threeByteSecondOk(lead, q[1]) || !isTrail(q[2])) return false;
        value = threeByteValue(lead, q[1], q[2]);
        length = 3;
    } else {
        if (!fourByteSecondOk(lead, q[1]) || !isTrail(q[2]) || !isTrail(q[3])) return false;
        if (store) {
            const char32_t pair = fourByteValue(lead, q[1], q[2], q[3]);
            dst[n] = highSurrogate(pair);
            dst[n + 1] = lowSurrogate(pair);
        }
        n += 2;
        q += 4;
        return true;
    }
    if (store) dst[n] = static_cast<char16_t>(value);
    ++n;
    q += length;
    return true;
}

// Characters one by one, each while `reserve` more units have room and, with
// an end, while its whole sequence lies before it: at least one, and on until
// sixteen bytes are passed and (a tailed width) eight units are stored.
// Where the run ends says whether the conversion goes on (runGoesOn): it
// stops only before a character taken while the run had to go on. Two words,
// returned in registers, so that the blocks' loop keeps one more of its own.
struct Run {
    size_t n;
    const uint8_t *q;
};

template <bool store, bool tailed>
inline bool runGoesOn(const Run &run, const uint8_t *start) {
    return static_cast<size_t>(run.q - start) >= 16 && !(tailed && store && run.n < 8);
}

// Out of line: the blocks' loop keeps its registers.
template <bool store, bool bounded, bool tailed>
[[gnu::noinline]] Run runOfCharacters(char16_t *dst, size_t n, const uint8_t *q, size_t limit, const uint8_t *end,
                                      size_t reserve) {
    const uint8_t *start = q;
    do {
        if ((store && n + reserve > limit) ||
            (bounded && (q == end || sequenceLength(*q) > static_cast<size_t>(end - q))) ||
            !takeCharacter<store>(dst, n, q))
            return {n, q};
    } while (!runGoesOn<store, tailed>({n, q}, start));
    return {n, q};
}

template <bool store, bool bounded, bool tailed>
[[gnu::always_inline]] inline bool characters(Cursor &c, size_t limit, const uint8_t *end, size_t reserve) {
    const uint8_t *start = c.q;
    const Run run = runOfCharacters<store, bounded, tailed>(c.dst, c.n, c.q, limit, end, reserve);
    c.n = run.n;
    c.q = run.q;
    if (tailed && store && run.n >= 8) c.tail = storedUnits(c.dst + run.n - 8);
    return runGoesOn<store, tailed>(run, start);
}

// Bytes that move the last bytes of a 16-byte read to its front (at offset
// 16 - left: their indices, then zeros) and blanks after them (at the same
// offset).
struct alignas(16) TailTables {
    uint8_t moveDown[32];
    uint8_t blanks[32];
};

constexpr TailTables makeTailTables() {
    TailTables t{};
    for (uint8_t k = 0; k < 32; ++k) {
        t.moveDown[k] = k < 16 ? k : 0x80;
        t.blanks[k] = k < 16 ? 0 : ' ';
    }
    return t;
}

inline constexpr TailTables tailTables = makeTailTables();

// Copies k <= 16 units, storing nothing past them: two stores that overlap.
[[gnu::always_inline]] inline void copyUnits(char16_t *dst, const char16_t *src, size_t k) {
    if (k >= 8) {
        Sse2::store(dst, Sse2::loadData(src));
        Sse2::store(dst + k - 8, Sse2::loadData(src + k - 8));
    } else if (k >= 4) {
        memcpy(dst, src, 8);
        memcpy(dst + k - 4, src + k - 4, 8);
    } else if (k >= 2) {
        memcpy(dst, src, 4);
        memcpy(dst + k - 2, src + k - 2, 4);
    } else if (k == 1) {
        dst[0] = src[0];
    }
}

// Stores the last k (< 8) units of v at dst, nothing past them.
[[gnu::always_inline]] inline void storeLastUnits(char16_t *dst, __m128i v, size_t k) {
    v = _mm_shuffle_epi8(v, Sse2::loadData(tailTables.moveDown + 16 - 2 * k));
    if ((k & 4) != 0) {
        _mm_storel_epi64(reinterpret_cast<__m128i *>(dst), v);
        v = _mm_srli_si128(v, 8);
        dst += 4;
    }
    if ((k & 2) != 0) {
        const auto pair = static_cast<uint32_t>(_mm_cvtsi128_si32(v));
        memcpy(dst, &pair, sizeof pair);
        v = _mm_srli_si128(v, 4);
        dst += 2;
    }
    if ((k & 1) != 0) dst[0] = static_cast<char16_t>(_mm_cvtsi128_si32(v));
}

// A block of sixteen (N) through a copy: units stored into a scratch array
// that starts with eight units to pack after, then copied out, for a tailed
// width with fewer than eight units stored; and with an end, the last bytes
// before it (fewer than a block reads) copied with blanks after them, the
// blanks' lanes left out. from is where the conversion started. False, with
// nothing changed, where the block is refused.
template <class N, bool store, bool bounded>
[[gnu::always_inline]] inline bool copiedBlock(Cursor &c, const uint8_t *from, const uint8_t *end) {
    const size_t left = bounded ? static_cast<size_t>(end - c.q) : N::vecBytes + blockReach;
    const bool last = bounded && left < N::vecBytes + blockReach;
    if (left == 0 || (!last && !(N::tailed && store && c.n < 8))) return false;
    alignas(16) uint8_t bytes[2 * N::vecBytes];
    alignas(16) char16_t units[8 + N::vecBytes];
    const size_t taken = left < N::vecBytes ? left : N::vecBytes;
    Cursor copy = c;
    if (last) {
        if (left <= 16 && static_cast<size_t>(end - from) >= 16) {
            // The 16 bytes before the end, moved down: no call to copy them.
            const __m128i moved =
                _mm_shuffle_epi8(Sse2::loadData(end - 16), Sse2::loadData(tailTables.moveDown + 16 - left));
            Sse2::store(bytes, _mm_or_si128(moved, Sse2::loadData(tailTables.blanks + 16 - left)));
            Sse2::store(bytes + 16, Sse2::loadData(tailTables.blanks + 16));
        } else {
            memset(bytes, ' ', sizeof bytes);
            memcpy(bytes, c.q, left);
        }
        copy.q = bytes;
    }
    const bool scratch = N::tailed && store && c.n < 8;
    if (scratch) {
        copy.dst = units;
        copy.n = 8;
    } else if (N::tailed && store) {
        copy.tail = storedUnits(c.dst + c.n - 8);  // finish may have stored a unit since
    }
    if (!(last ? block<N, store>(copy, (uint64_t{1} << taken) - 1) : nextBlock<N, store, bounded>(copy, end)))
        return false;
    if (scratch) {
        // Fewer than eight units from the block: they are the tail's last
        // lanes, stored from it (a read of the scratch array would wait for
        // its stores); eight or more: the tail is already the last eight.
        const size_t k = copy.n - 8;
        if (k < 8) {
            storeLastUnits(c.dst + c.n, copy.tail, k);
            if (c.n + k >= 8) copy.tail = storedUnits(c.dst + c.n + k - 8);
        } else {
            copyUnits(c.dst + c.n, units + 8, k);
        }
        copy.dst = c.dst;
        copy.n = c.n + k;
    }
    copy.q = c.q + taken;
    c = copy;
    return true;
}

// The kernels: blocks of the level's width W while there is room for them,
// then blocks of sixteen (N), then characters one by one, until the
// characters stop. Every block that stores keeps one unit of room to spare:
// a block of b bytes may end with a four-byte lead, whose pair makes b + 1
// units, and its low surrogate must never be left out for want of room.
// Out of line, taking and returning values: the caller's references stay out
// of the loops' registers.
template <class W, class N, bool store, bool bounded>
[[gnu::noinline]] Run convert(char16_t *dst, size_t count, const uint8_t *p, size_t limit, const uint8_t *end) {
    constexpr size_t spare = store ? 1 : 0;
    Cursor c{dst, count, p, 0, 0, _mm_setzero_si128()};
    if (store && N::tailed && c.n >= 8) c.tail = storedUnits(dst + c.n - 8);
    for (;;) {
        if constexpr (W::vecBytes > N::vecBytes) {
            // Marked likely, so that the loop's blocks lie together and it jumps back once.
            while (__builtin_expect(
                (!store || c.n + W::vecBytes + spare <= limit) && nextBlock<W, store, bounded>(c, end), 1)) {
            }
            if (store && N::tailed && c.n >= 8) c.tail = storedUnits(dst + c.n - 8);
        }
        while ((!store || c.n + N::vecBytes + spare <= limit) && nextBlock<N, store, bounded>(c, end)) {
        }
        finish<store>(c, limit);
        // Bounded, at the end: nothing is left to convert.
        if (bounded && c.q == end) break;
        if constexpr (N::decodes && (bounded || N::tailed)) {
            if ((!store || c.n + N::vecBytes + spare <= limit) && copiedBlock<N, store, bounded>(c, p, end)) continue;
        }
        if (!characters<store, bounded, N::tailed>(c, limit, end, 16 + spare)) break;
    }
    return {c.n, c.q};
}

template <class W, class N>
void utf8ToUtf16(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    const Run run = dst == nullptr ? convert<W, N, false, false>(dst, count, p, limit, nullptr)
                                   : convert<W, N, true, false>(dst, count, p, limit, nullptr);
    count = run.n;
    p = run.q;
}

template <class W, class N>
void utf8ToUtf16Bounded(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit) {
    if (p >= end) return;
    const Run run = convert<W, N, true, true>(dst, count, p, limit, end);
    count = run.n;
    p = run.q;
}

}  // namespace to16
}  // namespace
}  // namespace qoru

#pragma GCC diagnostic pop

#endif
