// The string scan kernels of the wide levels, written once over a record of
// one level's vector operations (u16_strk_avx2.cpp, u16_strk_avx512.cpp):
// four reads to a group. Terminated strings are read in aligned blocks, and
// in whole groups only at group-aligned addresses, so no read crosses a page
// (the page rule of u16_pagerule.h); a comparison or a copy reads its second
// string unaligned only where staysInPage keeps the read within one page.
//
// The record V gives: Vec and vecBytes; bitsPerUnit, the bits a unit takes
// in a mask; load (aligned, under the page rule), loadInPage (unaligned,
// checked by staysInPage), store; zeroBits (a mask of the units that are 0);
// least, bitXor, splat; stopMarks (a's unit where it equals b's, else 0);
// sameMarks, bothSame, allSame, differenceBits and lastDifference for
// findDifference; copyFirst and finishCopy for the ends of a copy.
//
// Each level's file includes this header once, after defining
// QORU_WIDE_TARGET as its target attribute string, which every function
// here and in the record carries (QORU_WIDE), so that the record's
// operations (QORU_WIDE_INLINE) inline into them, and aligns the kernels to
// 64 bytes: where unrelated code moved a copy's loop within its cache line,
// a 4096-unit strcpyU16 measured 18% slower. The two reads under the
// page rule are not forced inline: they keep their own exemption from the
// sanitizers, which a forced inline would lose to the caller's.
#ifndef QORU_U16_STRK_WIDE_H
#define QORU_U16_STRK_WIDE_H

#ifndef QORU_WIDE_TARGET
#error "QORU_WIDE_TARGET must name the level's target before this header"
#endif

#define QORU_WIDE [[gnu::target(QORU_WIDE_TARGET), gnu::aligned(64)]]
#define QORU_WIDE_INLINE [[gnu::target(QORU_WIDE_TARGET), gnu::always_inline]]

#include "i18n/qoru16/u16_strk.h"
#include "i18n/qoru16/u16_words.h"

namespace qoru {
namespace {

template <class V>
struct Wide {
    using Vec = typename V::Vec;
    static constexpr size_t vecBytes = V::vecBytes;
    static constexpr size_t vecUnits = vecBytes / sizeof(char16_t);
    static constexpr size_t groupBytes = 4 * vecBytes;
    static constexpr size_t groupUnits = 4 * vecUnits;

    static size_t unitOfBit(uint64_t bits) { return static_cast<size_t>(__builtin_ctzll(bits)) / V::bitsPerUnit; }
    // The mask bits of the units before an aligned block's `offset` bytes.
    static size_t bitsOfBytes(size_t offset) { return offset * V::bitsPerUnit / sizeof(char16_t); }
    static uint64_t joinBits(uint32_t low, uint32_t high) { return low | uint64_t{high} << 32; }

    // A scan's marks are 0 in the units where it stops; the smallest of
    // several marks is 0 where any of them is, so a group takes one test.
    struct ZeroMarks {
        QORU_WIDE Vec operator()(Vec v) const { return v; }
    };
    struct ZeroOrUnitMarks {
        Vec wanted;
        // v ^ c is 0 where v is c.
        QORU_WIDE Vec operator()(Vec v) const { return V::least(V::bitXor(v, wanted), v); }
    };

    QORU_WIDE static Vec leastOf(Vec m0, Vec m1, Vec m2, Vec m3) {
        return V::least(V::least(m0, m1), V::least(m2, m3));
    }
    // The first marked unit of a group whose least mark is 0.
    QORU_WIDE static size_t firstInGroup(Vec m0, Vec m1, Vec m2, Vec m3) {
        if (const uint64_t low = joinBits(V::zeroBits(m0), V::zeroBits(m1))) return unitOfBit(low);
        return 2 * vecUnits + unitOfBit(joinBits(V::zeroBits(m2), V::zeroBits(m3)));
    }

