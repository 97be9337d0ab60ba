// UTF-8 to UTF-16 conversion kernels per CPU level.
//
// sse2: ASCII sixteen bytes at a time, two- and three-byte forms one by one.
//
// ssse3 and up: blocks of sixteen bytes (thirty-two with AVX2, sixty-four
// with AVX-512), validated and converted in one pass, four-byte forms
// included; the last blocks before the limit are of sixteen. Every lane
// computes the unit its byte would give as the lead of a character (a
// four-byte lead gives the high surrogate, the byte after it the low one);
// the lanes of leads and low surrogates are then packed, eight at a time
// with a byte shuffle (sixteen at a time with AVX-512's compress). A block
// advances by all its bytes: a character that starts in it takes its last
// bytes from the next block, which skips them.
//
// Nothing past the units converted is ever written, so the array beyond them
// stays as the caller left it: AVX-512 stores with a mask; the narrower
// levels store so that each store ends at the last unit written, the eight
// units before the end kept in a register (the tail) and shifted down as new
// units arrive. The tail starts from the eight units stored last, so there a
// block that is not all ASCII waits until eight units are stored: a string's
// first characters take the careful path.
//
// A block is validated from bitmasks of its bytes: the continuation bytes
// must be exactly those the leads before them expect (one after a lead of
// C2-DF, two after E0-EF, three after F0-F4), the bytes the last leads expect
// after the block included; the leads C0, C1 and F5-FF, the overlong second
// bytes after E0 and F0 and those beyond U+10FFFF after F4 are refused. Any
// refusal or the terminator ends the kernel at a character boundary and
// leaves the rest to the careful path. A block whose reads would cross the
// end of a page reads a copy of the bytes around it (copyAcrossPage).
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "i18n/qoru16/u16_cpu_x86.h"
#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_words.h"

// GCC 12's AVX-512 headers use an undefined value (__Y) as the merge source
// of their unmasked forms, which its own analysis reports (clang has no
// such warning, hence the first two lines).
#pragma GCC diagnostic ignored "-Wpragmas"
#pragma GCC diagnostic ignored "-Wunknown-warning-option"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

// The pieces of each level's kernels are compiled for its target and forced
// inline into the loops over blocks. Only the reads under the page rule
// (loadUnaligned, load32, load64, trailsAfter, copyAcrossPage) are exempt
// from the sanitizers, which cannot know the rule (u16_pagerule.h): the rest,
// the stores into the caller's array included, is checked as usual.
#define QORU_SSSE3_PIECE [[gnu::target(QORU_TARGET_SSSE3), gnu::always_inline]]
#define QORU_SSSE3_BLOCKS [[gnu::target(QORU_TARGET_SSSE3)]]
#define QORU_AVX2_PIECE [[gnu::target(QORU_TARGET_AVX2), gnu::always_inline]]
#define QORU_AVX2_BLOCKS [[gnu::target(QORU_TARGET_AVX2)]]
#define QORU_AVX512_PIECE [[gnu::target(QORU_TARGET_AVX512_VBMI2), gnu::always_inline]]
#define QORU_AVX512_BLOCKS [[gnu::target(QORU_TARGET_AVX512_VBMI2)]]

namespace qoru {
namespace {

// ---- sse2: the baseline stretch.

// Sixteen bytes are ASCII and none is the terminator.
bool isAsciiBlock(__m128i bytes) {
    return _mm_movemask_epi8(_mm_or_si128(bytes, _mm_cmpeq_epi8(bytes, _mm_setzero_si128()))) == 0;
}

void convertSse2(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    if (dst == nullptr || limit < 16) return;
    const size_t stop = limit - 16;
    size_t n = count;
    const uint8_t *q = p;
    while (n <= stop) {
        const uint8_t c = *q;
        if (c < 0x80) {
            if (c == 0) break;
            // A lone blank between words of other scripts is not worth a
            // block test.
            if (q[1] != 0 && q[1] < 0x80 && staysInPage(q, 16)) {
                const __m128i bytes = loadUnaligned(q);
                if (isAsciiBlock(bytes)) {
                    const __m128i zero = _mm_setzero_si128();
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + n), _mm_unpacklo_epi8(bytes, zero));
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + n + 8), _mm_unpackhi_epi8(bytes, zero));
                    q += 16;
                    n += 16;
                    continue;
                }
            }
            dst[n++] = c;
            ++q;
        } else if (c >= 0xE0 && c < 0xF0 && threeByteSecondOk(c, q[1]) && isTrail(q[2])) {
            dst[n++] = static_cast<char16_t>(threeByteValue(c, q[1], q[2]));
            q += 3;
        } else if (c >= 0xC2 && c < 0xE0 && isTrail(q[1])) {
            dst[n++] = static_cast<char16_t>(twoByteValue(c, q[1]));
            q += 2;
        } else {
            break;
        }
    }
    count = n;
    p = q;
}

