// The string scan kernels, written once over a record of one level's vector
// operations (Sse2, Avx2, Avx512) and instantiated in each level's file,
// inside its target region.
//
// Terminated strings are read under the page rule of u16_pagerule.h: a first
// unaligned read where it stays within the page of the string's first unit
// (short strings end there), else the aligned block that holds it; then
// aligned blocks, four at a time from a group-aligned address on. A second
// string or a copy's source is read unaligned only where staysInPage keeps
// the read within one page. memcmp's and memset's data, whose length the
// caller vouches for, are read and written unaligned within that length.
//
// The record V is one of u16_simd_x86.h's; its page-rule reads (load,
// loadInPage) alone are exempt from the sanitizers. Everything here is in an
// anonymous namespace: each level's file gets its own copies, compiled for
// its target. A level file includes u16_strk.h before its region. The
// kernels the table holds start at 64 bytes: where unrelated code moved a
// copy's loop within its cache line, a 4096-unit strcpyU16 measured 18%
// slower.
#ifndef QORU_U16_KERN_STR_H
#define QORU_U16_KERN_STR_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qoru {
namespace {

template <class V>
struct StrKern {
    using Vec = typename V::Vec;
    static constexpr size_t vecBytes = V::vecBytes;
    static constexpr size_t vecUnits = vecBytes / sizeof(char16_t);
    static constexpr size_t groupBytes = 4 * vecBytes;
    static constexpr size_t groupUnits = 4 * vecUnits;
    // The mask of a vector whose every unit is marked.
    static constexpr uint64_t allBits = V::allBits;
    // Tests give mask registers (one bit per unit), which also mask reads and writes.
    static constexpr bool masked = V::bitsPerUnit == 1;

    static uint64_t zeroBits(Vec v) { return V::zeroUnitBits(v); }
    static uint64_t equalBits(Vec a, Vec b) { return V::equalUnitBits(a, b); }
    // a's units where they equal b's, else 0: 0 where a ends or differs.
    static Vec keepEqual(Vec a, Vec b) {
        if constexpr (masked) {
            return V::keepEqual16(a, b);
        } else {
            return V::bitAnd(a, V::equal16(a, b));
        }
    }
    // The first n units of p or v, nothing else read or written (masked only).
    template <class R = V>
    static Vec loadFirst(const char16_t *p, size_t n) {
        return R::loadUnitsData(p, R::firstUnits(n));
    }
    template <class R = V>
    static void storeFirst(char16_t *p, Vec v, size_t n) {
        R::storeUnits(p, R::firstUnits(n), v);
    }

    static size_t unitOfBit(uint64_t bits) { return static_cast<size_t>(__builtin_ctzll(bits)) / V::bitsPerUnit; }
    static size_t lastUnitOfBit(uint64_t bits) {
        return static_cast<size_t>(63 - __builtin_clzll(bits)) / V::bitsPerUnit;
    }
    // The mask bits of the units before an aligned block's `offset` bytes.
    static size_t bitsOfBytes(size_t offset) { return offset * V::bitsPerUnit / sizeof(char16_t); }
    static uint64_t joinBits(uint64_t low, uint64_t high) { return low | high << (vecUnits * V::bitsPerUnit); }
    static bool isOdd(const void *p) { return (reinterpret_cast<uintptr_t>(p) & 1) != 0; }
    // An aligned page-rule read held in a register: GCC would otherwise read
    // memory again for each use of a vector used twice (marks, keepEqual).
    static Vec loadOnce(const char16_t *p) {
        Vec v = V::load(p);
        asm("" : "+v"(v));
        return v;
    }
    // The next vecBytes-aligned address after p.
    static const char16_t *nextAligned(const char16_t *p) { return alignedBlockStart(p, vecBytes) + vecUnits; }

    // A scan's marks are 0 in the units where it stops; the least of several
    // marks is 0 where any of them is, so a group takes one test.
    // stops says the same of one unit.
    struct ZeroMarks {
        Vec operator()(Vec v) const { return v; }
        bool stops(char16_t u) const { return u == 0; }
    };
    struct ZeroOrUnitMarks {
        Vec wanted;
        char16_t c;
        // v ^ c is 0 where v is c.
        Vec operator()(Vec v) const { return V::least16(V::bitXor(v, wanted), v); }
        bool stops(char16_t u) const { return u == 0 || u == c; }
    };

    static Vec leastOf(Vec m0, Vec m1, Vec m2, Vec m3) { return V::least16(V::least16(m0, m1), V::least16(m2, m3)); }
    // The first marked unit of a group whose least mark is 0.
    static size_t firstInGroup(Vec m0, Vec m1, Vec m2, Vec m3) {
        if (vecUnits * V::bitsPerUnit <= 32) {
            if (const uint64_t low = joinBits(zeroBits(m0), zeroBits(m1))) return unitOfBit(low);
            return 2 * vecUnits + unitOfBit(joinBits(zeroBits(m2), zeroBits(m3)));
        }
        if (const uint64_t m = zeroBits(m0)) return unitOfBit(m);
        if (const uint64_t m = zeroBits(m1)) return vecUnits + unitOfBit(m);
        if (const uint64_t m = zeroBits(m2)) return 2 * vecUnits + unitOfBit(m);
        return 3 * vecUnits + unitOfBit(zeroBits(m3));
    }