    // The first unit at or after s where marks is 0. The first read is the
    // aligned block that holds s, its units before s left out.
    template <class Marks>
    QORU_WIDE static const char16_t *scan(const char16_t *s, Marks marks) {
        const size_t offset = reinterpret_cast<uintptr_t>(s) & (vecBytes - 1);
        const char16_t *p = alignedBlockStart(s, vecBytes);
        if (const uint32_t m = V::zeroBits(marks(V::load(p))) >> bitsOfBytes(offset)) return s + unitOfBit(m);
        for (p += vecUnits; !isAligned(p, groupBytes); p += vecUnits)
            if (const uint32_t m = V::zeroBits(marks(V::load(p)))) return p + unitOfBit(m);
        for (;; p += groupUnits) {
            const Vec m0 = marks(V::load(p)), m1 = marks(V::load(p + vecUnits));
            const Vec m2 = marks(V::load(p + 2 * vecUnits)), m3 = marks(V::load(p + 3 * vecUnits));
            if (V::zeroBits(leastOf(m0, m1, m2, m3)) != 0) return p + firstInGroup(m0, m1, m2, m3);
        }
    }

    QORU_WIDE static const char16_t *findZero(const char16_t *s) { return scan(s, ZeroMarks{}); }
    QORU_WIDE static const char16_t *findZeroOrUnit(const char16_t *s, char16_t c) {
        return scan(s, ZeroOrUnitMarks{V::splat(c)});
    }

    // a's blocks are read aligned; b's at the same positions, unaligned,
    // where they stay within b's page; a block of b that would cross into
    // the next page is compared in smaller steps.
    QORU_WIDE static size_t findStop(const char16_t *a, const char16_t *b) {
        const size_t offset = reinterpret_cast<uintptr_t>(a) & (vecBytes - 1);
        size_t i = 0;
        // b's first read starts as far before b as a's aligned block starts
        // before a; within one page, that page is b's.
        if (const char16_t *bFirst = bytesBelow(b, offset); staysInPage(bFirst, vecBytes)) {
            const Vec marks = V::stopMarks(V::load(alignedBlockStart(a, vecBytes)), V::loadInPage(bFirst));
            if (const uint32_t m = V::zeroBits(marks) >> bitsOfBytes(offset)) return unitOfBit(m);
            i = (vecBytes - offset) / sizeof(char16_t);
        } else {
            i = findStopBeforeAlignment(a, b, vecBytes);
            if (!isAligned(a + i, vecBytes)) return i;
        }
        for (;; i += vecUnits) {
            if (isAligned(a + i, groupBytes) && staysInPage(b + i, groupBytes)) {
                const Vec m0 = V::stopMarks(V::load(a + i), V::loadInPage(b + i));
                const Vec m1 = V::stopMarks(V::load(a + i + vecUnits), V::loadInPage(b + i + vecUnits));
                const Vec m2 = V::stopMarks(V::load(a + i + 2 * vecUnits), V::loadInPage(b + i + 2 * vecUnits));
                const Vec m3 = V::stopMarks(V::load(a + i + 3 * vecUnits), V::loadInPage(b + i + 3 * vecUnits));
                if (V::zeroBits(leastOf(m0, m1, m2, m3)) != 0) return i + firstInGroup(m0, m1, m2, m3);
                i += groupUnits - vecUnits;
            } else if (staysInPage(b + i, vecBytes)) {
                if (const uint32_t m = V::zeroBits(V::stopMarks(V::load(a + i), V::loadInPage(b + i))))
                    return i + unitOfBit(m);
            } else if (const size_t k = findStopInBlocks(a + i, b + i, vecUnits); k < vecUnits) {
                return i + k;
            }
        }
    }

    QORU_WIDE static void storeGroup(char16_t *dst, size_t i, Vec v0, Vec v1, Vec v2, Vec v3) {
        V::store(dst + i, v0);
        V::store(dst + i + vecUnits, v1);
        V::store(dst + i + 2 * vecUnits, v2);
        V::store(dst + i + 3 * vecUnits, v3);
    }

    // The rest of a copy whose units before i are copied, with dst + i
    // aligned: src is read unaligned, four blocks at a time where they stay
    // within its page, else block by block; the one block that would cross
    // into the next page is copied unit by unit. Writes that would split
    // cache lines cost more than such reads.
    QORU_WIDE static size_t copyToAlignedDst(char16_t *dst, const char16_t *src, size_t i) {
        for (;;) {
            if (staysInPage(src + i, groupBytes)) {
                const Vec v0 = V::loadInPage(src + i), v1 = V::loadInPage(src + i + vecUnits);
                const Vec v2 = V::loadInPage(src + i + 2 * vecUnits), v3 = V::loadInPage(src + i + 3 * vecUnits);
                if (V::zeroBits(leastOf(v0, v1, v2, v3)) == 0) {
                    storeGroup(dst, i, v0, v1, v2, v3);
                    i += groupUnits;
                    continue;
                }
            }
            if (staysInPage(src + i, vecBytes)) {
                const Vec v = V::loadInPage(src + i);
                if (const uint32_t m = V::zeroBits(v)) return V::finishCopy(dst, src, i, v, unitOfBit(m));
                V::store(dst + i, v);
                i += vecUnits;
            } else {
                for (const size_t end = i + vecUnits; i < end; ++i)
                    if ((dst[i] = src[i]) == 0) return i;
            }
        }
    }

