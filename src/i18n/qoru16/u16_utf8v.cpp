// The vector kernels of UTF-16 to UTF-8 (SSSE3/SSE4.1, AVX2, AVX-512BW).
//
// Each unit falls in one of three classes: ASCII (one byte), below 0x800 (two
// bytes) and the rest (three bytes; surrogates too, as U2sToUtf8s writes them).
// A step reads a run of units and classifies them with two unsigned
// comparisons. An all-ASCII run is narrowed and stored as is. Otherwise every
// unit is widened into the bytes of its longest form (lead, middle, last) and
// a byte shuffle, looked up by the run's classes, keeps only the bytes of each
// unit's own form, packed together; the stores of the pieces overlap, each
// starting where the previous piece's bytes end.
//
// A step stores a few bytes past the ones it reports (at most stepReach from
// its start, at most 12 past its own); the callers keep that room, and the
// whole-string encoder takes a step only where the bytes that follow will
// cover them. The whole-string encoder reads past the terminator only within
// the page of a unit of the string (the page rule of u16_pagerule.h): unaligned
// steps are taken only when they stay within the page, and the count reads
// aligned blocks.
//
// The stream writer's narrow step also takes surrogates: a pair's four bytes
// are split two per half, so the two-byte shuffles serve for them.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_utf8k.h"
#include "i18n/qoru16/u16_words.h"

