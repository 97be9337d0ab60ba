// UTF-16 to UTF-8, each algorithm written once over a width record: the
// whole-string encoder (every unit by itself, or real UTF-8 that stops at
// what it does not join), the byte count, and the stream writer's block.
//
// Each unit falls in one of three classes: ASCII (one byte), below 0x800 (two
// bytes) and the rest (three bytes; surrogates too, as U2sToUtf8s writes
// them). Vectors of units are classified with two unsigned comparisons. An
// all-ASCII run is narrowed and stored as is (a long one, at the AVX2 width,
// in aligned stores). Otherwise, lane by lane (eight
// units), every unit is widened into the bytes of its longest form (lead,
// middle, last) and a byte shuffle, looked up by the lane's classes, keeps
// only the bytes of each unit's own form, packed together; the stores of the
// pieces overlap, each starting where the previous piece's bytes end.
//
// A step stores a few bytes past the ones it reports (at most stepReach from
// its start, 12 past its own); the callers keep that room, and the
// whole-string encoder takes a step only where the units that follow (at
// least lookaheadUnits, none a terminator; in real mode no surrogate, or for
// the narrow and the paired steps no unpaired one among the first twelve)
// will cover them with their own bytes, so that nothing after the result is
// ever left changed. The whole-string encoder and the count read past the
// terminator only under the page rule (u16_pagerule.h): their main loops
// read aligned vectors, the few unaligned reads are taken only when they
// stay within the page.
//
// The records below extend u16_simd_x86.h's with what the encoders need.
// Included by the x86 level files inside their target region, after
// u16_simd_x86.h, and after <type_traits>, u16_pagerule.h, u16_utf8.h and
// u16_utf8k.h outside it; everything here is in an anonymous namespace, so
// each level has its own copies.
#ifndef QORU_U16_KERN_TO8_H
#define QORU_U16_KERN_TO8_H

// As in u16_simd_x86.h: the records of wider levels are compiled unused.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpragmas"
#pragma GCC diagnostic ignored "-Wunknown-warning-option"
#pragma GCC diagnostic ignored "-Wpsabi"

namespace qoru {
namespace {
namespace to8 {

// ---- UTF-8 encoding: the width records ----

// Sixteen bytes, eight units; SSE2 only: ASCII runs and the count, every
// other unit by itself.
struct Sse2 : qoru::Sse2 {
    static constexpr bool shuffles = false;
    // No shifted stores: long ASCII runs store each step where it falls.
    static constexpr size_t storeShifts = 0;
    static bool anyZero(Vec v) { return _mm_movemask_epi8(_mm_cmpeq_epi16(v, _mm_setzero_si128())) != 0; }
    static bool isAscii(Vec v) {
        return _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80))),
                                                 _mm_setzero_si128())) == 0xFFFF;
    }
    static Vec constant(Utf8Constant c) { return loadData(utf8Constants.row[c]); }
    static bool anySurrogate(Vec v) {
        return _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, constant(surrogateBits)), constant(highHalf))) != 0;
    }
    // Two vectors of ASCII units as 2 * vecUnits bytes.
    static void storeAscii(uint8_t *out, Vec a, Vec b) {
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(a, b));
    }
    // One vector of ASCII units as vecUnits bytes.
    static void storeAsciiHalf(uint8_t *out, Vec v) {
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(v, v));
    }
    // Two vectors of units as bytes, saturated (units from 0x8000 become 0):
    // plainAscii tells whether all were ASCII and none a terminator, and
    // storePacked stores them in order.
    static Vec packBytes(Vec a, Vec b) { return _mm_packus_epi16(a, b); }
    static bool plainAscii(Vec packed) {
        return _mm_movemask_epi8(_mm_cmpgt_epi8(packed, _mm_setzero_si128())) == 0xFFFF;
    }
    static void storePacked(uint8_t *out, Vec packed) { _mm_storeu_si128(reinterpret_cast<__m128i *>(out), packed); }
    // 0xFFFF in the units from bound on.
    static Vec atLeast(Vec v, uint16_t bound) {
        return _mm_cmpeq_epi16(_mm_subs_epu16(_mm_set1_epi16(static_cast<short>(bound)), v), _mm_setzero_si128());
    }
    // The count's 16-bit counters gain 1 per unit from 0x80 and 1 more from 0x800.
    using Counter = Vec;
    static void addExtra(Counter &c, Vec v) {
        c = _mm_sub_epi16(_mm_sub_epi16(c, atLeast(v, 0x80)), atLeast(v, 0x800));
    }
    static size_t sum(Counter c) {
        alignas(16) uint32_t lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(lanes), _mm_madd_epi16(c, _mm_set1_epi16(1)));
        return size_t{lanes[0]} + lanes[1] + lanes[2] + lanes[3];
    }
};