// ---- Block kernels.

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

// Bytes each block reads: its own, and three after it for the last leads.
inline constexpr size_t blockReach = 3;

// The bytes at p marked in expected (bits 0-2) are continuation bytes: one
// read of a word (the byte before p with them) and no jump per byte. With
// blocks of sixty-four this measured faster than testing byte by byte; with
// the narrower blocks, slower.
[[gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline bool trailsAfter(const uint8_t *p, uint32_t expected) {
    uint32_t word;
    memcpy(&word, p - 1, sizeof word);
    const uint32_t wanted = ((expected & 1) << 8 | (expected & 2) << 15 | (expected & 4) << 22) * 0xFF;
    return (((word & 0xC0C0C0C0u) ^ 0x80808080u) & wanted) == 0;
}

// Bytes around the end of q's page for a block that would read across it:
// the 128 bytes before the page's end, and the 128 after it when the string
// goes on into the next page (no terminator from q to the page's end), zeros
// otherwise. Every read is aligned and within a page that holds a byte of the
// string. Returns where q's copy is.
inline constexpr size_t acrossBytes = 256;

[[gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline const uint8_t *copyAcrossPage(const uint8_t *q,
                                                                                           uint8_t *bytes) {
    constexpr size_t half = acrossBytes / 2;
    const auto *base =
        reinterpret_cast<const uint8_t *>(((reinterpret_cast<uintptr_t>(q) | (pageSize - 1)) + 1) - half);
    const size_t offset = static_cast<size_t>(q - base);
    const __m128i zero = _mm_setzero_si128();
    bool ends = false;
    for (size_t k = 0; k < half; k += blockBytes) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i *>(base + k));
        _mm_store_si128(reinterpret_cast<__m128i *>(bytes + k), v);
        const uint32_t zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
        if (k + blockBytes > offset) ends = ends || (zeros >> (offset > k ? offset - k : 0)) != 0;
    }
    for (size_t k = half; k < acrossBytes; k += blockBytes) {
        const __m128i v = ends ? zero : _mm_load_si128(reinterpret_cast<const __m128i *>(base + k));
        _mm_store_si128(reinterpret_cast<__m128i *>(bytes + k), v);
    }
    return bytes + offset;
}

struct Cursor {
    char16_t *dst;
    size_t n;           // units converted
    const uint8_t *q;   // the next block
    uint32_t carry;     // continuation bytes at q.. that belong to a character already converted
    uint32_t lowCarry;  // 1 when the byte at q is to give a low surrogate
    __m128i tail;       // dst[n-8..n), once n >= 8
};

// ---- SSSE3/SSE4.1: one block of sixteen bytes.

QORU_SSSE3_PIECE inline __m128i bytesAtLeast(__m128i b, uint8_t floor) {
    return _mm_cmpeq_epi8(_mm_max_epu8(b, _mm_set1_epi8(static_cast<char>(floor))), b);
}

// The unit each of eight lanes gives: b, n1, n2 are the bytes at the lane,
// one after and two after (low eight bytes used); lows marks the lanes of low
// surrogates (as bytes); longest is the longest form present (2, 3, or 4
// with low surrogates).
QORU_SSSE3_PIECE inline __m128i laneUnits(__m128i b8, __m128i n18, __m128i n28, __m128i lows8, int longest) {
    const __m128i b = _mm_cvtepu8_epi16(b8);
    const __m128i c1 = _mm_and_si128(_mm_cvtepu8_epi16(n18), _mm_set1_epi16(0x3F));
    const __m128i two = _mm_and_si128(_mm_or_si128(_mm_slli_epi16(b, 6), c1), _mm_set1_epi16(0x7FF));
    __m128i v = _mm_blendv_epi8(b, two, _mm_cmpgt_epi16(b, _mm_set1_epi16(0xBF)));
    if (longest == 2) return v;
    const __m128i c2 = _mm_and_si128(_mm_cvtepu8_epi16(n28), _mm_set1_epi16(0x3F));
    const __m128i t = _mm_or_si128(_mm_slli_epi16(c1, 6), c2);
    const __m128i three = _mm_or_si128(_mm_slli_epi16(b, 12), t);
    v = _mm_blendv_epi8(v, three, _mm_cmpgt_epi16(b, _mm_set1_epi16(0xDF)));
    if (longest == 3) return v;
    const __m128i high =
        _mm_add_epi16(_mm_or_si128(_mm_slli_epi16(_mm_and_si128(b, _mm_set1_epi16(7)), 8), _mm_srli_epi16(t, 4)),
                      _mm_set1_epi16(static_cast<short>(0xD7C0)));
    v = _mm_blendv_epi8(v, high, _mm_cmpgt_epi16(b, _mm_set1_epi16(0xEF)));
    const __m128i low =
        _mm_or_si128(_mm_and_si128(t, _mm_set1_epi16(0x3FF)), _mm_set1_epi16(static_cast<short>(0xDC00)));
    return _mm_blendv_epi8(v, low, _mm_cvtepi8_epi16(lows8));
}

// Stores the lanes of units marked in keep (eight bits) after dst[n).
QORU_SSSE3_PIECE inline void packUnits(Cursor &c, __m128i units, uint32_t keep) {
    const uint32_t kept = packTables.marked[keep];
    const __m128i packed =
        _mm_shuffle_epi8(units, _mm_load_si128(reinterpret_cast<const __m128i *>(packTables.top[keep])));
    c.tail = _mm_or_si128(
        _mm_shuffle_epi8(c.tail, _mm_load_si128(reinterpret_cast<const __m128i *>(packTables.down[kept]))), packed);
    c.n += kept;
    _mm_storeu_si128(reinterpret_cast<__m128i *>(c.dst + c.n - 8), c.tail);
}

// Validates and converts the block at c.q; false, with nothing changed, when
// it holds the terminator, invalid input, or (storing) n < 8.
template <bool store>
QORU_SSSE3_PIECE inline bool block16(Cursor &c) {
    const uint8_t *q = c.q;
    const __m128i zero = _mm_setzero_si128();
    const __m128i b = loadUnaligned(q);
    const uint32_t high = static_cast<uint32_t>(_mm_movemask_epi8(b));
    const uint32_t zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, zero)));
    if (high == 0) {
        if (zeros != 0) return false;
        if constexpr (store) {
            c.tail = _mm_unpackhi_epi8(b, zero);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(c.dst + c.n), _mm_unpacklo_epi8(b, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(c.dst + c.n + 8), c.tail);
        }
        c.n += 16;
        c.q += 16;
        return true;
    }
    if (store && c.n < 8) return false;
    const __m128i n1 = loadUnaligned(q + 1);
    const __m128i lead4 = bytesAtLeast(b, 0xF0);
    const uint32_t leads = static_cast<uint32_t>(_mm_movemask_epi8(bytesAtLeast(b, 0xC0)));
    const uint32_t leads3 = static_cast<uint32_t>(_mm_movemask_epi8(bytesAtLeast(b, 0xE0)));
    const uint32_t leads4 = static_cast<uint32_t>(_mm_movemask_epi8(lead4));
    __m128i bad = _mm_cmpeq_epi8(_mm_and_si128(b, _mm_set1_epi8(-2)), _mm_set1_epi8(-64));
    // The checks of the longer forms only where they occur.
    if (leads3 != 0) {
        bad = _mm_or_si128(
            bad, _mm_and_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8(-32)), _mm_cmplt_epi8(n1, _mm_set1_epi8(-96))));
        if (leads4 != 0) {
            const __m128i overlong4 =
                _mm_and_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8(-16)), _mm_cmplt_epi8(n1, _mm_set1_epi8(-112)));
            const __m128i beyond =
                _mm_and_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8(-12)), _mm_cmpgt_epi8(n1, _mm_set1_epi8(-113)));
            bad = _mm_or_si128(_mm_or_si128(bad, bytesAtLeast(b, 0xF5)), _mm_or_si128(overlong4, beyond));
        }
    }
    const uint32_t cont = high & ~leads;
    const uint32_t expected = c.carry | leads << 1 | leads3 << 2 | leads4 << 3;
    if ((zeros | static_cast<uint32_t>(_mm_movemask_epi8(bad))) != 0 || (expected & 0xFFFF) != cont) return false;
    const uint32_t expectedAfter = expected >> 16;
    for (uint32_t i = 0; i < blockReach; ++i)
        if (((expectedAfter >> i) & 1) != 0 && !isTrail(q[16 + i])) return false;
    const uint32_t lows = (leads4 << 1 | c.lowCarry) & 0xFFFF;
    const uint32_t keep = (~cont & 0xFFFF) | lows;
    if constexpr (store) {
        const __m128i n2 = loadUnaligned(q + 2);
        const int longest = (leads4 | lows) != 0 ? 4 : leads3 != 0 ? 3 : 2;
        const __m128i lowBytes =
            _mm_or_si128(_mm_slli_si128(lead4, 1), _mm_cvtsi32_si128(static_cast<int>(c.lowCarry * 0xFF)));
        packUnits(c, laneUnits(b, n1, n2, lowBytes, longest), keep & 0xFF);
        packUnits(c,
                  laneUnits(_mm_srli_si128(b, 8), _mm_srli_si128(n1, 8), _mm_srli_si128(n2, 8),
                            _mm_srli_si128(lowBytes, 8), longest),
                  keep >> 8);
    } else {
        c.n += packTables.marked[keep & 0xFF] + packTables.marked[keep >> 8];
    }
    c.carry = expectedAfter;
    c.lowCarry = leads4 >> 15;
    c.q += 16;
    return true;
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
    c.q += packTables.marked[c.carry];
}