namespace qoru {
namespace {

// The reads of source units, which reach past the terminator under the page
// rule (u16_pagerule.h; u16_words.h has the sixteen-byte loads):
// the only functions here exempt from the sanitizers, and not forced inline,
// so that they keep that exemption. Everything else is checked as usual.
[[gnu::target(QORU_TARGET_AVX2), gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline __m256i loadUnaligned32(
    const char16_t *p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
}
[[gnu::target(QORU_TARGET_AVX2), gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline __m256i loadAligned32(
    const char16_t *p) {
    return _mm256_load_si256(reinterpret_cast<const __m256i *>(p));
}
[[gnu::target(QORU_TARGET_AVX512), gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline __m512i loadUnaligned64(
    const char16_t *p) {
    return _mm512_loadu_si512(p);
}
[[gnu::target(QORU_TARGET_AVX512), gnu::no_sanitize_address, gnu::no_sanitize_thread]] inline __m512i loadAligned64(
    const char16_t *p) {
    return _mm512_load_si512(p);
}

// The shuffles that pack the kept bytes, and how many there are.
struct ShuffleTables {
    // Eight units, each one byte (bit clear) or two (bit set) at bytes 2j, 2j + 1.
    alignas(16) uint8_t two[256][16];
    uint8_t twoLength[256];
    // Four units, each in bytes 4j to 4j + 2: bits 0-3 mark units of two
    // bytes or more, bits 4-7 units of three.
    alignas(16) uint8_t three[256][16];
    uint8_t threeLength[256];
};

constexpr ShuffleTables makeShuffleTables() {
    ShuffleTables t{};
    for (uint32_t index = 0; index < 256; ++index) {
        uint32_t n = 0;
        for (uint32_t j = 0; j < 8; ++j) {
            t.two[index][n++] = static_cast<uint8_t>(2 * j);
            if ((index >> j) & 1) t.two[index][n++] = static_cast<uint8_t>(2 * j + 1);
        }
        t.twoLength[index] = static_cast<uint8_t>(n);
        while (n < 16) t.two[index][n++] = 0x80;
        n = 0;
        for (uint32_t j = 0; j < 4; ++j) {
            const uint32_t multi = (index >> j) & 1;
            const uint32_t length = 1 + multi + (multi & (index >> (4 + j)));
            for (uint32_t b = 0; b < length; ++b) t.three[index][n++] = static_cast<uint8_t>(4 * j + b);
        }
        t.threeLength[index] = static_cast<uint8_t>(n);
        while (n < 16) t.three[index][n++] = 0x80;
    }
    return t;
}

constexpr ShuffleTables tables = makeShuffleTables();

// A step's answer when its run holds a unit it leaves to the scalar path.
constexpr size_t noStep = static_cast<size_t>(-1);

// The units a step leaves to the narrower paths: the terminator (whole-string
// encoder) or surrogates (stream writer; the narrow step takes pairs).
enum class Stop { zero, surrogate };

// The shuffle index of four units (half 0 or 1 of eight) from a class mask of
// eight units: bits 0-7 two bytes or more, bits 8-15 three bytes.
inline uint32_t quarterIndex(uint32_t mask, uint32_t half) {
    return ((mask >> (4 * half)) & 0xF) | ((mask >> (4 + 4 * half)) & 0xF0);
}

// The units after a whole-string step that must hold no terminator. A step
// stores up to 12 bytes past the ones it reports, and the caller's array
// past the terminator must stay as it was: when at least this many units
// follow before the terminator, and they fit before the limit, their bytes
// (one at least each) cover what the step stored past its own.
constexpr size_t lookaheadUnits = 16;

// ---- SSSE3/SSE4.1: eight units per register ----

[[gnu::target(QORU_TARGET_SSSE3)]] inline __m128i shuffleOf(const uint8_t (*table)[16], uint32_t index) {
    return _mm_load_si128(reinterpret_cast<const __m128i *>(table[index]));
}

[[gnu::target(QORU_TARGET_SSSE3)]] inline __m128i atLeast(__m128i u, uint16_t bound) {
    return _mm_cmpeq_epi16(_mm_max_epu16(u, _mm_set1_epi16(static_cast<short>(bound))), u);
}

[[gnu::target(QORU_TARGET_SSSE3)]] inline void store16(uint8_t *out, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), v);
}

// Eight units, not all ASCII: multi marks units from 0x80, three those from
// 0x800, mask is movemask(packs(multi, three)). Stores at most 28 bytes.
// With Pairs, the units marked in paired (halves of pairs, in the stream
// writer) take their two bytes from pairBytes instead.
template <bool Pairs = false>
[[gnu::target(QORU_TARGET_SSSE3)]] inline size_t encode8(__m128i u, __m128i multi, __m128i three, uint32_t mask,
                                                         uint8_t *out, __m128i paired = __m128i{},
                                                         __m128i pairBytes = __m128i{}) {
    const __m128i low6 = _mm_set1_epi16(0x3F);
    const __m128i trailTag = _mm_set1_epi16(0x80);
    const __m128i last = _mm_or_si128(_mm_and_si128(u, low6), trailTag);
    const __m128i lead2 = _mm_or_si128(_mm_srli_epi16(u, 6), _mm_set1_epi16(0xC0));
    if ((mask & 0xFF00) == 0) {
        __m128i w = _mm_blendv_epi8(u, _mm_or_si128(lead2, _mm_slli_epi16(last, 8)), multi);
        if constexpr (Pairs) w = _mm_blendv_epi8(w, pairBytes, paired);
        const uint32_t i = mask & 0xFF;
        store16(out, _mm_shuffle_epi8(w, shuffleOf(tables.two, i)));
        return tables.twoLength[i];
    }
    const __m128i lead3 = _mm_or_si128(_mm_srli_epi16(u, 12), _mm_set1_epi16(0xE0));
    const __m128i lead = _mm_blendv_epi8(_mm_blendv_epi8(u, lead2, multi), lead3, three);
    const __m128i middle = _mm_or_si128(_mm_and_si128(_mm_blendv_epi8(u, _mm_srli_epi16(u, 6), three), low6), trailTag);
    __m128i w = _mm_or_si128(lead, _mm_slli_epi16(middle, 8));
    if constexpr (Pairs) w = _mm_blendv_epi8(w, pairBytes, paired);
    const uint32_t i0 = quarterIndex(mask, 0);
    const uint32_t i1 = quarterIndex(mask, 1);
    store16(out, _mm_shuffle_epi8(_mm_unpacklo_epi16(w, last), shuffleOf(tables.three, i0)));
    const size_t n0 = tables.threeLength[i0];
    store16(out + n0, _mm_shuffle_epi8(_mm_unpackhi_epi16(w, last), shuffleOf(tables.three, i1)));
    return n0 + tables.threeLength[i1];
}

struct Sse {
    static constexpr size_t units = 16;
    static constexpr size_t unitsLeftOnStop = units;
    static constexpr size_t stepReach = 64;

    template <Stop K>
    [[gnu::target(QORU_TARGET_SSSE3)]] static size_t step(const char16_t *s, uint8_t *out) {
        const __m128i v0 = loadUnaligned(s);
        const __m128i v1 = loadUnaligned(s + 8);
        if constexpr (K == Stop::zero) {
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_min_epu16(v0, v1), _mm_setzero_si128())) != 0) [[unlikely]]
                return noStep;
        } else {
            const __m128i top = _mm_set1_epi16(static_cast<short>(0xF800));
            const __m128i surrogate = _mm_set1_epi16(static_cast<short>(0xD800));
            if (_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(_mm_and_si128(v0, top), surrogate),
                                               _mm_cmpeq_epi16(_mm_and_si128(v1, top), surrogate))) != 0) [[unlikely]]
                return noStep;
        }
        const __m128i multi0 = atLeast(v0, 0x80), three0 = atLeast(v0, 0x800);
        const __m128i multi1 = atLeast(v1, 0x80), three1 = atLeast(v1, 0x800);
        const auto m0 = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(multi0, three0)));
        const auto m1 = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(multi1, three1)));
        if ((m0 | m1) == 0) {
            store16(out, _mm_packus_epi16(v0, v1));
            return 16;
        }
        if constexpr (K == Stop::zero) {
            // The stores below reach past the run's bytes: the units after it
            // (lookaheadUnits) must hold no terminator.
            const __m128i after = _mm_min_epu16(loadUnaligned(s + 16), loadUnaligned(s + 24));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(after, _mm_setzero_si128())) != 0) [[unlikely]]
                return noStep;
        }
        size_t n;
        if (m0 == 0) {
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(v0, v0));
            n = 8;
        } else {
            n = encode8(v0, multi0, three0, m0, out);
        }
        if (m1 == 0) {
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out + n), _mm_packus_epi16(v1, v1));
            return n + 8;
        }
        return n + encode8(v1, multi1, three1, m1, out + n);
    }

    // Extra bytes (beyond one per unit) of the aligned block at p, added to
    // 16-bit counters; false at a block holding the terminator.
    [[gnu::target(QORU_TARGET_SSSE3)]] static bool countBlock(const char16_t *p, __m128i &extra) {
        const __m128i v = loadAligned(p);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(v, _mm_setzero_si128())) != 0) return false;
        extra = _mm_sub_epi16(_mm_sub_epi16(extra, atLeast(v, 0x80)), atLeast(v, 0x800));
        return true;
    }
    [[gnu::target(QORU_TARGET_SSSE3)]] static size_t sum(const __m128i &extra) {
        const __m128i pairs = _mm_madd_epi16(extra, _mm_set1_epi16(1));
        alignas(16) uint32_t lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(lanes), pairs);
        return size_t{lanes[0]} + lanes[1] + lanes[2] + lanes[3];
    }
    using Counter = __m128i;
    static constexpr size_t blockUnits = 8;
};