    // The first unit at or after s where marks is 0: one unaligned read when
    // it stays in s's page, else the aligned block that holds s with its
    // units before s left out; then four aligned blocks one by one (short
    // strings end there), then four at a time from a group-aligned address.
    // An odd s, whose units aligned blocks would split, goes on unit by unit.
    template <class Marks>
    static const char16_t *scan(const char16_t *s, Marks marks) {
        const char16_t *p;
        if (staysInPage(s, vecBytes)) {
            if (const uint64_t m = zeroBits(marks(V::loadInPage(s)))) return s + unitOfBit(m);
            if (isOdd(s)) return scanUnits(s + vecUnits, marks);
            p = nextAligned(s);
        } else if (isOdd(s)) {
            return scanUnits(s, marks);
        } else {
            const size_t offset = reinterpret_cast<uintptr_t>(s) & (vecBytes - 1);
            p = alignedBlockStart(s, vecBytes);
            if (const uint64_t m = zeroBits(marks(V::load(p))) >> bitsOfBytes(offset)) return s + unitOfBit(m);
            p += vecUnits;
        }
        return scanAligned(p, marks);
    }

    // scan's work from the aligned block at p on, whose units before p hold
    // no stop.
    template <class Marks>
    static const char16_t *scanAligned(const char16_t *p, Marks marks) {
        if (const uint64_t m = zeroBits(marks(V::load(p)))) return p + unitOfBit(m);
        if (const uint64_t m = zeroBits(marks(V::load(p + vecUnits)))) return p + vecUnits + unitOfBit(m);
        if (const uint64_t m = zeroBits(marks(V::load(p + 2 * vecUnits)))) return p + 2 * vecUnits + unitOfBit(m);
        if (const uint64_t m = zeroBits(marks(V::load(p + 3 * vecUnits)))) return p + 3 * vecUnits + unitOfBit(m);
        for (p = alignedBlockStart(p + 4 * vecUnits, groupBytes);; p += groupUnits) {
            const Vec m0 = marks(loadOnce(p)), m1 = marks(loadOnce(p + vecUnits));
            const Vec m2 = marks(loadOnce(p + 2 * vecUnits)), m3 = marks(loadOnce(p + 3 * vecUnits));
            if (zeroBits(leastOf(m0, m1, m2, m3)) != 0) return p + firstInGroup(m0, m1, m2, m3);
        }
    }

    template <class Marks>
    static const char16_t *scanUnits(const char16_t *s, Marks marks) {
        while (!marks.stops(*s)) ++s;
        return s;
    }

    static const char16_t *findZero(const char16_t *s) { return scan(s, ZeroMarks{}); }
    [[gnu::aligned(64)]] static const char16_t *findZeroOrUnit(const char16_t *s, char16_t c) {
        return scan(s, ZeroOrUnitMarks{V::splat16(c), c});
    }

    // The exported functions' whole work, which they reach in one jump: at
    // any address, the first reads at an odd one too (unaligned reads keep
    // its units whole).
    [[gnu::aligned(64)]] static size_t stringLength(const char16_t *s) { return static_cast<size_t>(findZero(s) - s); }
    // The first read tells c from the terminator by its own masks; the scan
    // goes on after it rather than reading it again.
    [[gnu::aligned(64)]] static char16_t *findUnit(const char16_t *s, char16_t c) {
        const Vec wanted = V::splat16(c);
        const ZeroOrUnitMarks marks{wanted, c};
        const char16_t *p;
        if (staysInPage(s, vecBytes)) {
            const Vec v = V::loadInPage(s);
            const uint64_t found = equalBits(v, wanted), stops = found | zeroBits(v);
            if (stops != 0)
                return (found & stops & (~stops + 1)) != 0 ? const_cast<char16_t *>(s) + unitOfBit(stops) : nullptr;
            p = isOdd(s) ? scanUnits(s + vecUnits, marks) : scanAligned(nextAligned(s), marks);
        } else {
            p = scan(s, marks);
        }
        return *p == c ? const_cast<char16_t *>(p) : nullptr;
    }
    [[gnu::aligned(64)]] static int32_t compare(const char16_t *a, const char16_t *b) { return compareStrings(a, b); }
    [[gnu::aligned(64)]] static char16_t *copy(char16_t *dst, const char16_t *src) {
        copyString(dst, src);
        return dst;
    }
    [[gnu::aligned(64)]] static char16_t *findLast(const char16_t *s, char16_t c) {
        if (c == 0) return const_cast<char16_t *>(s + stringLength(s));
        const char16_t *last = nullptr;
        if (isOdd(s)) {
            for (; *s != 0; ++s)
                if (*s == c) last = s;
        } else {
            last = findLastUnit(s, c);
        }
        return const_cast<char16_t *>(last);
    }
    [[gnu::aligned(64)]] static char16_t *findUnitWithin(const char16_t *s, char16_t c, size_t n) {
        const size_t i = unitIndexWithin(s, c, n);
        return i < n ? const_cast<char16_t *>(s + i) : nullptr;
    }
    [[gnu::aligned(64)]] static char16_t *fill(char16_t *s, char16_t c, size_t n) {
        fillUnits(s, c, n);
        return s;
    }