// Units in the marked lanes of a mask of 32 or 64 lanes.
inline uint32_t markedLanes(uint64_t m) {
    uint32_t total = 0;
    for (; m != 0; m >>= 8) total += packTables.marked[m & 0xFF];
    return total;
}

// Copies of each byte the wide blocks compare with, read from memory:
// broadcasting them from a general register would cost a shuffle each.
struct alignas(64) ByteSplat {
    uint8_t bytes[64];
};

template <uint8_t v>
constexpr ByteSplat makeByteSplat() {
    ByteSplat t{};
    for (uint8_t &b : t.bytes) b = v;
    return t;
}

template <uint8_t v>
inline constexpr ByteSplat byteSplat = makeByteSplat<v>();

// Thirty-two copies of each 16-bit constant, the same way.
struct alignas(64) WordSplat {
    uint16_t words[32];
};

template <uint16_t v>
constexpr WordSplat makeWordSplat() {
    WordSplat t{};
    for (uint16_t &w : t.words) w = v;
    return t;
}

template <uint16_t v>
inline constexpr WordSplat wordSplat = makeWordSplat<v>();

template <uint8_t v>
QORU_AVX2_PIECE inline __m256i splat32() {
    return _mm256_load_si256(reinterpret_cast<const __m256i *>(byteSplat<v>.bytes));
}