// The narrow step every level takes where its own step does not fit: near the
// limit or the block's end, or near the terminator, a surrogate or a page end.
struct Narrow {
    static constexpr size_t units = 8;
    // It stops in the writer only for a high half in its last place.
    static constexpr size_t unitsLeftOnStop = 1;
    static constexpr size_t stepReach = 32;

    // The stream writer's eight units with surrogates: a high half followed
    // by a low one is one four-byte sequence, split as two bytes per half so
    // that the two-byte shuffles serve; any other surrogate is '#'. A high
    // half in the last place may pair with a unit after the run: noStep.
    [[gnu::target(QORU_TARGET_SSSE3)]] static size_t writerRunWithSurrogates(__m128i v, uint8_t *out) {
        const __m128i halfKind = _mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFC00)));
        const __m128i high = _mm_cmpeq_epi16(halfKind, _mm_set1_epi16(static_cast<short>(0xD800)));
        const __m128i low = _mm_cmpeq_epi16(halfKind, _mm_set1_epi16(static_cast<short>(0xDC00)));
        if (_mm_extract_epi16(high, 7) != 0) return noStep;
        const __m128i pairedLow = _mm_and_si128(low, _mm_slli_si128(high, 2));
        const __m128i pairedHigh = _mm_and_si128(high, _mm_srli_si128(low, 2));
        const __m128i paired = _mm_or_si128(pairedHigh, pairedLow);
        const __m128i lone = _mm_andnot_si128(paired, _mm_or_si128(high, low));
        // Code point cp = 0x10000 + (high & 0x3FF) << 10 + (low & 0x3FF); with
        // h = (high & 0x3FF) + 0x40 = cp >> 10, the high half gives F0 | h >> 8
        // and 80 | (h >> 2) & 3F, the low half 80 | (h & 3) << 4 | (low >> 6) & F
        // and 80 | low & 3F.
        const __m128i low6 = _mm_set1_epi16(0x3F);
        const __m128i h = _mm_add_epi16(_mm_and_si128(v, _mm_set1_epi16(0x3FF)), _mm_set1_epi16(0x40));
        const __m128i highBytes = _mm_or_si128(
            _mm_or_si128(_mm_srli_epi16(h, 8), _mm_set1_epi16(0xF0)),
            _mm_slli_epi16(_mm_or_si128(_mm_and_si128(_mm_srli_epi16(h, 2), low6), _mm_set1_epi16(0x80)), 8));
        const __m128i previous = _mm_slli_si128(v, 2);
        const __m128i lowLead = _mm_or_si128(_mm_or_si128(_mm_slli_epi16(_mm_and_si128(previous, _mm_set1_epi16(3)), 4),
                                                          _mm_and_si128(_mm_srli_epi16(v, 6), _mm_set1_epi16(0xF))),
                                             _mm_set1_epi16(0x80));
        const __m128i lowBytes =
            _mm_or_si128(lowLead, _mm_slli_epi16(_mm_or_si128(_mm_and_si128(v, low6), _mm_set1_epi16(0x80)), 8));
        const __m128i pairBytes = _mm_blendv_epi8(lowBytes, highBytes, high);
        const __m128i u = _mm_blendv_epi8(v, _mm_set1_epi16(unpairedSurrogate), lone);
        const __m128i multi = atLeast(u, 0x80);
        const __m128i three = _mm_andnot_si128(paired, atLeast(u, 0x800));
        const auto mask = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(multi, three)));
        if (mask == 0) {
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(u, u));
            return 8;
        }
        return encode8<true>(u, multi, three, mask, out, paired, pairBytes);
    }

    template <Stop K>
    [[gnu::target(QORU_TARGET_SSSE3)]] static size_t step(const char16_t *s, uint8_t *out) {
        const __m128i v = loadUnaligned(s);
        if constexpr (K == Stop::zero) {
            const __m128i least = _mm_min_epu16(v, _mm_min_epu16(loadUnaligned(s + 8), loadUnaligned(s + 16)));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(least, _mm_setzero_si128())) != 0) [[unlikely]]
                return noStep;
        } else {
            const __m128i surrogates = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xF800))),
                                                       _mm_set1_epi16(static_cast<short>(0xD800)));
            if (_mm_movemask_epi8(surrogates) != 0) return writerRunWithSurrogates(v, out);
        }
        const __m128i multi = atLeast(v, 0x80), three = atLeast(v, 0x800);
        const auto mask = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(multi, three)));
        if (mask == 0) {
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(v, v));
            return 8;
        }
        return encode8(v, multi, three, mask, out);
    }
};