    // The last unit c (not 0) before the terminator, or null: aligned blocks
    // (the first with its units before s left out, unless s's first block is
    // read unaligned); the last block with a c and its mask are kept until
    // the terminator's block.
    static const char16_t *findLastUnit(const char16_t *s, char16_t c) {
        const Vec wanted = V::splat16(c);
        const size_t offset = reinterpret_cast<uintptr_t>(s) & (vecBytes - 1);
        const char16_t *p = alignedBlockStart(s, vecBytes);
        const char16_t *lastBlock = nullptr;
        uint64_t lastBits = 0;
        // The units up to the first 0 of zeros, of a block at p with c at
        // found: the block's answer, else the one kept.
        const auto finish = [&](const char16_t *at, uint64_t found, uint64_t zeros) -> const char16_t * {
            found &= (zeros & (~zeros + 1)) - 1;
            if (found != 0) return at + lastUnitOfBit(found);
            return lastBlock != nullptr ? lastBlock + lastUnitOfBit(lastBits) : nullptr;
        };
        {
            // One unaligned read where it stays in s's page (short strings
            // end there); the aligned blocks after it may read its last units
            // again, which changes nothing.
            const bool inPage = staysInPage(s, vecBytes);
            const Vec v = inPage ? V::loadInPage(s) : V::load(p);
            const size_t skipped = inPage ? 0 : bitsOfBytes(offset);
            const uint64_t zeros = zeroBits(v) >> skipped, found = equalBits(v, wanted) >> skipped;
            if (zeros != 0) return finish(s, found, zeros);
            if (found != 0) lastBlock = s, lastBits = found;
        }
        for (p += vecUnits;; p += vecUnits) {
            if (isAligned(p, groupBytes)) {
                // Four blocks at a time while they hold neither 0 nor c.
                for (;; p += groupUnits) {
                    const Vec v0 = loadOnce(p), v1 = loadOnce(p + vecUnits);
                    const Vec v2 = loadOnce(p + 2 * vecUnits), v3 = loadOnce(p + 3 * vecUnits);
                    const Vec all = leastOf(v0, v1, v2, v3);
                    const Vec other = leastOf(V::bitXor(v0, wanted), V::bitXor(v1, wanted), V::bitXor(v2, wanted),
                                              V::bitXor(v3, wanted));
                    if (zeroBits(V::least16(all, other)) != 0) break;
                }
            }
            const Vec v = V::load(p);
            const uint64_t zeros = zeroBits(v), found = equalBits(v, wanted);
            if (zeros != 0) return finish(p, found, zeros);
            if (found != 0) lastBlock = p, lastBits = found;
        }
    }

    // True when reads of `bytes` at a and at b stay within their pages: the
    // offsets' bitwise or is at least each of them, so one test mostly
    // serves both; the two tests where it does not.
    static bool bothStayInPage(const char16_t *a, const char16_t *b, size_t bytes) {
        const uintptr_t either = reinterpret_cast<uintptr_t>(a) | reinterpret_cast<uintptr_t>(b);
        if (staysInPage(reinterpret_cast<const void *>(either), bytes)) [[likely]]
            return true;
        return staysInPage(a, bytes) && staysInPage(b, bytes);
    }

    // The first position from i where a is 0 or differs from b, unit by unit.
    static size_t stopUnits(const char16_t *a, const char16_t *b, size_t i) {
        while (a[i] != 0 && a[i] == b[i]) ++i;
        return i;
    }

    // The difference of a and b at the first position where a is 0 or
    // differs from b (the stop): four unaligned reads of each one by one
    // where they stay in their pages (short strings end there), else
    // compareNearPageEnd; then a's blocks aligned and b's at the same
    // positions unaligned (compareAligned).
    static int32_t compareStrings(const char16_t *a, const char16_t *b) {
        if (!bothStayInPage(a, b, groupBytes)) [[unlikely]]
            return compareNearPageEnd(a, b);
        for (size_t i = 0; i < groupUnits; i += vecUnits)
            if (const uint64_t m = zeroBits(keepEqual(V::loadInPage(a + i), V::loadInPage(b + i))))
                return unitDifference(a[i + unitOfBit(m)], b[i + unitOfBit(m)]);
        if (isOdd(a)) {
            const size_t stop = stopUnits(a, b, groupUnits);
            return unitDifference(a[stop], b[stop]);
        }
        return compareAligned(a, b, static_cast<size_t>(alignedBlockStart(a + groupUnits, vecBytes) - a), false);
    }