template <uint16_t v>
QORU_AVX2_PIECE inline __m256i splat16x16() {
    return _mm256_load_si256(reinterpret_cast<const __m256i *>(wordSplat<v>.words));
}

// ---- AVX2: one block of thirty-two bytes.

// A read under the page rule: not forced inline, so that it keeps its own
// exemption from the sanitizers.
[[gnu::target(QORU_TARGET_AVX2), gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline __m256i load32(
    const uint8_t *p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
}

QORU_AVX2_PIECE inline __m256i bytesAtLeast32(__m256i b, __m256i floor) {
    return _mm256_cmpeq_epi8(_mm256_max_epu8(b, floor), b);
}

// laneUnits for sixteen lanes; longest as for laneUnits64 below.
QORU_AVX2_PIECE inline __m256i laneUnits32(__m128i b16, __m128i n116, __m128i n216, __m128i lows16, int longest) {
    const __m256i b = _mm256_cvtepu8_epi16(b16);
    const __m256i c1 = _mm256_and_si256(_mm256_cvtepu8_epi16(n116), splat16x16<0x3F>());
    const __m256i two = _mm256_and_si256(_mm256_or_si256(_mm256_slli_epi16(b, 6), c1), splat16x16<0x7FF>());
    __m256i v = _mm256_blendv_epi8(b, two, _mm256_cmpgt_epi16(b, splat16x16<0xBF>()));
    if (longest == 2) return v;
    const __m256i c2 = _mm256_and_si256(_mm256_cvtepu8_epi16(n216), splat16x16<0x3F>());
    const __m256i t = _mm256_or_si256(_mm256_slli_epi16(c1, 6), c2);
    const __m256i three = _mm256_or_si256(_mm256_slli_epi16(b, 12), t);
    v = _mm256_blendv_epi8(v, three, _mm256_cmpgt_epi16(b, splat16x16<0xDF>()));
    if (longest == 3) return v;
    const __m256i high = _mm256_add_epi16(
        _mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(b, splat16x16<7>()), 8), _mm256_srli_epi16(t, 4)),
        splat16x16<0xD7C0>());
    v = _mm256_blendv_epi8(v, high, _mm256_cmpgt_epi16(b, splat16x16<0xEF>()));
    const __m256i low = _mm256_or_si256(_mm256_and_si256(t, splat16x16<0x3FF>()), splat16x16<0xDC00>());
    return _mm256_blendv_epi8(v, low, _mm256_cvtepi8_epi16(lows16));
}