// ---- AVX2: sixteen units per register, two lanes of eight ----

[[gnu::target(QORU_TARGET_AVX2)]] inline __m256i atLeast(__m256i u, uint16_t bound) {
    return _mm256_cmpeq_epi16(_mm256_max_epu16(u, _mm256_set1_epi16(static_cast<short>(bound))), u);
}

[[gnu::target(QORU_TARGET_AVX2)]] inline __m256i shufflesOf(const uint8_t (*table)[16], uint32_t low, uint32_t high) {
    const __m128i lo = _mm_load_si128(reinterpret_cast<const __m128i *>(table[low]));
    const __m128i hi = _mm_load_si128(reinterpret_cast<const __m128i *>(table[high]));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
}

[[gnu::target(QORU_TARGET_AVX2)]] inline void storeLanes(uint8_t *out, __m256i v, size_t lowLength) {
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm256_castsi256_si128(v));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + lowLength), _mm256_extracti128_si256(v, 1));
}

// Sixteen units; mask is movemask(packs(multi, three)): per lane, bits 0-7
// (16-23) units of two bytes or more, bits 8-15 (24-31) units of three.
// Stores at most 52 bytes.
[[gnu::target(QORU_TARGET_AVX2)]] inline size_t encode16(__m256i u, __m256i multi, __m256i three, uint32_t mask,
                                                         uint8_t *out) {
    if (mask == 0) {
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(u, u), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm256_castsi256_si128(bytes));
        return 16;
    }
    const __m256i low6 = _mm256_set1_epi16(0x3F);
    const __m256i trailTag = _mm256_set1_epi16(0x80);
    const __m256i last = _mm256_or_si256(_mm256_and_si256(u, low6), trailTag);
    const __m256i lead2 = _mm256_or_si256(_mm256_srli_epi16(u, 6), _mm256_set1_epi16(0xC0));
    const uint32_t maskLow = mask & 0xFFFF;
    const uint32_t maskHigh = mask >> 16;
    if ((mask & 0xFF00FF00) == 0) {
        const __m256i w = _mm256_blendv_epi8(u, _mm256_or_si256(lead2, _mm256_slli_epi16(last, 8)), multi);
        storeLanes(out, _mm256_shuffle_epi8(w, shufflesOf(tables.two, maskLow, maskHigh)), tables.twoLength[maskLow]);
        return tables.twoLength[maskLow] + tables.twoLength[maskHigh];
    }
    const __m256i lead3 = _mm256_or_si256(_mm256_srli_epi16(u, 12), _mm256_set1_epi16(0xE0));
    const __m256i lead = _mm256_blendv_epi8(_mm256_blendv_epi8(u, lead2, multi), lead3, three);
    const __m256i middle =
        _mm256_or_si256(_mm256_and_si256(_mm256_blendv_epi8(u, _mm256_srli_epi16(u, 6), three), low6), trailTag);
    const __m256i w = _mm256_or_si256(lead, _mm256_slli_epi16(middle, 8));
    // unpacklo: units 0-3 and 8-11; unpackhi: units 4-7 and 12-15.
    const uint32_t i0 = quarterIndex(maskLow, 0), i1 = quarterIndex(maskLow, 1);
    const uint32_t i2 = quarterIndex(maskHigh, 0), i3 = quarterIndex(maskHigh, 1);
    const __m256i first = _mm256_shuffle_epi8(_mm256_unpacklo_epi16(w, last), shufflesOf(tables.three, i0, i2));
    const __m256i second = _mm256_shuffle_epi8(_mm256_unpackhi_epi16(w, last), shufflesOf(tables.three, i1, i3));
    size_t n = 0;
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm256_castsi256_si128(first));
    n += tables.threeLength[i0];
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + n), _mm256_castsi256_si128(second));
    n += tables.threeLength[i1];
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + n), _mm256_extracti128_si256(first, 1));
    n += tables.threeLength[i2];
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + n), _mm256_extracti128_si256(second, 1));
    return n + tables.threeLength[i3];
}