    // compareStrings where a group of a or b would cross into its next page:
    // a call of its own, so that the registers it needs are saved there. x,
    // the one nearer its page end, is read up to there (the last read ending
    // there), then from its next page on aligned, y at the same positions;
    // the stop is the same with a and b swapped. Where x is odd, or y's units
    // before x's aligned block lie in an earlier page: one first block as
    // below, then compareAligned.
    [[gnu::noinline]] static int32_t compareNearPageEnd(const char16_t *a, const char16_t *b) {
        const auto at = [a, b](size_t stop) { return unitDifference(a[stop], b[stop]); };
        size_t i;
        const bool bFirst = pageOffset(b) > pageOffset(a);
        const char16_t *x = bFirst ? b : a, *y = bFirst ? a : b;
        const size_t n = (pageSize - pageOffset(x)) / sizeof(char16_t);
        if (!isOdd(x) && (n >= vecUnits || unitsBeforeInPage(y, vecUnits - n))) {
            if (n >= vecUnits) {
                for (i = 0; i + vecUnits < n; i += vecUnits)
                    if (const uint64_t m = zeroBits(keepEqual(V::loadInPage(a + i), V::loadInPage(b + i))))
                        return at(i + unitOfBit(m));
                i = n - vecUnits;
                if (const uint64_t m = zeroBits(keepEqual(V::loadInPage(a + i), V::loadInPage(b + i))))
                    return at(i + unitOfBit(m));
            } else {
                // x's aligned block, which ends at its page end, with the
                // units before the start left out.
                const size_t k = vecUnits - n;
                const Vec m = keepEqual(V::load(x - k), V::loadInPage(y - k));
                if (const uint64_t stops = zeroBits(m) >> (k * V::bitsPerUnit)) return at(unitOfBit(stops));
            }
            // x's first two blocks of its next page, where y's stay in y's
            // page (short strings end there).
            i = n;
            if (staysInPage(y + n, 2 * vecBytes)) {
                if (const uint64_t m = zeroBits(keepEqual(V::load(x + i), V::loadInPage(y + i))))
                    return at(i + unitOfBit(m));
                i += vecUnits;
                if (const uint64_t m = zeroBits(keepEqual(V::load(x + i), V::loadInPage(y + i))))
                    return at(i + unitOfBit(m));
                i += vecUnits;
            }
        } else if (x = a, y = b; bothStayInPage(a, b, vecBytes)) {
            if (const uint64_t m = zeroBits(keepEqual(V::loadInPage(a), V::loadInPage(b)))) return at(unitOfBit(m));
            if (isOdd(a)) return at(stopUnits(a, b, vecUnits));
            i = static_cast<size_t>(nextAligned(a) - a);
        } else {
            // A first block would cross into a next page: the aligned block
            // that holds a, or b, with the other's units at the same
            // positions where they lie in its page, the units before the
            // start left out; else unit by unit up to a's alignment.
            size_t k = unitsIntoBlock(a);
            if (k == SIZE_MAX || !unitsBeforeInPage(b, k)) {
                k = unitsIntoBlock(b);
                if (k != SIZE_MAX && unitsBeforeInPage(a, k)) {
                    x = b, y = a;
                } else {
                    k = SIZE_MAX;
                }
            }
            if (k != SIZE_MAX) {
                const Vec m = keepEqual(V::load(x - k), V::loadInPage(y - k));
                if (const uint64_t stops = zeroBits(m) >> (k * V::bitsPerUnit)) return at(unitOfBit(stops));
                i = vecUnits - k;
            } else if (isOdd(a)) {
                return at(stopUnits(a, b, 0));
            } else {
                for (i = 0; !isAligned(a + i, vecBytes); ++i)
                    if (a[i] == 0 || a[i] != b[i]) return at(i);
            }
        }
        return compareAligned(x, y, i, x != a);
    }

    // p's byte offset within its page.
    static size_t pageOffset(const char16_t *p) { return reinterpret_cast<uintptr_t>(p) & (pageSize - 1); }
    // The units of an even p's aligned block before p, or SIZE_MAX for an
    // odd p (aligned blocks would split its units).
    static size_t unitsIntoBlock(const char16_t *p) {
        return isOdd(p) ? SIZE_MAX : (reinterpret_cast<uintptr_t>(p) & (vecBytes - 1)) / sizeof(char16_t);
    }
    // True when a block read k units before p lies within p's page.
    static bool unitsBeforeInPage(const char16_t *p, size_t k) {
        const uintptr_t at = reinterpret_cast<uintptr_t>(p), back = k * sizeof(char16_t);
        return (at & (pageSize - 1)) >= back && staysInPage(reinterpret_cast<const void *>(at - back), vecBytes);
    }

    // compareStrings from i on (stopAligned) where x and y are a and b, or b
    // and a (swapped): a call of its own, so that the registers its loops
    // need are saved there, not at the start of every comparison.
    [[gnu::noinline]] static int32_t compareAligned(const char16_t *x, const char16_t *y, size_t i, bool swapped) {
        const size_t stop = stopAligned(x, y, i);
        const int32_t d = unitDifference(x[stop], y[stop]);
        return swapped ? -d : d;
    }