template <bool store>
QORU_AVX2_PIECE inline bool block32(Cursor &c) {
    const uint8_t *q = c.q;
    const __m256i b = load32(q);
    const uint32_t high = static_cast<uint32_t>(_mm256_movemask_epi8(b));
    const uint32_t zeros = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(b, _mm256_setzero_si256())));
    if (high == 0) {
        if (zeros != 0) return false;
        if constexpr (store) {
            const __m256i w1 = _mm256_cvtepu8_epi16(_mm256_extracti128_si256(b, 1));
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(c.dst + c.n),
                                _mm256_cvtepu8_epi16(_mm256_castsi256_si128(b)));
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(c.dst + c.n + 16), w1);
            c.tail = _mm256_extracti128_si256(w1, 1);
        }
        c.n += 32;
        c.q += 32;
        return true;
    }
    if (store && c.n < 8) return false;
    const __m256i n1 = load32(q + 1);
    const __m256i lead4 = bytesAtLeast32(b, splat32<0xF0>());
    const uint64_t leads = static_cast<uint32_t>(_mm256_movemask_epi8(bytesAtLeast32(b, splat32<0xC0>())));
    const uint64_t leads3 = static_cast<uint32_t>(_mm256_movemask_epi8(bytesAtLeast32(b, splat32<0xE0>())));
    const uint64_t leads4 = static_cast<uint32_t>(_mm256_movemask_epi8(lead4));
    __m256i bad = _mm256_cmpeq_epi8(_mm256_and_si256(b, splat32<0xFE>()), splat32<0xC0>());
    // The checks of the longer forms only where they occur.
    if (leads3 != 0) {
        bad = _mm256_or_si256(
            bad, _mm256_and_si256(_mm256_cmpeq_epi8(b, splat32<0xE0>()), _mm256_cmpgt_epi8(splat32<0xA0>(), n1)));
        if (leads4 != 0) {
            const __m256i overlong4 =
                _mm256_and_si256(_mm256_cmpeq_epi8(b, splat32<0xF0>()), _mm256_cmpgt_epi8(splat32<0x90>(), n1));
            const __m256i beyond =
                _mm256_and_si256(_mm256_cmpeq_epi8(b, splat32<0xF4>()), _mm256_cmpgt_epi8(n1, splat32<0x8F>()));
            bad = _mm256_or_si256(_mm256_or_si256(bad, bytesAtLeast32(b, splat32<0xF5>())),
                                  _mm256_or_si256(overlong4, beyond));
        }
    }
    const uint64_t cont = high & ~leads;
    const uint64_t expected = c.carry | leads << 1 | leads3 << 2 | leads4 << 3;
    if ((zeros | static_cast<uint32_t>(_mm256_movemask_epi8(bad))) != 0 || static_cast<uint32_t>(expected) != cont)
        return false;
    const uint32_t expectedAfter = static_cast<uint32_t>(expected >> 32);
    for (uint32_t i = 0; i < blockReach; ++i)
        if (((expectedAfter >> i) & 1) != 0 && !isTrail(q[32 + i])) return false;
    const uint32_t lows = static_cast<uint32_t>(leads4 << 1 | c.lowCarry);
    const uint32_t keep = ~static_cast<uint32_t>(cont) | lows;
    if constexpr (store) {
        const __m256i n2 = load32(q + 2);
        const int longest = (leads4 | lows) != 0 ? 4 : leads3 != 0 ? 3 : 2;
        const __m128i lead4Low = _mm256_castsi256_si128(lead4), lead4High = _mm256_extracti128_si256(lead4, 1);
        const __m256i units0 = laneUnits32(
            _mm256_castsi256_si128(b), _mm256_castsi256_si128(n1), _mm256_castsi256_si128(n2),
            _mm_or_si128(_mm_slli_si128(lead4Low, 1), _mm_cvtsi32_si128(static_cast<int>(c.lowCarry * 0xFF))), longest);
        const __m256i units1 =
            laneUnits32(_mm256_extracti128_si256(b, 1), _mm256_extracti128_si256(n1, 1),
                        _mm256_extracti128_si256(n2, 1), _mm_alignr_epi8(lead4High, lead4Low, 15), longest);
        packUnits(c, _mm256_castsi256_si128(units0), keep & 0xFF);
        packUnits(c, _mm256_extracti128_si256(units0, 1), (keep >> 8) & 0xFF);
        packUnits(c, _mm256_castsi256_si128(units1), (keep >> 16) & 0xFF);
        packUnits(c, _mm256_extracti128_si256(units1, 1), keep >> 24);
    } else {
        c.n += markedLanes(keep);
    }
    c.carry = expectedAfter;
    c.lowCarry = static_cast<uint32_t>(leads4 >> 31);
    c.q += 32;
    return true;
}