[[gnu::target(QORU_TARGET_AVX2)]] inline size_t encode16(__m256i u, uint8_t *out) {
    const __m256i multi = atLeast(u, 0x80), three = atLeast(u, 0x800);
    const auto mask = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_packs_epi16(multi, three)));
    return encode16(u, multi, three, mask, out);
}

struct Avx2 {
    static constexpr size_t units = 32;
    static constexpr size_t unitsLeftOnStop = units;
    static constexpr size_t stepReach = 112;

    template <Stop K>
    [[gnu::target(QORU_TARGET_AVX2)]] static size_t step(const char16_t *s, uint8_t *out) {
        const __m256i v0 = loadUnaligned32(s);
        const __m256i v1 = loadUnaligned32(s + 16);
        if constexpr (K == Stop::zero) {
            const __m256i zeros = _mm256_cmpeq_epi16(_mm256_min_epu16(v0, v1), _mm256_setzero_si256());
            if (!_mm256_testz_si256(zeros, zeros)) [[unlikely]]
                return noStep;
        } else {
            const __m256i top = _mm256_set1_epi16(static_cast<short>(0xF800));
            const __m256i surrogate = _mm256_set1_epi16(static_cast<short>(0xD800));
            if (!_mm256_testz_si256(_mm256_or_si256(_mm256_cmpeq_epi16(_mm256_and_si256(v0, top), surrogate),
                                                    _mm256_cmpeq_epi16(_mm256_and_si256(v1, top), surrogate)),
                                    _mm256_set1_epi8(-1))) [[unlikely]]
                return noStep;
        }
        const __m256i high = _mm256_set1_epi16(static_cast<short>(0xFF80));
        if (_mm256_testz_si256(_mm256_or_si256(v0, v1), high)) {
            const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(v0, v1), 0xD8);
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), bytes);
            return 32;
        }
        if constexpr (K == Stop::zero) {
            // The stores below reach past the run's bytes: the units after it
            // (lookaheadUnits) must hold no terminator.
            const __m256i after = _mm256_cmpeq_epi16(loadUnaligned32(s + 32), _mm256_setzero_si256());
            if (!_mm256_testz_si256(after, after)) [[unlikely]]
                return noStep;
        }
        const size_t n = encode16(v0, out);
        return n + encode16(v1, out + n);
    }

    [[gnu::target(QORU_TARGET_AVX2)]] static bool countBlock(const char16_t *p, __m256i &extra) {
        const __m256i v = loadAligned32(p);
        const __m256i zeros = _mm256_cmpeq_epi16(v, _mm256_setzero_si256());
        if (!_mm256_testz_si256(zeros, zeros)) return false;
        extra = _mm256_sub_epi16(_mm256_sub_epi16(extra, atLeast(v, 0x80)), atLeast(v, 0x800));
        return true;
    }
    [[gnu::target(QORU_TARGET_AVX2)]] static size_t sum(const __m256i &extra) {
        const __m256i pairs = _mm256_madd_epi16(extra, _mm256_set1_epi16(1));
        alignas(32) uint32_t lanes[8];
        _mm256_store_si256(reinterpret_cast<__m256i *>(lanes), pairs);
        size_t total = 0;
        for (const uint32_t lane : lanes) total += lane;
        return total;
    }
    using Counter = __m256i;
    static constexpr size_t blockUnits = 16;
};