    // The stop from i on, where a + i is aligned and no stop precedes i:
    // the blocks of b that stay in its page are counted once per page, so
    // the loops test no page; then the one block that would cross it.
    static size_t stopAligned(const char16_t *a, const char16_t *b, size_t i) {
        for (;;) {
            const size_t end =
                i + (pageSize - (reinterpret_cast<uintptr_t>(b + i) & (pageSize - 1))) / vecBytes * vecUnits;
            for (; i < end && !isAligned(a + i, groupBytes); i += vecUnits)
                if (const uint64_t m = zeroBits(keepEqual(V::load(a + i), V::loadInPage(b + i))))
                    return i + unitOfBit(m);
            for (; i + groupUnits <= end; i += groupUnits) {
                const Vec m0 = keepEqual(loadOnce(a + i), V::loadInPage(b + i));
                const Vec m1 = keepEqual(loadOnce(a + i + vecUnits), V::loadInPage(b + i + vecUnits));
                const Vec m2 = keepEqual(loadOnce(a + i + 2 * vecUnits), V::loadInPage(b + i + 2 * vecUnits));
                const Vec m3 = keepEqual(loadOnce(a + i + 3 * vecUnits), V::loadInPage(b + i + 3 * vecUnits));
                if (zeroBits(leastOf(m0, m1, m2, m3)) != 0) return i + firstInGroup(m0, m1, m2, m3);
            }
            for (; i < end; i += vecUnits)
                if (const uint64_t m = zeroBits(keepEqual(V::load(a + i), V::loadInPage(b + i))))
                    return i + unitOfBit(m);
            // b + i starts its next page, or its block would cross into it.
            if (!isAligned(b + i, pageSize)) {
                if (const size_t stop = stopAcrossPage(a, b, i); stop != SIZE_MAX) return stop;
                i += vecUnits;
            }
        }
    }

    // stopAligned's block at i, where b's would cross into its next page:
    // the stop within it, else SIZE_MAX. First the read that ends at b's
    // page end (a's units at the same positions, before i its own), then b's
    // aligned block that starts the next page, with a's units at the same
    // positions where they stay in a's page (else the whole block across b's
    // two pages, a read that costs more); unit by unit near the start or at
    // an odd b.
    [[gnu::always_inline]] static size_t stopAcrossPage(const char16_t *a, const char16_t *b, size_t i) {
        const size_t back = unitsBeforePageEnd(b + i);
        if (back > i) {
            for (const size_t end = i + vecUnits; i < end; ++i)
                if (a[i] == 0 || a[i] != b[i]) return i;
            return SIZE_MAX;
        }
        if (const uint64_t m = zeroBits(keepEqual(V::loadInPage(a + i - back), V::loadInPage(b + i - back))))
            return i - back + unitOfBit(m);
        if (const size_t next = i + vecUnits - back; staysInPage(a + next, vecBytes)) {
            if (const uint64_t m = zeroBits(keepEqual(V::loadInPage(a + next), V::load(b + next))))
                return next + unitOfBit(m);
        } else if (const uint64_t m = zeroBits(keepEqual(V::load(a + i), V::loadInPage(b + i)))) {
            return i + unitOfBit(m);
        }
        return SIZE_MAX;
    }

    // For a read at p that would cross into the next page: how many units
    // before p the read that ends at the page's end starts, or more than
    // any i where p is odd (its units would be split).
    static size_t unitsBeforePageEnd(const char16_t *p) {
        if (isOdd(p)) return SIZE_MAX;
        const size_t toEnd = pageSize - (reinterpret_cast<uintptr_t>(p) & (pageSize - 1));
        return (vecBytes - toEnd) / sizeof(char16_t);
    }

    // count (at most vecUnits) units of v, which holds them at src, to dst.
    static void storeFew(char16_t *dst, const char16_t *src, Vec v, size_t count) {
        if constexpr (masked) {
            if (staysInPage(dst, vecBytes)) [[likely]] {
                storeFirst(dst, v, count);
            } else {
                copyFewAtPageEnd(dst, src, count);
            }
        } else {
            (void)v;
            copyFewUnits(dst, src, count);
        }
    }
    // count units (1 to vecUnits) of src, all of them the string's, to dst.
    static void copyFirstUnits(char16_t *dst, const char16_t *src, size_t count) {
        if constexpr (masked) {
            if (staysInPage(dst, vecBytes)) [[likely]] {
                storeFirst(dst, loadFirst(src, count), count);
            } else {
                copyFewAtPageEnd(dst, src, count);
            }
        } else {
            copyFewUnits(dst, src, count);
        }
    }
    // count units (1 to 32) of src to a dst whose block would cross into its
    // next page, in plain moves: a masked store whose left-out lanes cross a
    // page takes a microcode assist each time.
    static void copyFewAtPageEnd(char16_t *dst, const char16_t *src, size_t count) {
        if (count > 16) {
            copyFewUnits(dst, src, 16);
            dst += 16, src += 16, count -= 16;
        }
        copyFewUnits(dst, src, count);
    }
    // The string's units up to its terminator at i + end, which the block v
    // read at src + i holds: with earlier units written again where that is
    // one move.
    static size_t finishCopy(char16_t *dst, const char16_t *src, size_t i, Vec v, size_t end) {
        const size_t units = i + end + 1;
        if constexpr (!masked) {
            if (units >= vecUnits) {
                V::store(dst + units - vecUnits, V::loadData(src + units - vecUnits));
                return i + end;
            }
        }
        storeFew(dst + i, src + i, v, end + 1);
        return i + end;
    }