// SSSE3 and SSE4.1: the same width, with byte shuffles; one lane.
struct Ssse3 : Sse2 {
    static constexpr bool shuffles = true;
    static constexpr size_t lanes = 1;
    static Vec least16(Vec a, Vec b) { return _mm_min_epu16(a, b); }
    static Vec addSaturated16(Vec a, Vec b) { return _mm_adds_epu16(a, b); }
    // Zero where a unit is a terminator or a surrogate: the units plus 2800
    // (wrapping) take the surrogates below 800, and less 7FF (saturated) to 0.
    static Vec stopKeys(Vec v) {
        return _mm_min_epu16(v, _mm_subs_epu16(_mm_add_epi16(v, constant(halfShift)), constant(below800)));
    }
    static Vec atLeast(Vec v, uint16_t bound) {
        return _mm_cmpeq_epi16(_mm_max_epu16(v, _mm_set1_epi16(static_cast<short>(bound))), v);
    }
    static Vec atLeast(Vec v, Utf8Constant bound) { return _mm_cmpeq_epi16(_mm_max_epu16(v, constant(bound)), v); }
    static void addExtra(Counter &c, Vec v) {
        c = _mm_sub_epi16(_mm_sub_epi16(c, atLeast(v, 0x80)), atLeast(v, 0x800));
    }
    static Vec blend(Vec a, Vec b, Vec mask) { return _mm_blendv_epi8(a, b, mask); }
    static Vec shuffle(Vec v, Vec index) { return _mm_shuffle_epi8(v, index); }
    static Vec multiplyAddBytes(Vec a, Vec b) { return _mm_maddubs_epi16(a, b); }
    // The shuffle that copies each unit's low byte into both of its bytes.
    static Vec lowBytesTwice() { return _mm_setr_epi8(0, 0, 2, 2, 4, 4, 6, 6, 8, 8, 10, 10, 12, 12, 14, 14); }
    static Vec interleaveLow(Vec a, Vec b) { return _mm_unpacklo_epi16(a, b); }
    static Vec interleaveHigh(Vec a, Vec b) { return _mm_unpackhi_epi16(a, b); }
    static Vec andNot(Vec a, Vec b) { return _mm_andnot_si128(a, b); }
    // Each unit's neighbour: the one before it (before's last for the first),
    // the one after it (after's first for the last).
    static Vec unitsBefore(Vec v, Vec before) { return _mm_alignr_epi8(v, before, 14); }
    static Vec unitsAfter(Vec v, Vec after) { return _mm_alignr_epi8(after, v, 2); }
    // A bit a unit of a mask, bits 0-7 of each lane's 16.
    static uint32_t packedBits(Vec marks) {
        return static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(marks, marks)));
    }
    // A table's rows at byte offsets (a multiple of 16 each), one a lane.
    static Vec rows(const uint8_t (*table)[16], const size_t *offset) {
        return _mm_load_si128(reinterpret_cast<const __m128i *>(table[0] + offset[0]));
    }
    static void storeLane(uint8_t *out, Vec v, size_t) { _mm_storeu_si128(reinterpret_cast<__m128i *>(out), v); }
};

// Thirty-two bytes, sixteen units in two lanes.
struct Avx2 : qoru::Avx2 {
    static constexpr bool shuffles = true;
    static constexpr size_t lanes = 2;
    static bool anyZero(Vec v) {
        const Vec zeros = _mm256_cmpeq_epi16(v, _mm256_setzero_si256());
        return !_mm256_testz_si256(zeros, zeros);
    }
    static bool isAscii(Vec v) { return _mm256_testz_si256(v, constant(nonAscii)); }
    static bool anySurrogate(Vec v) {
        const Vec s = _mm256_cmpeq_epi16(_mm256_and_si256(v, constant(surrogateBits)), constant(highHalf));
        return !_mm256_testz_si256(s, s);
    }
    static void storeAscii(uint8_t *out, Vec a, Vec b) {
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out),
                            _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8));
    }
    static void storeAsciiHalf(uint8_t *out, Vec v) {
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(v, v), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm256_castsi256_si128(bytes));
    }
    static Vec packBytes(Vec a, Vec b) { return _mm256_packus_epi16(a, b); }
    static bool plainAscii(Vec packed) {
        return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpgt_epi8(packed, _mm256_setzero_si256()))) ==
               0xFFFFFFFFu;
    }
    static void storePacked(uint8_t *out, Vec packed) {
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), _mm256_permute4x64_epi64(packed, 0xD8));
    }
    // Long ASCII runs store aligned vectors, each joined from the packed
    // bytes of two steps (encodeShiftedAsciiSteps), where the bytes'
    // destination is m of the storeShifts quadwords past a vector boundary.
    // rotatePacked puts the packed quadwords (in the text's order 0, 2, 1,
    // 3, as the pack leaves them lane by lane) in the text's order rotated
    // by m, so that its last m come first; joinShifted takes the first m
    // quadwords of a and the rest of b.
    static constexpr size_t storeShifts = 4;
    template <size_t m>
    static Vec rotatePacked(Vec packed) {
        constexpr int inOrder[4] = {0, 2, 1, 3};
        constexpr int order =
            inOrder[(4 - m) % 4] | inOrder[(5 - m) % 4] << 2 | inOrder[(6 - m) % 4] << 4 | inOrder[(7 - m) % 4] << 6;
        return _mm256_permute4x64_epi64(packed, order);
    }
    // Stores a vector from rotatePacked<m> as storePacked stores the packed one.
    template <size_t m>
    static void storeRotated(uint8_t *out, Vec rotated) {
        constexpr int order = m | (m + 1) % 4 << 2 | (m + 2) % 4 << 4 | (m + 3) % 4 << 6;
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), _mm256_permute4x64_epi64(rotated, order));
    }
    template <size_t m>
    static Vec joinShifted(Vec a, Vec b) {
        return _mm256_blend_epi32(a, b, (0xFF << (2 * m)) & 0xFF);
    }
    static void storeAligned(uint8_t *out, Vec v) { _mm256_store_si256(reinterpret_cast<__m256i *>(out), v); }
    static Vec addSaturated16(Vec a, Vec b) { return _mm256_adds_epu16(a, b); }
    static Vec stopKeys(Vec v) {
        return _mm256_min_epu16(v, _mm256_subs_epu16(_mm256_add_epi16(v, constant(halfShift)), constant(below800)));
    }
    static Vec atLeast(Vec v, uint16_t bound) {
        return _mm256_cmpeq_epi16(_mm256_max_epu16(v, _mm256_set1_epi16(static_cast<short>(bound))), v);
    }
    static Vec atLeast(Vec v, Utf8Constant bound) {
        return _mm256_cmpeq_epi16(_mm256_max_epu16(v, constant(bound)), v);
    }
    static Vec constant(Utf8Constant c) { return loadData(utf8Constants.row[c]); }
    using Counter = Vec;
    static void addExtra(Counter &c, Vec v) {
        c = _mm256_sub_epi16(_mm256_sub_epi16(c, atLeast(v, 0x80)), atLeast(v, 0x800));
    }
    static size_t sum(Counter c) {
        const __m256i pairs = _mm256_madd_epi16(c, _mm256_set1_epi16(1));
        const __m128i four = _mm_add_epi32(_mm256_castsi256_si128(pairs), _mm256_extracti128_si256(pairs, 1));
        const __m128i two = _mm_add_epi32(four, _mm_unpackhi_epi64(four, four));
        return static_cast<uint32_t>(_mm_cvtsi128_si32(two)) + static_cast<uint32_t>(_mm_extract_epi32(two, 1));
    }
    static Vec blend(Vec a, Vec b, Vec mask) { return _mm256_blendv_epi8(a, b, mask); }
    static Vec shuffle(Vec v, Vec index) { return _mm256_shuffle_epi8(v, index); }
    static Vec multiplyAddBytes(Vec a, Vec b) { return _mm256_maddubs_epi16(a, b); }
    static Vec lowBytesTwice() {
        return _mm256_setr_epi8(0, 0, 2, 2, 4, 4, 6, 6, 8, 8, 10, 10, 12, 12, 14, 14, 0, 0, 2, 2, 4, 4, 6, 6, 8, 8, 10,
                                10, 12, 12, 14, 14);
    }
    static Vec interleaveLow(Vec a, Vec b) { return _mm256_unpacklo_epi16(a, b); }
    static Vec interleaveHigh(Vec a, Vec b) { return _mm256_unpackhi_epi16(a, b); }
    static Vec andNot(Vec a, Vec b) { return _mm256_andnot_si256(a, b); }
    static Vec unitsBefore(Vec v, Vec before) {
        return _mm256_alignr_epi8(v, _mm256_permute2x128_si256(before, v, 0x21), 14);
    }
    static Vec unitsAfter(Vec v, Vec after) {
        return _mm256_alignr_epi8(_mm256_permute2x128_si256(v, after, 0x21), v, 2);
    }
    static uint32_t packedBits(Vec marks) {
        return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_packs_epi16(marks, marks)));
    }
    static Vec rows(const uint8_t (*table)[16], const size_t *offset) {
        const __m128i lo = _mm_load_si128(reinterpret_cast<const __m128i *>(table[0] + offset[0]));
        const __m128i hi = _mm_load_si128(reinterpret_cast<const __m128i *>(table[0] + offset[1]));
        return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
    }
    static void storeLane(uint8_t *out, Vec v, size_t lane) {
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out),
                         lane == 0 ? _mm256_castsi256_si128(v) : _mm256_extracti128_si256(v, 1));
    }
};