// ---- AVX-512BW: thirty-two units per register ----

struct Avx512 {
    static constexpr size_t units = 32;
    static constexpr size_t unitsLeftOnStop = units;
    static constexpr size_t stepReach = 112;

    template <Stop K>
    [[gnu::target(QORU_TARGET_AVX512)]] static size_t step(const char16_t *s, uint8_t *out) {
        const __m512i v = loadUnaligned64(s);
        if constexpr (K == Stop::zero) {
            if (_mm512_cmpeq_epi16_mask(v, _mm512_setzero_si512()) != 0) [[unlikely]]
                return noStep;
        } else {
            const __m512i top = _mm512_set1_epi16(static_cast<short>(0xF800));
            if (_mm512_cmpeq_epi16_mask(_mm512_and_si512(v, top), _mm512_set1_epi16(static_cast<short>(0xD800))) != 0)
                [[unlikely]]
                return noStep;
        }
        if (_mm512_cmpge_epu16_mask(v, _mm512_set1_epi16(0x80)) == 0) {
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), _mm512_maskz_cvtepi16_epi8(~__mmask32{0}, v));
            return 32;
        }
        if constexpr (K == Stop::zero) {
            // As in the AVX2 step: the units after the run hold no terminator.
            const __m256i after = loadUnaligned32(s + 32);
            if (_mm256_cmpeq_epi16_mask(after, _mm256_setzero_si256()) != 0) [[unlikely]]
                return noStep;
        }
        // The halves read again: cheaper than taking them out of the register.
        const size_t n = encode16(loadUnaligned32(s), out);
        return n + encode16(loadUnaligned32(s + 16), out + n);
    }

    [[gnu::target(QORU_TARGET_AVX512)]] static bool countBlock(const char16_t *p, __m512i &extra) {
        const __m512i v = loadAligned64(p);
        if (_mm512_cmpeq_epi16_mask(v, _mm512_setzero_si512()) != 0) return false;
        const __m512i one = _mm512_set1_epi16(1);
        extra = _mm512_mask_add_epi16(extra, _mm512_cmpge_epu16_mask(v, _mm512_set1_epi16(0x80)), extra, one);
        extra = _mm512_mask_add_epi16(extra, _mm512_cmpge_epu16_mask(v, _mm512_set1_epi16(0x800)), extra, one);
        return true;
    }
    [[gnu::target(QORU_TARGET_AVX512)]] static size_t sum(const __m512i &extra) {
        alignas(64) uint32_t lanes[16];
        _mm512_store_si512(lanes, _mm512_madd_epi16(extra, _mm512_set1_epi16(1)));
        size_t total = 0;
        for (const uint32_t lane : lanes) total += lane;
        return total;
    }
    using Counter = __m512i;
    static constexpr size_t blockUnits = 32;
};