    static void storeGroup(char16_t *dst, size_t i, Vec v0, Vec v1, Vec v2, Vec v3) {
        V::store(dst + i, v0);
        V::store(dst + i + vecUnits, v1);
        V::store(dst + i + 2 * vecUnits, v2);
        V::store(dst + i + 3 * vecUnits, v3);
    }

    // The rest of a copy whose units before i are copied, with dst + i
    // aligned: src read unaligned, four blocks at a time where they stay in
    // its page, else block by block; the one block that would cross into the
    // next page is copied in two reads (unitsBeforePageEnd), or unit by unit
    // near the start or at an odd src. Writes that split cache lines cost
    // more than such reads.
    static size_t copyToAlignedDst(char16_t *dst, const char16_t *src, size_t i) {
        for (;;) {
            if (staysInPage(src + i, groupBytes)) {
                const Vec v0 = V::loadInPage(src + i), v1 = V::loadInPage(src + i + vecUnits);
                const Vec v2 = V::loadInPage(src + i + 2 * vecUnits), v3 = V::loadInPage(src + i + 3 * vecUnits);
                if (zeroBits(leastOf(v0, v1, v2, v3)) == 0) {
                    storeGroup(dst, i, v0, v1, v2, v3);
                    i += groupUnits;
                    continue;
                }
            }
            if (staysInPage(src + i, vecBytes)) {
                const Vec v = V::loadInPage(src + i);
                if (const uint64_t m = zeroBits(v)) return finishCopy(dst, src, i, v, unitOfBit(m));
                V::store(dst + i, v);
                i += vecUnits;
            } else if (const size_t back = unitsBeforePageEnd(src + i); back <= i) {
                // The block would cross into src's next page: first the read
                // that ends at its page's end, for a terminator there (its
                // units before i are copied already), then, src going on,
                // the whole block across the two pages.
                const Vec v = V::loadInPage(src + i - back);
                if (const uint64_t m = zeroBits(v)) return finishCopy(dst, src, i - back, v, unitOfBit(m));
                const Vec w = V::loadInPage(src + i);
                if (const uint64_t m = zeroBits(w)) return finishCopy(dst, src, i, w, unitOfBit(m));
                V::store(dst + i, w);
                i += vecUnits;
            } else {
                for (const size_t end = i + vecUnits; i < end; ++i)
                    if ((dst[i] = src[i]) == 0) return i;
            }
        }
    }

    // The rest of a copy from i on, unit by unit; the length.
    static size_t copyUnits(char16_t *dst, const char16_t *src, size_t i) {
        while ((dst[i] = src[i]) != 0) ++i;
        return i;
    }

    // Four unaligned blocks of src one by one where they stay in its page
    // (short strings end there), else one where it does; then src's blocks
    // aligned, or, when dst is not aligned as src is, dst's.
    static size_t copyString(char16_t *dst, const char16_t *src) {
        size_t i;
        // Aligned blocks one by one after the start, for short strings,
        // where it read fewer than a group's units.
        size_t oneByOne = 4 * vecUnits;
        if (staysInPage(src, groupBytes)) {
            const Vec v = V::loadInPage(src);
            if (const uint64_t m = zeroBits(v)) {
                storeFew(dst, src, v, unitOfBit(m) + 1);
                return unitOfBit(m);
            }
            V::store(dst, v);
            for (i = vecUnits; i < groupUnits; i += vecUnits) {
                const Vec w = V::loadInPage(src + i);
                if (const uint64_t m = zeroBits(w)) return finishCopy(dst, src, i, w, unitOfBit(m));
                V::store(dst + i, w);
            }
            if (isOdd(src)) return copyUnits(dst, src, groupUnits);
            i = static_cast<size_t>(alignedBlockStart(src + groupUnits, vecBytes) - src);
            oneByOne = 0;
        } else if (staysInPage(src, vecBytes)) {
            const Vec v = V::loadInPage(src);
            if (const uint64_t m = zeroBits(v)) {
                storeFew(dst, src, v, unitOfBit(m) + 1);
                return unitOfBit(m);
            }
            V::store(dst, v);
            if (isOdd(src)) return copyUnits(dst, src, vecUnits);
            i = static_cast<size_t>(nextAligned(src) - src);
        } else if (isOdd(src)) {
            return copyUnits(dst, src, 0);
        } else {
            // The last units of src's page: the aligned block that holds
            // them, its units before src left out.
            const size_t k = unitsIntoBlock(src);
            const uint64_t m = zeroBits(V::load(src - k)) >> (k * V::bitsPerUnit);
            i = vecUnits - k;
            const size_t count = m != 0 ? unitOfBit(m) + 1 : i;
            copyFirstUnits(dst, src, count);
            if (m != 0) return count - 1;
        }
        const size_t shift = reinterpret_cast<uintptr_t>(dst + i) & (vecBytes - 1);
        if (shift != 0 && shift % sizeof(char16_t) == 0) {
            // The units up to dst's alignment lie in src's aligned block at i.
            const size_t toAligned = (vecBytes - shift) / sizeof(char16_t);
            const Vec v = V::load(src + i);
            if (const uint64_t m = zeroBits(v); m != 0 && unitOfBit(m) < toAligned)
                return finishCopy(dst, src, i, v, unitOfBit(m));
            storeFew(dst + i, src + i, v, toAligned);
            return copyToAlignedDst(dst, src, i + toAligned);
        }
        for (const size_t end = i + oneByOne; i < end || !isAligned(src + i, groupBytes); i += vecUnits) {
            const Vec v = V::load(src + i);
            if (const uint64_t m = zeroBits(v)) return finishCopy(dst, src, i, v, unitOfBit(m));
            V::store(dst + i, v);
        }
        for (;; i += groupUnits) {
            const Vec v0 = loadOnce(src + i), v1 = loadOnce(src + i + vecUnits);
            const Vec v2 = loadOnce(src + i + 2 * vecUnits), v3 = loadOnce(src + i + 3 * vecUnits);
            if (zeroBits(leastOf(v0, v1, v2, v3)) != 0) break;
            storeGroup(dst, i, v0, v1, v2, v3);
        }
        for (;; i += vecUnits) {
            const Vec v = V::load(src + i);
            if (const uint64_t m = zeroBits(v)) return finishCopy(dst, src, i, v, unitOfBit(m));
            V::store(dst + i, v);
        }
    }