// ---- The algorithms ----

// A step's answer when its run holds a unit it leaves to a narrower path.
constexpr size_t noStep = static_cast<size_t>(-1);
// The units after a whole-string step that must hold no terminator (nor, in
// real mode, a surrogate): a step stores up to 12 bytes past its own, and
// these units' bytes (one at least each) cover them.
constexpr size_t lookaheadUnits = 16;

// The bits set in x, as a size (unsigned all the way: no sign extension).
inline size_t bitCount(uint64_t x) { return static_cast<uint32_t>(__builtin_popcountll(x)); }

// Byte k of bits as the offset of a row of 16 bytes: its index times 16. Its
// bits are those of the index, so bitCount counts them from either.
inline size_t rowOffset(uint32_t bits, size_t k) { return (size_t{bits} >> (8 * k) << 4) & 0xFF0; }

// Units below 0x800, not all ASCII, by the encoder record E: each as itself,
// or as its lead and last bytes; stores at most 16 bytes a lane. With pairs,
// the units marked in paired (halves of pairs) take their two bytes from
// pairBytes instead.
template <class E, bool pairs>
inline size_t encodeTwo(typename E::Vec u, typename E::Vec multi, uint8_t *out, typename E::Vec paired,
                        typename E::Vec pairBytes) {
    using Vec = typename E::Vec;
    const Vec last = E::bitOr(E::bitAnd(u, E::constant(low6)), E::constant(twoBytesFrom));
    const Vec lead2 = E::bitOr(E::template shiftRight<6>(u), E::constant(lead2Tag));
    Vec w = E::blend(u, E::bitOr(lead2, E::template shiftLeft<8>(last)), multi);
    if constexpr (pairs) w = E::blend(w, pairBytes, paired);
    // Per lane, one bit a unit in the low byte of its 16 (the high byte repeats it).
    const uint32_t laneBits = E::packedBits(multi);
    size_t row[E::lanes];
    for (size_t l = 0; l < E::lanes; ++l) row[l] = rowOffset(laneBits, 2 * l);
    const Vec packed = E::shuffle(w, E::rows(utf8Shuffles.two, row));
    // Each lane's bytes follow the previous lane's: 8 and one more a unit of two bytes.
    size_t used = 0;
    for (size_t l = 0; l < E::lanes; ++l) {
        E::storeLane(out + used, packed, l);
        used += 8 + bitCount(row[l]);
    }
    return used;
}

// Units with some of 0x800 or above, by the encoder record E, from their
// classes (two bits a unit: even bit from 0x80, odd bit from 0x800) and
// middle (4000 in the units of three bytes); stores at most 28 bytes a lane.
// With pairs, as encodeTwo.
template <class E, bool pairs>
inline size_t encodeThree(typename E::Vec u, typename E::Vec middle, uint32_t classes, uint8_t *out,
                          typename E::Vec paired, typename E::Vec pairBytes) {
    using Vec = typename E::Vec;
    // Each unit's bytes, as 16-bit halves: t holds the ASCII form (low byte)
    // and the last byte, 80 | u & 3F; s the three-byte lead, E0 | u >> 12
    // (low byte), and the byte before the last, C0 | u >> 6 for a two-byte
    // form and 80 | (u >> 6) & 3F for a three-byte one. multiplyAddBytes
    // gathers u's bits 12-15 into the low byte and 6-11 into the high one.
    Vec t = E::bitOr(E::bitAnd(E::shuffle(u, E::lowBytesTwice()), E::constant(low7AndLast)), E::constant(lastTag));
    const Vec high10 = E::bitAnd(E::template shiftRight<4>(u), E::constant(leadBits));
    Vec s = E::bitXor(E::bitOr(E::multiplyAddBytes(high10, E::constant(gatherLeads)), E::constant(leadTags)), middle);
    if constexpr (pairs) {
        // A pair's half keeps its two bytes as a two-byte form's: the high byte of s, then of t.
        t = E::blend(t, pairBytes, paired);
        s = E::blend(s, E::template shiftLeft<8>(pairBytes), paired);
    }
    // Each byte of the classes is the shuffle index of four units (a piece):
    // the first and second pieces of each lane.
    size_t first[E::lanes], second[E::lanes];
    for (size_t l = 0; l < E::lanes; ++l) {
        first[l] = rowOffset(classes, 2 * l);
        second[l] = rowOffset(classes, 2 * l + 1);
    }
    const Vec a = E::shuffle(E::interleaveLow(t, s), E::rows(utf8Shuffles.three, first));
    const Vec b = E::shuffle(E::interleaveHigh(t, s), E::rows(utf8Shuffles.three, second));
    // Each piece starts where the previous piece's bytes end: 4 and one more
    // a bit of its index. The total takes one count of its own.
    size_t used = 0;
    for (size_t l = 0; l < E::lanes; ++l) {
        E::storeLane(out + used, a, l);
        used += 4 + bitCount(first[l]);
        E::storeLane(out + used, b, l);
        used += 4 + bitCount(second[l]);
    }
    return 4 * 2 * E::lanes + bitCount(classes);
}