// ---- The loops, shared by the levels ----

// A step of S at s when it and the bytes of the units after it fit before
// the limit and its reads (lookahead included) stay within the page of the
// unit at s; the bytes stored, or noStep.
// A step of S at s when it and the bytes of the units after it fit before
// the limit and its reads (lookahead included) stay within the page of the
// unit at s; the bytes stored, or noStep.
template <class S>
inline size_t tryStep(const char16_t *s, uint8_t *out, size_t n, size_t limit) {
    if (limit - n < S::stepReach + 3 * lookaheadUnits ||
        !staysInPage(s, (S::units + lookaheadUnits) * sizeof(char16_t))) [[unlikely]]
        return noStep;
    return S::template step<Stop::zero>(s, out + n);
}

template <class V>
inline size_t encodeLoop(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    const char16_t *s = src;
    // Wide steps while n <= wideStop: room for a step and the units after it.
    constexpr size_t wideRoom = V::stepReach + 3 * lookaheadUnits;
    const size_t wideStop = limit >= wideRoom ? limit - wideRoom : 0;
    const bool wide = limit >= wideRoom;
    for (;;) {
        size_t bytes;
        while (wide && n <= wideStop && staysInPage(s, (V::units + lookaheadUnits) * sizeof(char16_t))) {
            bytes = V::template step<Stop::zero>(s, out + n);
            if (bytes == noStep) break;
            n += bytes;
            s += V::units;
        }
        if ((bytes = tryStep<Narrow>(s, out, n, limit)) != noStep) {
            n += bytes;
            s += Narrow::units;
            continue;
        }
        // The terminator is near, or the page's end, or the limit.
        const char16_t u = *s;
        if (u == 0 || limit - n < 4) break;
        n += encodeUnitByItself(u, out + n);
        ++s;
    }
    src = s;
    return n;
}

template <class V>
inline size_t countLoop(const char16_t *src) {
    constexpr size_t blockBytes = V::blockUnits * sizeof(char16_t);
    // Aligned blocks cannot split a unit of a misaligned string.
    if (!isAligned(src, sizeof(char16_t))) return countUtf8Sse2(src);
    const char16_t *s = src;
    size_t total = 0;
    for (; !isAligned(s, blockBytes); ++s) {
        if (*s == 0) return total;
        total += *s < 0x80 ? 1 : *s < 0x800 ? 2 : 3;
    }
    // The 16-bit counters gain at most 2 a block: summed before they could
    // pass 32767 (madd reads them as signed).
    constexpr size_t blocksPerSum = 8192;
    for (;;) {
        typename V::Counter extra{};
        size_t blocks = 0;
        while (blocks < blocksPerSum && V::countBlock(s, extra)) {
            ++blocks;
            s += V::blockUnits;
        }
        total += blocks * V::blockUnits + V::sum(extra);
        if (blocks < blocksPerSum) break;
    }
    return total + countUtf8Sse2(s);
}