// ---- AVX-512: one block of sixty-four bytes.

// A read under the page rule, as load32.
[[gnu::target(QORU_TARGET_AVX512_VBMI2), gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline __m512i load64(
    const uint8_t *p) {
    return _mm512_loadu_si512(p);
}

QORU_AVX512_PIECE inline __m256i halfOf(__m512i v, int h) {
    return h == 0 ? _mm512_castsi512_si256(v) : _mm512_extracti64x4_epi64(v, 1);
}

template <uint16_t v>
QORU_AVX512_PIECE inline __m512i splat16() {
    return _mm512_load_si512(wordSplat<v>.words);
}

// The units of thirty-two lanes (one half of a block), masks per lane;
// longest is the longest form present (2, 3, or 4 with low surrogates).
QORU_AVX512_PIECE inline __m512i laneUnits64(__m256i b32, __m256i n132, __m256i n232, __mmask32 leads, __mmask32 leads3,
                                             __mmask32 leads4, __mmask32 lows, int longest) {
    const __m512i b = _mm512_cvtepu8_epi16(b32);
    const __m512i c1 = _mm512_and_si512(_mm512_cvtepu8_epi16(n132), splat16<0x3F>());
    const __m512i two = _mm512_and_si512(_mm512_or_si512(_mm512_slli_epi16(b, 6), c1), splat16<0x7FF>());
    __m512i v = _mm512_mask_mov_epi16(b, leads, two);
    if (longest == 2) return v;
    const __m512i c2 = _mm512_and_si512(_mm512_cvtepu8_epi16(n232), splat16<0x3F>());
    const __m512i t = _mm512_or_si512(_mm512_slli_epi16(c1, 6), c2);
    v = _mm512_mask_mov_epi16(v, leads3, _mm512_or_si512(_mm512_slli_epi16(b, 12), t));
    if (longest == 3) return v;
    const __m512i high = _mm512_add_epi16(
        _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(b, splat16<7>()), 8), _mm512_srli_epi16(t, 4)),
        splat16<0xD7C0>());
    v = _mm512_mask_mov_epi16(v, leads4, high);
    const __m512i low = _mm512_or_si512(_mm512_and_si512(t, splat16<0x3FF>()), splat16<0xDC00>());
    return _mm512_mask_mov_epi16(v, lows, low);
}

// Stores the units of the thirty-two lanes marked in keep after dst[n),
// exactly: one compress of 16-bit lanes (VBMI2) and one masked store.
QORU_AVX512_PIECE inline void compressUnits(Cursor &c, __m512i units, uint32_t keep) {
    const __m512i packed = _mm512_maskz_compress_epi16(keep, units);
    const uint32_t kept = static_cast<uint32_t>(__builtin_popcount(keep));
    _mm512_mask_storeu_epi16(c.dst + c.n, _bzhi_u32(~0u, kept), packed);
    c.n += kept;
}

template <uint8_t v>
QORU_AVX512_PIECE inline __m512i splat() {
    return _mm512_load_si512(byteSplat<v>.bytes);
}