    // src's blocks are read aligned; the first block's units from src on go
    // by copyFirst, the units of the block that holds the terminator by
    // finishCopy. When dst is not aligned as src is, the rest of the copy
    // aligns on dst instead.
    QORU_WIDE static size_t copyString(char16_t *dst, const char16_t *src) {
        const size_t offset = reinterpret_cast<uintptr_t>(src) & (vecBytes - 1);
        const size_t offsetUnits = offset / sizeof(char16_t);
        const Vec first = V::load(alignedBlockStart(src, vecBytes));
        if (const uint32_t m = V::zeroBits(first) >> bitsOfBytes(offset)) {
            V::copyFirst(dst, src, first, offsetUnits, unitOfBit(m) + 1);
            return unitOfBit(m);
        }
        size_t i = vecUnits - offsetUnits;  // src + i is aligned
        V::copyFirst(dst, src, first, offsetUnits, i);
        const size_t shift = reinterpret_cast<uintptr_t>(dst + i) & (vecBytes - 1);
        if (shift != 0 && shift % sizeof(char16_t) == 0) {
            // The units up to dst's alignment lie in src's aligned block at i.
            const size_t toAligned = (vecBytes - shift) / sizeof(char16_t);
            const Vec v = V::load(src + i);
            if (const uint32_t m = V::zeroBits(v); m != 0 && unitOfBit(m) < toAligned)
                return V::finishCopy(dst, src, i, v, unitOfBit(m));
            V::copyFirst(dst + i, src + i, v, 0, toAligned);
            return copyToAlignedDst(dst, src, i + toAligned);
        }
        for (; !isAligned(src + i, groupBytes); i += vecUnits) {
            const Vec v = V::load(src + i);
            if (const uint32_t m = V::zeroBits(v)) return V::finishCopy(dst, src, i, v, unitOfBit(m));
            V::store(dst + i, v);
        }
        for (;; i += groupUnits) {
            const Vec v0 = V::load(src + i), v1 = V::load(src + i + vecUnits);
            const Vec v2 = V::load(src + i + 2 * vecUnits), v3 = V::load(src + i + 3 * vecUnits);
            if (V::zeroBits(leastOf(v0, v1, v2, v3)) != 0) break;
            storeGroup(dst, i, v0, v1, v2, v3);
        }
        for (;; i += vecUnits) {
            const Vec v = V::load(src + i);
            if (const uint32_t m = V::zeroBits(v)) return V::finishCopy(dst, src, i, v, unitOfBit(m));
            V::store(dst + i, v);
        }
    }

    // All n units of both are readable: unaligned reads of whole blocks,
    // then lastDifference for the units after the last whole block.
    QORU_WIDE static size_t findDifference(const char16_t *a, const char16_t *b, size_t n) {
        size_t i = 0;
        for (; i + groupUnits <= n; i += groupUnits) {
            const Vec e0 = V::sameMarks(V::loadData(a + i), V::loadData(b + i));
            const Vec e1 = V::sameMarks(V::loadData(a + i + vecUnits), V::loadData(b + i + vecUnits));
            const Vec e2 = V::sameMarks(V::loadData(a + i + 2 * vecUnits), V::loadData(b + i + 2 * vecUnits));
            const Vec e3 = V::sameMarks(V::loadData(a + i + 3 * vecUnits), V::loadData(b + i + 3 * vecUnits));
            if (!V::allSame(V::bothSame(V::bothSame(e0, e1), V::bothSame(e2, e3)))) break;
        }
        for (; i + vecUnits <= n; i += vecUnits)
            if (const uint32_t d = V::differenceBits(V::loadData(a + i), V::loadData(b + i))) return i + unitOfBit(d);
        return V::lastDifference(a, b, i, n);
    }
};

}  // namespace
}  // namespace qoru

#endif