// One step of S in the writer's block, unless the units from i on are to
// go by the unit rule (before scalarEnd). A wide run with a surrogate is
// left to the narrow steps, which take pairs, and what they stop at to the
// unit rule; so is the rest of the block once a step would pass the
// threshold.
template <class S>
inline bool blockStep(const char16_t *units, size_t remaining, uint8_t *buf, size_t &i, size_t &k, size_t &scalarEnd) {
    if (i < scalarEnd || remaining - i < S::units) return false;
    const size_t bytes = S::template step<Stop::surrogate>(units + i, buf + k);
    if (bytes == noStep) {
        scalarEnd = i + S::unitsLeftOnStop;
    } else if (k + bytes > utf8BlockThreshold) {
        scalarEnd = remaining;
    } else {
        k += bytes;
        i += S::units;
        return true;
    }
    return false;
}

template <class V>
inline size_t fillBlockLoop(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used) {
    size_t i = 0;
    size_t k = used;
    size_t wideEnd = 0, narrowEnd = 0;
    while (i < remaining && k <= utf8BlockThreshold) {
        if (blockStep<V>(units, remaining, buf, i, k, wideEnd) ||
            blockStep<Narrow>(units, remaining, buf, i, k, narrowEnd))
            continue;
        i += encodeWriterUnit(units + i, remaining - i, buf, k);
    }
    used = k;
    return i;
}

static_assert(Sse::stepReach <= utf8BlockSlack && Avx2::stepReach <= utf8BlockSlack &&
              Avx512::stepReach <= utf8BlockSlack);

}  // namespace

[[gnu::target(QORU_TARGET_SSSE3), gnu::flatten]] size_t encodeUtf8Ssse3(uint8_t *out, size_t n, size_t limit,
                                                                        const char16_t *&src) {
    return encodeLoop<Sse>(out, n, limit, src);
}
[[gnu::target(QORU_TARGET_SSSE3), gnu::flatten]] size_t countUtf8Ssse3(const char16_t *src) {
    return countLoop<Sse>(src);
}
[[gnu::target(QORU_TARGET_SSSE3), gnu::flatten]] size_t fillUtf8BlockSsse3(const char16_t *units, size_t remaining,
                                                                           uint8_t *buf, size_t &used) {
    return fillBlockLoop<Sse>(units, remaining, buf, used);
}

[[gnu::target(QORU_TARGET_AVX2), gnu::flatten]] size_t encodeUtf8Avx2(uint8_t *out, size_t n, size_t limit,
                                                                      const char16_t *&src) {
    return encodeLoop<Avx2>(out, n, limit, src);
}
[[gnu::target(QORU_TARGET_AVX2), gnu::flatten]] size_t countUtf8Avx2(const char16_t *src) {
    return countLoop<Avx2>(src);
}
[[gnu::target(QORU_TARGET_AVX2), gnu::flatten]] size_t fillUtf8BlockAvx2(const char16_t *units, size_t remaining,
                                                                         uint8_t *buf, size_t &used) {
    return fillBlockLoop<Avx2>(units, remaining, buf, used);
}

[[gnu::target(QORU_TARGET_AVX512), gnu::flatten]] size_t encodeUtf8Avx512(uint8_t *out, size_t n, size_t limit,
                                                                          const char16_t *&src) {
    return encodeLoop<Avx512>(out, n, limit, src);
}
[[gnu::target(QORU_TARGET_AVX512), gnu::flatten]] size_t countUtf8Avx512(const char16_t *src) {
    return countLoop<Avx512>(src);
}
[[gnu::target(QORU_TARGET_AVX512), gnu::flatten]] size_t fillUtf8BlockAvx512(const char16_t *units, size_t remaining,
                                                                             uint8_t *buf, size_t &used) {
    return fillBlockLoop<Avx512>(units, remaining, buf, used);
}

}  // namespace qoru