template <bool store>
QORU_AVX512_PIECE inline bool block64(Cursor &c) {
    const uint8_t *q = c.q;
    const __m512i b = load64(q);
    const uint64_t high = _mm512_movepi8_mask(b);
    const uint64_t zeros = _mm512_testn_epi8_mask(b, b);
    if (high == 0) {
        if (zeros != 0) return false;
        if constexpr (store) {
            const __m512i w1 = _mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(b, 1));
            _mm512_storeu_si512(c.dst + c.n, _mm512_cvtepu8_epi16(_mm512_castsi512_si256(b)));
            _mm512_storeu_si512(c.dst + c.n + 32, w1);
            c.tail = _mm512_extracti32x4_epi32(w1, 3);
        }
        c.n += 64;
        c.q += 64;
        return true;
    }
    const __m512i n1 = load64(q + 1);
    const uint64_t leads = _mm512_cmpge_epu8_mask(b, splat<0xC0>());
    const uint64_t leads3 = _mm512_cmpge_epu8_mask(b, splat<0xE0>());
    uint64_t leads4 = 0;
    uint64_t bad = zeros | (leads & ~_mm512_cmpge_epu8_mask(b, splat<0xC2>()));
    // The checks of the longer forms only where they occur.
    if (leads3 != 0) {
        bad |= _mm512_mask_cmplt_epu8_mask(_mm512_cmpeq_epi8_mask(b, splat<0xE0>()), n1, splat<0xA0>());
        leads4 = _mm512_cmpge_epu8_mask(b, splat<0xF0>());
        if (leads4 != 0) {
            bad |= _mm512_cmpge_epu8_mask(b, splat<0xF5>()) |
                   _mm512_mask_cmplt_epu8_mask(_mm512_cmpeq_epi8_mask(b, splat<0xF0>()), n1, splat<0x90>()) |
                   _mm512_mask_cmpgt_epu8_mask(_mm512_cmpeq_epi8_mask(b, splat<0xF4>()), n1, splat<0x8F>());
        }
    }
    const uint64_t cont = high & ~leads;
    const uint64_t expected = c.carry | leads << 1 | leads3 << 2 | leads4 << 3;
    if (bad != 0 || expected != cont) return false;
    const uint64_t expectedAfter = leads >> 63 | leads3 >> 62 | leads4 >> 61;
    if (!trailsAfter(q + 64, expectedAfter)) return false;
    const uint64_t lows = leads4 << 1 | c.lowCarry;
    const uint64_t keep = ~cont | lows;
    if constexpr (store) {
        const __m512i n2 = load64(q + 2);
        for (int h = 0; h < 2; ++h) {
            const int shift = 32 * h;
            const auto half = [shift](uint64_t m) { return static_cast<__mmask32>(m >> shift); };
            const int longest = half(leads4 | lows) != 0 ? 4 : half(leads3) != 0 ? 3 : 2;
            const __m512i units = laneUnits64(halfOf(b, h), halfOf(n1, h), halfOf(n2, h), half(leads), half(leads3),
                                              half(leads4), half(lows), longest);
            compressUnits(c, units, half(keep));
        }
    } else {
        c.n += markedLanes(keep);
    }
    c.carry = static_cast<uint32_t>(expectedAfter);
    c.lowCarry = static_cast<uint32_t>(leads4 >> 63);
    c.q += 64;
    return true;
}

// Each block's form for a block that would read across a page's end: the
// block reads the copy, and the cursor moves on as if it had read the string.
template <bool store>
QORU_SSSE3_PIECE inline bool block16Across(Cursor &c) {
    alignas(16) uint8_t bytes[acrossBytes];
    Cursor copy = c;
    copy.q = copyAcrossPage(c.q, bytes);
    if (!block16<store>(copy)) return false;
    copy.q = c.q + 16;
    c = copy;
    return true;
}

template <bool store>
QORU_AVX2_PIECE inline bool block32Across(Cursor &c) {
    alignas(16) uint8_t bytes[acrossBytes];
    Cursor copy = c;
    copy.q = copyAcrossPage(c.q, bytes);
    if (!block32<store>(copy)) return false;
    copy.q = c.q + 32;
    c = copy;
    return true;
}

template <bool store>
QORU_AVX512_PIECE inline bool block64Across(Cursor &c) {
    alignas(16) uint8_t bytes[acrossBytes];
    Cursor copy = c;
    copy.q = copyAcrossPage(c.q, bytes);
    if (!block64<store>(copy)) return false;
    copy.q = c.q + 64;
    c = copy;
    return true;
}

// ---- The kernels: wide blocks while there is room for them, then blocks
// of sixteen, then the rest of the last character. With an end (a buffer's
// bytes rather than a terminated string; AVX-512 only) a block runs only when
// all it reads lies before the end, and with one unit of room to spare, so
// that a pair's low surrogate is never left out.