// One vector of units, not all ASCII, with the masks multi (from 0x80) and
// three (from 0x800, less the halves of pairs); as encodeTwo.
template <class E, bool pairs = false>
inline size_t encodeVector(typename E::Vec u, typename E::Vec multi, typename E::Vec three, uint8_t *out,
                           typename E::Vec paired, typename E::Vec pairBytes) {
    const uint32_t threeBits = E::unitBits(three);
    if (threeBits == 0) return encodeTwo<E, pairs>(u, multi, out, paired, pairBytes);
    const uint32_t classes = (E::unitBits(multi) & 0x55555555u) | (threeBits & 0xAAAAAAAAu);
    return encodeThree<E, pairs>(u, E::bitAnd(three, E::constant(middleTag)), classes, out, paired, pairBytes);
}

// 0xFFFF in the units from 0x80, where all are below 0x8000: one signed compare.
template <class E>
inline typename E::Vec multiByte(typename E::Vec u) {
    return E::greater16(u, E::splat16(0x7F));
}

// One vector of units by the encoder record E. The classes come from one
// mask: a unit's low byte has its top bit from 0x80 on (min(u, 80)), its
// high byte from 0x800 on (u + 7800, saturated).
template <class E>
inline size_t encodeVector(typename E::Vec u, uint8_t *out) {
    using Vec = typename E::Vec;
    const Vec marks = E::bitOr(E::least16(u, E::constant(twoBytesFrom)), E::addSaturated16(u, E::constant(threeBias)));
    const uint32_t classes = E::unitBits(marks);
    if (classes == 0) {
        E::storeAsciiHalf(out, u);
        return E::vecUnits;
    }
    if ((classes & 0xAAAAAAAAu) == 0) return encodeTwo<E, false>(u, multiByte<E>(u), out, u, u);
    // 4000 in the units of three bytes: the top bit of marks, moved.
    const Vec middle = E::bitAnd(E::template shiftRight<1>(marks), E::constant(middleTag));
    return encodeThree<E, false>(u, middle, classes, out, u, u);
}

// Two vectors of units (none a terminator; in real mode none a surrogate),
// not all ASCII, by the level's record: one class test chooses the two-byte
// or the three-byte path for both.
template <class E>
[[gnu::always_inline]] inline size_t encodeRun(typename E::Vec a, typename E::Vec b, uint8_t *out) {
    using Vec = typename E::Vec;
    const auto classMarks = [](Vec u) {
        return E::bitOr(E::least16(u, E::constant(twoBytesFrom)), E::addSaturated16(u, E::constant(threeBias)));
    };
    const Vec marksA = classMarks(a), marksB = classMarks(b);
    const uint32_t classesA = E::unitBits(marksA), classesB = E::unitBits(marksB);
    if (((classesA | classesB) & 0xAAAAAAAAu) == 0) {
        const size_t n = encodeTwo<E, false>(a, multiByte<E>(a), out, a, a);
        return n + encodeTwo<E, false>(b, multiByte<E>(b), out + n, b, b);
    }
    const auto middle = [](Vec marks) { return E::bitAnd(E::template shiftRight<1>(marks), E::constant(middleTag)); };
    const size_t n = encodeThree<E, false>(a, middle(marksA), classesA, out, a, a);
    return n + encodeThree<E, false>(b, middle(marksB), classesB, out + n, b, b);
}

// The bytes the two-vector step of V may store from its start.
template <class V>
constexpr size_t stepReach = 2 * V::vecUnits * 3 + 16;

// The surrogates of a vector of units, by the record E: the high and low
// halves, those that make pairs (before's last unit and after's first may
// pair with the vector's first and last), and the others.
template <class E>
struct Halves {
    typename E::Vec high, low, paired, lone;
};

template <class E>
[[gnu::always_inline]] inline Halves<E> halvesOf(typename E::Vec v, typename E::Vec before, typename E::Vec after) {
    using Vec = typename E::Vec;
    const Vec kind = E::constant(halfBits);
    const auto is = [&kind](Vec x, Utf8Constant half) { return E::equal16(E::bitAnd(x, kind), E::constant(half)); };
    const Vec high = is(v, highHalf), low = is(v, lowHalf);
    const Vec paired = E::bitOr(E::bitAnd(low, E::unitsBefore(high, is(before, highHalf))),
                                E::bitAnd(high, E::unitsAfter(low, is(after, lowHalf))));
    return {high, low, paired, E::andNot(paired, E::bitOr(high, low))};
}

// Whether the last unit of a mask is marked.
template <class E>
inline bool lastMarked(typename E::Vec marks) {
    return (E::unitBits(marks) >> (E::bitsPerUnit * E::vecUnits - 1)) != 0;
}