    // memcmp's whole work: the difference of the first units that differ,
    // else 0.
    [[gnu::aligned(64)]] static int32_t compareWithin(const char16_t *a, const char16_t *b, size_t n) {
        const size_t i = findDifference(a, b, n);
        return i < n ? unitDifference(a[i], b[i]) : 0;
    }

    // The first i < n where a[i] differs from b[i], else n. All n units of
    // both are readable: up to two blocks as the first and the last, which
    // may overlap (fewer units than a block by fewDifference); else whole
    // blocks, four at a time, then the last block that ends at n (its units
    // already found equal change nothing).
    [[gnu::always_inline]] static size_t findDifference(const char16_t *a, const char16_t *b, size_t n) {
        if (n <= 2 * vecUnits) {
            if (n < vecUnits) return fewDifference(a, b, n);
            if (const uint64_t d = differentBits(a, b)) return unitOfBit(d);
            const size_t last = n - vecUnits;
            const uint64_t d = differentBits(a + last, b + last);
            return d != 0 ? last + unitOfBit(d) : n;
        }
        size_t i = 0;
        for (; i + groupUnits <= n; i += groupUnits) {
            const Vec d0 = V::bitXor(V::loadData(a + i), V::loadData(b + i));
            const Vec d1 = V::bitXor(V::loadData(a + i + vecUnits), V::loadData(b + i + vecUnits));
            const Vec d2 = V::bitXor(V::loadData(a + i + 2 * vecUnits), V::loadData(b + i + 2 * vecUnits));
            const Vec d3 = V::bitXor(V::loadData(a + i + 3 * vecUnits), V::loadData(b + i + 3 * vecUnits));
            if (zeroBits(V::bitOr(V::bitOr(d0, d1), V::bitOr(d2, d3))) != allBits) break;
        }
        if (i == n) return n;
        for (; i + vecUnits < n; i += vecUnits)
            if (const uint64_t d = differentBits(a + i, b + i)) return i + unitOfBit(d);
        const size_t last = n - vecUnits;
        const uint64_t d = differentBits(a + last, b + last);
        return d != 0 ? last + unitOfBit(d) : n;
    }
    static uint64_t differentBits(const char16_t *a, const char16_t *b) {
        return ~equalBits(V::loadData(a), V::loadData(b)) & allBits;
    }
    // findDifference below a block: masked reads, or the blocks of the
    // record half as wide where n fills one, else 64-bit words of four
    // units, the last one ending at n.
    static size_t fewDifference(const char16_t *a, const char16_t *b, size_t n) {
        if constexpr (masked) {
            const uint64_t d = ~equalBits(loadFirst(a, n), loadFirst(b, n)) & allBits;
            return d != 0 ? unitOfBit(d) : n;
        } else {
            if constexpr (requires { typename V::HalfRecord; }) {
                if (n >= V::HalfRecord::vecUnits) return StrKern<typename V::HalfRecord>::findDifference(a, b, n);
            }
            size_t i = 0;
            if (n >= 4) {
                for (; i + 4 <= n; i += 4)
                    if (const uint64_t d = wordAt(a + i) ^ wordAt(b + i)) return i + unitOfWordBit(d);
                if (i == n) return n;
                const uint64_t d = wordAt(a + n - 4) ^ wordAt(b + n - 4);
                return d != 0 ? n - 4 + unitOfWordBit(d) : n;
            }
            for (; i < n; ++i)
                if (a[i] != b[i]) return i;
            return n;
        }
    }
    static uint64_t wordAt(const char16_t *p) {
        uint64_t w;
        memcpy(&w, p, sizeof w);
        return w;
    }
    // The unit of a little-endian word that holds a word's lowest set bit.
    static size_t unitOfWordBit(uint64_t d) { return static_cast<size_t>(__builtin_ctzll(d)) / 16; }