// Every level ends the same way: blocks of sixteen while there is room,
// then the rest of the last character; the cursor goes back to the caller.
template <bool store, bool bounded>
QORU_SSSE3_PIECE inline void sixteensAndFinish(Cursor &c, size_t &count, const uint8_t *&p, size_t limit, size_t spare,
                                               const uint8_t *end) {
    while ((!store || c.n + 16 + spare <= limit) && (bounded ? c.q + 16 + blockReach <= end && block16<store>(c)
                                                     : staysInPage(c.q, 16 + blockReach) ? block16<store>(c)
                                                                                         : block16Across<store>(c))) {
    }
    finish<store>(c, limit);
    count = c.n;
    p = c.q;
}

template <bool store>
QORU_SSSE3_BLOCKS void blocksSsse3(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    Cursor c{dst, count, p, 0, 0, _mm_setzero_si128()};
    if (store) {
        if (limit < 16) return;
        if (c.n >= 8) c.tail = loadUnits(dst + c.n - 8);
    }
    sixteensAndFinish<store, false>(c, count, p, limit, 0, nullptr);
}

template <bool store>
QORU_AVX2_BLOCKS void blocksAvx2(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    Cursor c{dst, count, p, 0, 0, _mm_setzero_si128()};
    if (store) {
        if (limit < 16) return;
        if (c.n >= 8) c.tail = loadUnits(dst + c.n - 8);
    }
    while ((!store || c.n + 32 <= limit) &&
           (staysInPage(c.q, 32 + blockReach) ? block32<store>(c) : block32Across<store>(c))) {
    }
    sixteensAndFinish<store, false>(c, count, p, limit, 0, nullptr);
}

template <bool store, bool bounded>
QORU_AVX512_BLOCKS void blocksAvx512(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit,
                                     const uint8_t *end) {
    Cursor c{dst, count, p, 0, 0, _mm_setzero_si128()};
    constexpr size_t spare = bounded ? 1 : 0;
    if (store && limit < 16 + spare) return;
    while ((!store || c.n + 64 + spare <= limit) && (bounded ? c.q + 64 + blockReach <= end && block64<store>(c)
                                                     : staysInPage(c.q, 64 + blockReach) ? block64<store>(c)
                                                                                         : block64Across<store>(c))) {
    }
    if (store && c.n >= 8) c.tail = loadUnits(dst + c.n - 8);
    sixteensAndFinish<store, bounded>(c, count, p, limit, spare, end);
}

[[gnu::target(QORU_TARGET_SSSE3)]] void convertSsse3(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    if (dst == nullptr) {
        blocksSsse3<false>(dst, count, p, limit);
    } else {
        blocksSsse3<true>(dst, count, p, limit);
    }
}

[[gnu::target(QORU_TARGET_AVX2)]] void convertAvx2(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    if (dst == nullptr) {
        blocksAvx2<false>(dst, count, p, limit);
    } else {
        blocksAvx2<true>(dst, count, p, limit);
    }
}

[[gnu::target(QORU_TARGET_AVX512_VBMI2)]] void convertAvx512(char16_t *dst, size_t &count, const uint8_t *&p,
                                                             size_t limit) {
    if (dst == nullptr) {
        blocksAvx512<false, false>(dst, count, p, limit, nullptr);
    } else {
        blocksAvx512<true, false>(dst, count, p, limit, nullptr);
    }
}

// Only AVX-512 has a kernel for a stream's buffer: a read's units start at
// the array's start, where the narrower levels' tail has nothing to start
// from, so theirs measured slower than the caller's own loop.
[[gnu::target(QORU_TARGET_AVX512_VBMI2)]] void convertBoundedAvx512(char16_t *dst, size_t &count, const uint8_t *&p,
                                                                    const uint8_t *end, size_t limit) {
    blocksAvx512<true, true>(dst, count, p, limit, end);
}

}  // namespace

void utf8ToUtf16Sse2(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) { convertSse2(dst, count, p, limit); }
void utf8ToUtf16Ssse3(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    convertSsse3(dst, count, p, limit);
}
void utf8ToUtf16Avx2(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) { convertAvx2(dst, count, p, limit); }
void utf8ToUtf16Avx512Vbmi2(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    convertAvx512(dst, count, p, limit);
}
void utf8ToUtf16BoundedAvx512Vbmi2(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit) {
    convertBoundedAvx512(dst, count, p, end, limit);
}

}  // namespace qoru