// A vector of units with surrogates (h: its halves; previous: the unit
// before each), by the record E: a high half and the low one after it make
// one four-byte sequence, split as two bytes per half so that the two-byte
// shuffles serve; any other surrogate is '#'.
template <class E>
[[gnu::always_inline]] inline size_t encodeHalves(typename E::Vec v, typename E::Vec previous, const Halves<E> &h,
                                                  uint8_t *out) {
    using Vec = typename E::Vec;
    // Code point cp = 0x10000 + (high & 0x3FF) << 10 + (low & 0x3FF); with
    // plane = (high & 0x3FF) + 0x40 = cp >> 10, the high half gives
    // F0 | plane >> 8 and 80 | (plane >> 2) & 3F, the low half
    // 80 | (plane & 3) << 4 | (low >> 6) & F and 80 | low & 3F.
    const Vec sixBits = E::constant(low6);
    const Vec plane = E::add16(E::bitAnd(v, E::constant(low10)), E::constant(planeOffset));
    const Vec highBytes =
        E::bitOr(E::bitOr(E::template shiftRight<8>(plane), E::constant(lead4Tag)),
                 E::template shiftLeft<8>(
                     E::bitOr(E::bitAnd(E::template shiftRight<2>(plane), sixBits), E::constant(twoBytesFrom))));
    const Vec lowLead = E::bitOr(E::bitOr(E::template shiftLeft<4>(E::bitAnd(previous, E::constant(low2))),
                                          E::bitAnd(E::template shiftRight<6>(v), E::constant(low4))),
                                 E::constant(twoBytesFrom));
    const Vec lowBytes =
        E::bitOr(lowLead, E::template shiftLeft<8>(E::bitOr(E::bitAnd(v, sixBits), E::constant(twoBytesFrom))));
    const Vec pairBytes = E::blend(lowBytes, highBytes, h.high);
    const Vec u = E::blend(v, E::splat16(unpairedSurrogate), h.lone);
    const Vec multi = E::atLeast(u, twoBytesFrom);
    const Vec three = E::andNot(h.paired, E::atLeast(u, threeBytesFrom));
    if (E::unitBits(multi) == 0) {
        E::storeAsciiHalf(out, u);
        return E::vecUnits;
    }
    return encodeVector<E, true>(u, multi, three, out, h.paired, pairBytes);
}

// Eight units with surrogates (16-byte record E), as encodeHalves (with
// onlyPairs, a run with another surrogate is refused instead). A high half
// in the last place may pair with a unit after the run: noStep.
template <class E, bool onlyPairs>
inline size_t encodeWithPairs(__m128i v, uint8_t *out) {
    const __m128i zero = _mm_setzero_si128();
    const Halves<E> h = halvesOf<E>(v, zero, zero);
    if (E::unitBits(E::bitOr(h.high, h.low)) == 0) return encodeVector<E>(v, out);
    if (lastMarked<E>(h.high)) return noStep;
    if constexpr (onlyPairs) {
        if (E::unitBits(h.lone) != 0) return noStep;
    }
    return encodeHalves<E>(v, E::unitsBefore(v, zero), h, out);
}

// The whole-string encoder in real mode at a width of sixteen units or
// more, from s (at any unit) while n <= stop, where surrogates appear:
// steps of two vectors with their pairs, each read with the vector after it
// while all three lie within the page. A step ends before a high half in
// its last place, whose low half comes first in the next step, which then
// starts a unit further on. Stops at a terminator within reach, a surrogate
// in a step that is not half of a pair (or one among the twelve units after
// it, whose bytes cover what a step stores past its own), and back at a step
// boundary where no surrogate is in reach. A cold call of its own, made
// outside the main loop, as encodeLongAsciiRun.
template <class V>
[[gnu::noinline, gnu::cold]] void encodePairedRun(uint8_t *out, size_t &n, size_t stop, const char16_t *&s) {
    using Vec = typename V::Vec;
    static_assert(V::vecUnits >= 12);
    constexpr size_t stepUnits = 2 * V::vecUnits;
    constexpr uint32_t twelve = (uint32_t{1} << (12 * V::bitsPerUnit)) - 1;
    const Vec zero = V::zero();
    size_t k = n;
    const char16_t *p = s;
    while (k <= stop && staysInPage(p, 3 * sizeof(Vec))) {
        const Vec a = V::loadInPage(p), b = V::loadInPage(p + V::vecUnits), c = V::loadInPage(p + stepUnits);
        if (V::anyZero(V::least16(V::least16(a, b), c))) break;
        const Vec stepKeys = V::least16(V::stopKeys(a), V::stopKeys(b));
        const bool surrogates = V::anyZero(stepKeys);
        // The main loop takes a step with none in reach.
        if (isAligned(p, 2 * sizeof(Vec)) && !V::anyZero(V::least16(stepKeys, V::stopKeys(c)))) break;
        const Halves<V> ha = halvesOf<V>(a, zero, b), hb = halvesOf<V>(b, a, c), hc = halvesOf<V>(c, b, zero);
        if (V::unitBits(V::bitOr(ha.lone, hb.lone)) != 0 || (V::unitBits(hc.lone) & twelve) != 0) break;
        if (!surrogates) {
            k += encodeRun<V>(a, b, out + k);
            p += stepUnits;
            continue;
        }
        // A high half last is paired with c's first unit (else it would be
        // lone): its two bytes are stored, not counted, and stored again by
        // the next step.
        const size_t cut = lastMarked<V>(hb.high) ? 1 : 0;
        const size_t bytes = encodeHalves<V>(a, V::unitsBefore(a, zero), ha, out + k);
        k += bytes + encodeHalves<V>(b, V::unitsBefore(b, a), hb, out + k + bytes) - 2 * cut;
        p += stepUnits - cut;
    }
    n = k;
    s = p;
}