    // The first i < n where s[i] is 0, else n: aligned blocks, each holding
    // a unit below n that no terminator precedes.
    [[gnu::aligned(64)]] static size_t findZeroWithin(const char16_t *s, size_t n) {
        if (n == 0) return 0;
        const size_t offset = reinterpret_cast<uintptr_t>(s) & (vecBytes - 1);
        size_t i = 0;
        if (const uint64_t m = zeroBits(V::load(alignedBlockStart(s, vecBytes))) >> bitsOfBytes(offset))
            return unitOfBit(m) < n ? unitOfBit(m) : n;
        for (i = (vecBytes - offset) / sizeof(char16_t); i < n; i += vecUnits)
            if (const uint64_t m = zeroBits(V::load(s + i))) return i + unitOfBit(m) < n ? i + unitOfBit(m) : n;
        return n;
    }

    // The first i < n where s[i] is c, else n. A caller may give an n past
    // its data when c comes before its end, as C's memchr allows, so the
    // reads keep the page rule: a first unaligned one within s's page, else
    // the aligned block that holds s; then aligned blocks, each holding a unit
    // below n that no c precedes (a group's four share that unit's page). Odd
    // addresses unit by unit. Up to a group's units within s's page are read
    // unaligned, the last block ending at n.
    static size_t unitIndexWithin(const char16_t *s, char16_t c, size_t n) {
        const auto within = [n](size_t i) { return i < n ? i : n; };
        size_t i = 0;
        if (n != 0 && n <= groupUnits && staysInPage(s, (n > vecUnits ? n : vecUnits) * sizeof(char16_t))) {
            const Vec wanted = V::splat16(c);
            for (; i + vecUnits < n; i += vecUnits)
                if (const uint64_t m = equalBits(V::loadInPage(s + i), wanted)) return i + unitOfBit(m);
            const size_t last = n > vecUnits ? n - vecUnits : 0;
            const uint64_t m = equalBits(V::loadInPage(s + last), wanted);
            return m != 0 ? within(last + unitOfBit(m)) : n;
        }
        if (n == 0 || isOdd(s)) {
            while (i < n && s[i] != c) ++i;
            return i;
        }
        const Vec wanted = V::splat16(c);
        if (staysInPage(s, vecBytes)) {
            if (const uint64_t m = equalBits(V::loadInPage(s), wanted)) return within(unitOfBit(m));
            i = static_cast<size_t>(nextAligned(s) - s);
        } else {
            const size_t offset = reinterpret_cast<uintptr_t>(s) & (vecBytes - 1);
            if (const uint64_t m = equalBits(V::load(alignedBlockStart(s, vecBytes)), wanted) >> bitsOfBytes(offset))
                return within(unitOfBit(m));
            i = (vecBytes - offset) / sizeof(char16_t);
        }
        for (; i < n && !isAligned(s + i, groupBytes); i += vecUnits)
            if (const uint64_t m = equalBits(V::load(s + i), wanted)) return within(i + unitOfBit(m));
        for (; i + groupUnits <= n; i += groupUnits) {
            const Vec m0 = V::bitXor(V::load(s + i), wanted), m1 = V::bitXor(V::load(s + i + vecUnits), wanted);
            const Vec m2 = V::bitXor(V::load(s + i + 2 * vecUnits), wanted);
            const Vec m3 = V::bitXor(V::load(s + i + 3 * vecUnits), wanted);
            if (zeroBits(leastOf(m0, m1, m2, m3)) != 0) return i + firstInGroup(m0, m1, m2, m3);
        }
        for (; i < n; i += vecUnits)
            if (const uint64_t m = equalBits(V::load(s + i), wanted)) return within(i + unitOfBit(m));
        return n;
    }

    // n units of c at s, at any address: the first and last blocks
    // unaligned, those between aligned where s is even (an odd s would
    // break the units' phase).
    static void fillUnits(char16_t *s, char16_t c, size_t n) {
        if (n < vecUnits) {
            if constexpr (masked) {
                // As storeFew: no masked store across a page.
                if (staysInPage(s, vecBytes)) [[likely]] {
                    storeFirst(s, V::splat16(c), n);
                } else {
                    fillFewUnits(s, c, n);
                }
            } else {
                fillFewUnits(s, c, n);
            }
            return;
        }
        const Vec v = V::splat16(c);
        V::store(s, v);
        char16_t *const last = s + n - vecUnits;
        char16_t *p = s + vecUnits;
        if ((reinterpret_cast<uintptr_t>(s) & 1) == 0)
            p = const_cast<char16_t *>(alignedBlockStart(s, vecBytes)) + vecUnits;
        for (; p + 4 * vecUnits <= last; p += 4 * vecUnits) {
            V::store(p, v);
            V::store(p + vecUnits, v);
            V::store(p + 2 * vecUnits, v);
            V::store(p + 3 * vecUnits, v);
        }
        for (; p < last; p += vecUnits) V::store(p, v);
        V::store(last, v);
    }
};

}  // namespace
}  // namespace qoru

#endif