// Whether the bytes of the sixteen units after the eight in v (next and
// further) are all written when v's are, in real mode: no unpaired surrogate
// among the first twelve, whose bytes cover what a narrow step stores past
// its own. A high half's pair may lie past them.
inline bool noLoneSurrogateAhead(__m128i v, __m128i next, __m128i further) {
    const __m128i kind = Sse2::constant(halfBits);
    const auto halves = [&](__m128i x, Utf8Constant half) {
        return Sse2::unitBits(_mm_cmpeq_epi16(_mm_and_si128(x, kind), Sse2::constant(half)));
    };
    const uint32_t high = halves(next, highHalf) | halves(further, highHalf) << 16;
    const uint32_t low = halves(next, lowHalf) | halves(further, lowHalf) << 16;
    const uint32_t highBefore = (high << 2) | halves(v, highHalf) >> 14;
    return (((low & ~highBefore) | (high & ~(low >> 2))) & 0x00FFFFFFu) == 0;
}

// Sixteen bytes, the first 2 * k of them kept: a load at keepWindow + 16 - 2 * k.
constexpr uint8_t keepWindow[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// Copies length bytes, 1 to 32, with two overlapping moves at most.
inline void copyShort(uint8_t *out, const uint8_t *from, size_t length) {
    const auto two = [&](auto block) {
        __builtin_memcpy(out, from, sizeof block);
        __builtin_memcpy(out + length - sizeof block, from + length - sizeof block, sizeof block);
    };
    if (length >= 16) {
        two(__m128i{});
    } else if (length >= 8) {
        two(uint64_t{});
    } else if (length >= 4) {
        two(uint32_t{});
    } else {
        out[0] = from[0];
        out[length / 2] = from[length / 2];
        out[length - 1] = from[length - 1];
    }
}

// The first units (1 to 8) of the eight in v, where no unit after them
// may be read as text: encoded in a buffer, the others as zeros, and only
// their own bytes stored (at most 24). In real mode a surrogate among them
// refuses the step (noStep).
template <bool real>
inline size_t encodeShortStep(__m128i v, size_t units, uint8_t *out) {
    const __m128i u = _mm_and_si128(v, _mm_loadu_si128(reinterpret_cast<const __m128i *>(keepWindow + 16 - 2 * units)));
    if (real && Sse2::anySurrogate(u)) return noStep;
    alignas(16) uint8_t buffer[32];
    const size_t bytes = encodeVector<Ssse3>(u, buffer) - (8 - units);
    copyShort(out, buffer, bytes);
    return bytes;
}

// Two vectors of ASCII units at p (aligned to a step) without a terminator,
// packed (by V::packBytes); false for any others.
template <class V>
inline bool packedAscii(const char16_t *p, typename V::Vec &packed) {
    packed = V::packBytes(V::load(p), V::load(p + V::vecUnits));
    return V::plainAscii(packed);
}

// ASCII steps, from s aligned to a step while n <= stop, each step's bytes
// handed to store (with where they go): false once a step is not ASCII (the
// steps after do not read it again). A loop of its own over local copies, so
// that its few values stay in registers (the byte stores may alias anything
// in memory), two steps a turn (each read once the step before it has shown
// no terminator).
template <class V, class Store>
[[gnu::always_inline]] inline bool asciiSteps(uint8_t *out, size_t &n, size_t stop, const char16_t *&s, Store store) {
    constexpr size_t step = 2 * V::vecUnits;  // units, and their bytes
    size_t k = n;
    const char16_t *p = s;
    typename V::Vec packed;
    bool open = true;
    for (; k + step <= stop; k += 2 * step, p += 2 * step) {
        if (!packedAscii<V>(p, packed)) {
            open = false;
            break;
        }
        store(out + k, packed);
        if (!packedAscii<V>(p + step, packed)) {
            k += step;
            p += step;
            open = false;
            break;
        }
        store(out + k + step, packed);
    }
    for (; open && k <= stop; k += step, p += step) {
        if (!packedAscii<V>(p, packed)) {
            open = false;
            break;
        }
        store(out + k, packed);
    }
    n = k;
    s = p;
    return open;
}

// Each step stored where its bytes go.
template <class V>
inline bool encodeAsciiSteps(uint8_t *out, size_t &n, size_t stop, const char16_t *&s) {
    return asciiSteps<V>(out, n, stop, s, [](uint8_t *at, typename V::Vec packed) { V::storePacked(at, packed); });
}

// Where the bytes' destination is m quadwords (1 to V::storeShifts - 1) past
// a vector boundary: each step's bytes go out in an aligned store joined with
// the previous step's, the first step's also by themselves and the last
// step's by storeRotated.
template <class V, size_t m>
inline bool encodeShiftedAsciiSteps(uint8_t *out, size_t &n, size_t stop, const char16_t *&s) {
    using Vec = typename V::Vec;
    constexpr size_t step = 2 * V::vecUnits;
    Vec packed;
    if (n > stop || !packedAscii<V>(s, packed)) return false;
    V::storePacked(out + n, packed);
    Vec previous = V::template rotatePacked<m>(packed);
    n += step;
    s += step;
    const bool open = asciiSteps<V>(out, n, stop, s, [&previous](uint8_t *at, Vec next) {
        const Vec rotated = V::template rotatePacked<m>(next);
        V::storeAligned(at - 8 * m, V::template joinShifted<m>(previous, rotated));
        previous = rotated;
    });
    V::template storeRotated<m>(out + n - step, previous);
    return open;
}

// Where a run goes on past this many units, the rest goes by aligned stores:
// once the text has left the first-level cache, an unaligned store that
// splits a cache line costs a fifth more. Shorter text likely still sits in
// that cache, where the joining costs about what it saves.
constexpr size_t shiftAfterUnits = 4096;

// The rest of a run longer than shiftAfterUnits: where the bytes'
// destination is a multiple of 8, by aligned stores. A cold call of its
// own, made outside the encoder's main loop: inlined, or called from within
// the loop, it cost the loop registers, and mixed-script text a tenth.
template <class V>
[[gnu::noinline, gnu::cold]] void encodeLongAsciiRun(uint8_t *out, size_t &n, size_t stop, const char16_t *&s) {
    static_assert(V::storeShifts == 4);
    const uintptr_t at = reinterpret_cast<uintptr_t>(out + n);
    if (at % 8 == 0) {
        switch (at / 8 % V::storeShifts) {
        case 1:
            encodeShiftedAsciiSteps<V, 1>(out, n, stop, s);
            return;
        case 2:
            encodeShiftedAsciiSteps<V, 2>(out, n, stop, s);
            return;
        case 3:
            encodeShiftedAsciiSteps<V, 3>(out, n, stop, s);
            return;
        default:
            break;
        }
    }
    encodeAsciiSteps<V>(out, n, stop, s);
}

// The whole-string encoder's ASCII steps, from s aligned to a step while
// n <= stop; leaves s aligned to a step. True where the run goes on past
// shiftAfterUnits and the record has shifted stores: the caller goes on by
// encodeLongAsciiRun, outside its main loop.
template <class V>
inline bool encodeAsciiRun(uint8_t *out, size_t &n, size_t stop, const char16_t *&s) {
    if constexpr (V::storeShifts != 0) {
        // One loop for both cases: a second copy crowds the main loop.
        const size_t runStop = stop - n > shiftAfterUnits ? n + shiftAfterUnits : stop;
        return encodeAsciiSteps<V>(out, n, runStop, s) && runStop != stop;
    } else {
        encodeAsciiSteps<V>(out, n, stop, s);
        return false;
    }
}

// The whole-string encoder: units of src into out from byte n on, storing
// nothing at or past out + limit; stops before the terminator (in real mode,
// where pairs become four-byte sequences, also before a surrogate that is
// not half of a pair) or where fewer than four bytes are left.
// Returns the new byte count and leaves src at the first unit not encoded.
template <class V, bool real>
inline size_t encodeUtf8(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    using Vec = typename V::Vec;
    constexpr size_t vecBytes = sizeof(Vec);
    constexpr size_t stepUnits = 2 * V::vecUnits;
    constexpr size_t stepBytes = 2 * vecBytes;
    constexpr size_t lookaheadVectors = (lookaheadUnits + V::vecUnits - 1) / V::vecUnits;
    // Room for a step and the bytes of the units after it (its stores past
    // its own bytes stay before the limit).
    constexpr size_t room = stepReach<V> + 3 * lookaheadUnits;
    const char16_t *s = src;
    // Odd addresses: aligned reads would split units.
    const bool vectors = isAligned(s, sizeof(char16_t));
    for (;;) {
        if (vectors && limit - n >= room) {
            // To an aligned step: a vector read under the page rule that is
            // all ASCII gives its bytes at once (those of units past the
            // next vector boundary are stored again later); any other goes
            // to the narrow steps below, or, at a level without them, unit by
            // unit.
            while (!isAligned(s, stepBytes)) {
                const size_t head = (vecBytes - (reinterpret_cast<uintptr_t>(s) & (vecBytes - 1))) / sizeof(char16_t);
                if (staysInPage(s, vecBytes)) {
                    const Vec v = V::loadInPage(s);
                    if (!V::anyZero(v) && V::isAscii(v)) {
                        V::storeAsciiHalf(out + n, v);
                        n += head;
                        s += head;
                        continue;
                    }
                }
                if constexpr (V::shuffles) break;
                const char16_t *const to = s + head;
                for (; s != to; ++s) {
                    const char16_t u = *s;
                    if (u == 0 || (real && isSurrogateUnit(u))) break;
                    n += real ? encodeUnitExactly(u, out + n) : encodeUnitByItself(u, out + n);
                }
                if (s != to) break;
            }
            // The main loop: aligned reads of a step's two vectors (one page
            // holds both), then of the vectors after it, each read once the
            // one before it has shown no terminator, as the page rule wants.
            const size_t stop = limit - room;
            const bool aligned = isAligned(s, stepBytes);
            bool longRun = false, pairedStep = false;
            while (aligned && n <= stop) {
                const Vec a = V::load(s);
                const Vec b = V::load(s + V::vecUnits);
                if (V::anyZero(V::least16(a, b))) [[unlikely]]
                    break;
                if (V::isAscii(V::bitOr(a, b))) {
                    // An ASCII step, and the run of them it may start.
                    V::storeAscii(out + n, a, b);
                    n += stepUnits;
                    s += stepUnits;
                    if (encodeAsciiRun<V>(out, n, stop, s)) [[unlikely]] {
                        longRun = true;
                        break;
                    }
                    continue;
                }
                if constexpr (!V::shuffles) {
                    break;
                } else if constexpr (real && V::vecUnits >= lookaheadUnits) {
                    // One vector holds the units after the step. Surrogates
                    // in the step or among those: the paired run, below.
                    const Vec c = V::load(s + stepUnits);
                    if (V::anyZero(c)) [[unlikely]]
                        break;
                    if (V::anyZero(V::least16(V::least16(V::stopKeys(a), V::stopKeys(b)), V::stopKeys(c)))) {
                        pairedStep = true;
                        break;
                    }
                    n += encodeRun<V>(a, b, out + n);
                    s += stepUnits;
                } else {
                    // In real mode, a surrogate among the step's units; then
                    // a terminator (or surrogate) among those after it: one
                    // test each.
                    const auto stops = [](Vec v) { return real ? V::stopKeys(v) : v; };
                    if (real && V::anyZero(V::least16(stops(a), stops(b)))) [[unlikely]]
                        break;
                    bool stopped = false;
                    for (size_t i = 0; i < lookaheadVectors && !stopped; ++i)
                        stopped = V::anyZero(stops(V::load(s + stepUnits + i * V::vecUnits)));
                    if (stopped) [[unlikely]]
                        break;
                    n += encodeRun<V>(a, b, out + n);
                    s += stepUnits;
                }
            }
            if constexpr (V::storeShifts != 0) {
                if (longRun) {
                    encodeLongAsciiRun<V>(out, n, stop, s);
                    continue;
                }
            }
            if constexpr (real && V::vecUnits >= lookaheadUnits) {
                if (pairedStep) {
                    const char16_t *const from = s;
                    encodePairedRun<V>(out, n, stop, s);
                    if (s != from) continue;
                }
            }
        }
        // Near the terminator, a surrogate, a page end, the limit, or a
        // vector the level leaves: a step's worth, and on to the next aligned
        // step, by the narrow step or unit by unit.
        const char16_t *const to = s + stepUnits;
        while (s < to || (vectors && !isAligned(s, stepBytes))) {
            if constexpr (V::shuffles) {
                const size_t toAligned = (stepBytes - (reinterpret_cast<uintptr_t>(s) & (stepBytes - 1))) / 2;
                if (vectors && (s < to || toAligned >= 8) && limit - n >= 32 + 3 * lookaheadUnits &&
                    staysInPage(s, (8 + lookaheadUnits) * 2)) {
                    const __m128i v = Sse2::loadInPage(s);
                    const __m128i next = Sse2::loadInPage(s + 8), further = Sse2::loadInPage(s + 16);
                    size_t units = 8, bytes = noStep;
                    if (Sse2::anyZero(_mm_min_epu16(v, _mm_min_epu16(next, further)))) {
                        // The terminator within reach: the units before it
                        // (eight at most) by a short step, their bytes only.
                        const uint32_t zeros = Sse2::zeroUnitBits(v);
                        if (zeros != 0) units = static_cast<size_t>(__builtin_ctz(zeros)) / 2;
                        if (units != 0) bytes = encodeShortStep<real>(v, units, out + n);
                    } else if (!real) {
                        bytes = encodeVector<Ssse3>(v, out + n);
                    } else if (noLoneSurrogateAhead(v, next, further)) {
                        bytes = Sse2::anySurrogate(v) ? encodeWithPairs<Ssse3, true>(v, out + n)
                                                      : encodeVector<Ssse3>(v, out + n);
                    }
                    if (bytes != noStep) {
                        n += bytes;
                        s += units;
                        continue;
                    }
                }
            }
            const char16_t u = *s;
            if (u == 0 || limit - n < 4) {
                src = s;
                return n;
            }
            if (real && isSurrogateUnit(u)) {
                if (!isHighSurrogate(u) || !isLowSurrogate(s[1])) {
                    src = s;
                    return n;
                }
                size_t used = 0;
                s += encodeWriterUnit(s, 2, out + n, used);
                n += used;
                continue;
            }
            n += real ? encodeUnitExactly(u, out + n) : encodeUnitByItself(u, out + n);
            ++s;
        }
    }
}

// The bytes of src's units by themselves up to the terminator.
template <class V>
inline size_t countUtf8(const char16_t *src) {
    using Vec = typename V::Vec;
    constexpr size_t blockBytes = sizeof(Vec);
    // Aligned blocks cannot split a unit of a misaligned string.
    const char16_t *s = src;
    size_t total = 0;
    if (isAligned(s, sizeof(char16_t))) {
        for (; !isAligned(s, blockBytes); ++s) {
            if (*s == 0) return total;
            total += unitUtf8Length(*s);
        }
        // The 16-bit counters gain at most 2 a block: summed before they
        // could pass 32767 (madd reads them as signed).
        constexpr size_t blocksPerSum = 8192;
        for (;;) {
            typename V::Counter extra{};
            size_t blocks = 0;
            for (; blocks < blocksPerSum; ++blocks, s += V::vecUnits) {
                const Vec v = V::load(s);
                if (V::anyZero(v)) break;
                V::addExtra(extra, v);
            }
            total += blocks * V::vecUnits + V::sum(extra);
            if (blocks < blocksPerSum) break;
        }
    }
    for (; *s != 0; ++s) total += unitUtf8Length(*s);
    return total;
}

// The writer's wide step: two vectors of the record V (all the caller's
// units), no surrogate among them; noStep else.
template <class V>
inline size_t writerStep(const char16_t *s, uint8_t *out) {
    using Vec = typename V::Vec;
    const Vec a = V::loadData(s);
    const Vec b = V::loadData(s + V::vecUnits);
    const Vec both = V::bitOr(a, b);
    if (V::isAscii(both)) {
        V::storeAscii(out, a, b);
        return 2 * V::vecUnits;
    }
    if constexpr (!V::shuffles) {
        return noStep;
    } else {
        if (V::anySurrogate(a) || V::anySurrogate(b)) [[unlikely]]
            return noStep;
        const size_t n = encodeVector<V>(a, out);
        return n + encodeVector<V>(b, out + n);
    }
}

// One block of the stream writer: units (remaining > 0 of them) into buf
// from used on, until they run out or used passes the block threshold;
// returns the units consumed. A wide run with a surrogate goes to the narrow
// steps, which join pairs, and what they stop at to the unit rule; so does
// the rest of the block once a step would pass the threshold.
template <class Level>
inline size_t fillUtf8Block(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used) {
    // Two vectors a step: within the block's slack.
    using V = Level;
    static_assert(stepReach<V> <= utf8BlockSlack);
    constexpr size_t wideUnits = 2 * V::vecUnits;
    size_t i = 0;
    size_t k = used;
    size_t wideEnd = 0, narrowEnd = 0;
    while (i < remaining && k <= utf8BlockThreshold) {
        if (i >= wideEnd && remaining - i >= wideUnits) {
            const size_t bytes = writerStep<V>(units + i, buf + k);
            if (bytes == noStep) {
                wideEnd = i + wideUnits;
            } else if (k + bytes > utf8BlockThreshold) {
                wideEnd = remaining;
            } else {
                k += bytes;
                i += wideUnits;
                continue;
            }
        }
        if (i >= narrowEnd && remaining - i >= 8) {
            size_t bytes = noStep;
            if constexpr (V::shuffles) bytes = encodeWithPairs<Ssse3, false>(Sse2::loadData(units + i), buf + k);
            if (bytes == noStep) {
                narrowEnd = V::shuffles ? i + 1 : remaining;
            } else if (k + bytes > utf8BlockThreshold) {
                narrowEnd = remaining;
            } else {
                k += bytes;
                i += 8;
                continue;
            }
        }
        i += encodeWriterUnit(units + i, remaining - i, buf, k);
    }
    used = k;
    return i;
}

}  // namespace to8
}  // namespace
}  // namespace qoru

#pragma GCC diagnostic pop

#endif
