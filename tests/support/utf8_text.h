// Plain reference conversions between UTF-16 and UTF-8, written from the rules rather than the library's code.
#ifndef QORU_TEST_UTF8_TEXT_H
#define QORU_TEST_UTF8_TEXT_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "random_units.h"

namespace qoru_test {

// One unit or code point in its shortest form, a surrogate too.
inline std::string encodeUtf8(char32_t c) {
    if (c < 0x80) return std::string(1, static_cast<char>(c));
    const int n = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    std::string s(static_cast<size_t>(n), 0);
    for (int i = n - 1; i > 0; --i, c >>= 6) s[static_cast<size_t>(i)] = static_cast<char>(0x80 | (c & 0x3F));
    s[0] = static_cast<char>(((0xFF00u >> n) & 0xFF) | c);
    return s;
}

// UTF-8 of the character at units[i], of n, in units written as one run: a high surrogate followed by a
// low one is one character, every other surrogate is '#'. take: the units it spans.
inline std::string charUtf8(const char16_t *units, size_t i, size_t n, size_t &take) {
    const char32_t u = units[i];
    take = i + 1 < n && (u & 0xFC00) == 0xD800 && (units[i + 1] & 0xFC00) == 0xDC00 ? 2 : 1;
    if (take == 2) return encodeUtf8(0x10000 + ((u - 0xD800) << 10) + units[i + 1] - 0xDC00);
    return (u & 0xF800) == 0xD800 ? std::string("#") : encodeUtf8(u);
}

inline std::string utf8Of(const std::u16string &units) {
    std::string out;
    for (size_t i = 0, take = 0; i < units.size(); i += take) out += charUtf8(units.data(), i, units.size(), take);
    return out;
}

// The units of a code point.
inline std::u16string unitsOf(char32_t v) {
    if (v <= 0xFFFF) return std::u16string(1, static_cast<char16_t>(v));
    return {static_cast<char16_t>(0xD800 + ((v - 0x10000) >> 10)), static_cast<char16_t>(0xDC00 + (v & 0x3FF))};
}

// Random bytes rich in every form: ASCII words and blanks, line feeds, runs of characters of one script
// near the edges of each length (encoded surrogates too), and a byte at the edge of the forms followed by
// up to three bytes at the edges of the trailing range (overlong, too large, cut short, lone).
inline std::string randomUtf8(UnitSource &rnd, size_t pieces) {
    static constexpr char32_t starts[] = {0x80,   0x416,  0x7C0,   0x800,   0x4E00,
                                          0xD7E0, 0xFFC0, 0x10000, 0x1F600, 0x10FFC0};
    static constexpr unsigned char edges[] = {0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                              0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xF7, 0xF8, 0xFE, 0xFF};
    std::string s;
    for (size_t i = 0; i < pieces; ++i) {
        const size_t kind = rnd.below(10);
        if (kind < 4) {
            for (size_t k = 1 + rnd.below(24); k > 0; --k) s += "abcdefgh  "[rnd.below(10)];
        } else if (kind == 4) {
            s += '\n';
        } else if (kind < 8) {
            const char32_t start = starts[rnd.below(std::size(starts))];
            for (size_t k = 1 + rnd.below(4); k > 0; --k) s += encodeUtf8(start + static_cast<char32_t>(rnd.below(64)));
        } else {
            s += static_cast<char>(edges[rnd.below(std::size(edges))]);
            for (size_t k = rnd.below(4); k > 0; --k) s += static_cast<char>(edges[rnd.below(6)]);
        }
    }
    return s;
}

// One character of the stream decoder's rules: its value ('#' for invalid input) and the bytes it takes
// from the stream (a byte that broke a sequence is not taken: it is read again).
struct StreamChar {
    char32_t value;
    size_t taken;
    bool valid;
};

inline StreamChar streamCharAt(const std::string &s, size_t pos) {
    auto at = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    auto trail = [](unsigned b) { return (b & 0xC0) == 0x80; };
    const unsigned lead = at(pos);
    if (lead < 0x80) return {lead, 1, true};
    if (lead < 0xC2 || lead > 0xF7) return {'#', 1, false};
    const size_t need = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    // Four-byte forms beyond U+10FFFF are taken whole unless a byte breaks them.
    const bool beyond = lead > 0xF4 || (lead == 0xF4 && pos + 1 < s.size() && at(pos + 1) >= 0x90 && trail(at(pos + 1)));
    char32_t value = lead & (0x7F >> need);
    for (size_t i = 1; i < need; ++i) {
        if (pos + i >= s.size()) return {'#', i, false};
        const unsigned b = at(pos + i);
        bool ok = trail(b);
        if (i == 1 && !beyond) {
            if (lead == 0xE0) ok = b >= 0xA0 && b <= 0xBF;
            if (lead == 0xF0) ok = b >= 0x90 && b <= 0xBF;
            if (lead == 0xF4) ok = b >= 0x80 && b <= 0x8F;
        }
        if (!ok) return {'#', i, false};
        value = (value << 6) | (b & 0x3F);
    }
    return beyond ? StreamChar{'#', need, false} : StreamChar{value, need, true};
}

inline std::vector<StreamChar> streamChars(const std::string &s) {
    std::vector<StreamChar> out;
    for (size_t pos = 0; pos < s.size(); pos += out.back().taken) out.push_back(streamCharAt(s, pos));
    return out;
}

// UTF-16 of valid UTF-8 (texts of the C runtime).
inline std::u16string utf16Of(const std::string &bytes) {
    std::u16string out;
    for (const StreamChar &c : streamChars(bytes)) out += unitsOf(c.value);
    return out;
}

// The whole-string conversion by the same rules, which stop at the first invalid sequence: the count, or
// SIZE_MAX for invalid input. dst (null: count only) gets at most limit units, a pair's high half alone
// when only it fits, and the terminator only when there is room.
inline size_t convertedUnits(char16_t *dst, const std::string &text, size_t limit) {
    size_t count = 0;
    for (size_t pos = 0; dst == nullptr || count < limit;) {
        const StreamChar c = pos < text.size() ? streamCharAt(text, pos) : StreamChar{0, 1, true};
        if (!c.valid) return SIZE_MAX;
        pos += c.taken;
        const std::u16string units = unitsOf(c.value);
        for (size_t i = 0; i < units.size() && (dst == nullptr || count < limit); ++i, ++count)
            if (dst != nullptr) dst[count] = units[i];
        if (c.value == 0) return count - 1;
    }
    return count;
}

// What a UTF-8 to UTF-16 kernel (k: a level's table) does wrong on the text at src, with start units stored
// and room for limit, against the plain level's (plain), itself held to the rules above: each call converts a
// prefix that plain takes whole, to the same units, writing nothing else and counting the same; bounded by end,
// it takes nothing from end on (and so leaves no low surrogate out). Empty when nothing.
template <class Kernels>
std::string utf16KernelFault(const Kernels &k, const Kernels &plain, const char *src, size_t start, size_t limit,
                             const char *end) {
    const auto *text = reinterpret_cast<const unsigned char *>(src);
    const auto *stop = reinterpret_cast<const unsigned char *>(end);
    const auto agrees = [&](bool bounded, bool counting) {
        std::vector<char16_t> ours(limit + 80 + std::char_traits<char>::length(src), 0xABCD), ref(ours);
        size_t count = start, refCount = start;
        const unsigned char *p = text, *r = text;
        if (bounded) k.utf8ToUtf16Bounded(ours.data(), count, p, stop, limit);
        else k.utf8ToUtf16(counting ? nullptr : ours.data(), count, p, limit);
        plain.utf8ToUtf16Bounded(ref.data(), refCount, r, p, ref.size());
        const std::string taken(src, reinterpret_cast<const char *>(p));
        if (&k == &plain && (convertedUnits(nullptr, taken, 0) == SIZE_MAX ||
                             std::u16string(&ref[start], &ref[refCount]) != utf16Of(taken)))
            return false;
        return r == p && count == refCount && (counting || ours == ref) && (!bounded || p <= stop);
    };
    return !agrees(false, false) ? "converting"
           : !agrees(true, false) ? "converting up to an end"
           : !agrees(false, true) ? "counting"
                                  : "";
}

// UTF-8 of each unit by itself, a surrogate in three bytes too.
inline std::string unitsUtf8(const char16_t *units, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) out += encodeUtf8(units[i]);
    return out;
}

// UTF-16 to UTF-8 for whole strings: each unit by itself, cut before a sequence that does not fit in limit
// bytes, terminated when there is room. The bytes before the terminator.
inline size_t refToUtf8(unsigned char *dst, const char16_t *src, size_t limit) {
    for (size_t n = 0; limit > 0; ++src) {
        const std::string bytes = encodeUtf8(*src);
        if (*src == 0 || n + bytes.size() > limit) return dst[n] = 0, n;
        n = static_cast<size_t>(std::copy(bytes.begin(), bytes.end(), dst + n) - dst);
        if (n == limit) return n;
    }
    return 0;
}

// U16sToUtf8s by the plain rules: charUtf8's characters, cut as refToUtf8 cuts; an unpaired surrogate that
// comes before the limit gives SIZE_MAX, the bytes before it left unterminated. dst null: counting.
inline size_t refToRealUtf8(unsigned char *dst, const char16_t *src, size_t limit) {
    const size_t length = std::char_traits<char16_t>::length(src);
    size_t n = 0;
    for (size_t i = 0, take = 0; i < length && (dst == nullptr || n < limit); i += take) {
        const std::string bytes = charUtf8(src, i, length, take);
        if (dst != nullptr && n + bytes.size() > limit) break;
        if (bytes == "#" && src[i] != u'#') return SIZE_MAX;
        if (dst != nullptr) std::copy(bytes.begin(), bytes.end(), dst + n);
        n += bytes.size();
    }
    if (dst != nullptr && n < limit) dst[n] = 0;
    return n;
}

// The writer's plain rule, charUtf8's a character at a time: units go in until the block, used bytes full
// already, passes threshold bytes; consumed tells how many went in.
inline std::string writerBlock(const char16_t *units, size_t remaining, size_t used, size_t threshold,
                               size_t &consumed) {
    std::string out;
    consumed = 0;
    for (size_t take = 0; consumed < remaining && used + out.size() <= threshold; consumed += take)
        out += charUtf8(units, consumed, remaining, take);
    return out;
}

// What a UTF-16 to UTF-8 kernel (k: a level's table) does wrong on the string s against the plain level's:
// counting; each encoder after start bytes stored, shift bytes into a buffer, with room for limit (it
// stops where plain stops, or with fewer than 128 bytes left; writes nothing at or past the limit; its
// bytes are plain's for the units it took); and a writer block (of threshold bytes and slack) filled from
// used0 bytes.
template <size_t threshold, size_t slack, class Kernels>
std::string utf8KernelFault(const Kernels &k, const Kernels &plain, const char16_t *s, size_t start, size_t limit,
                            size_t shift, size_t used0) {
    const size_t length = std::char_traits<char16_t>::length(s);
    if (k.countUtf8(s) != plain.countUtf8(s)) return "counting";
    for (const auto encode : {&Kernels::encodeUtf8, &Kernels::encodeRealUtf8}) {
        std::vector<unsigned char> out(shift + limit + 64, 0xA5), want(shift + start + 3 * length + 8, 0xA5);
        const char16_t *at = s;
        const size_t n = (k.*encode)(out.data() + shift, start, limit, at);
        const std::u16string taken(s, at);
        const char16_t *p = taken.c_str(), *q = at;
        if (n > limit || (plain.*encode)(want.data() + shift, start, want.size(), p) != n || *p != 0 ||
            !std::equal(&out[shift + start], &out[shift + n], &want[shift + start]) ||
            std::count(out.end() - 64, out.end(), 0xA5) != 64 ||
            ((plain.*encode)(want.data(), 0, 8, q), q != at && limit - n >= 128))
            return encode == &Kernels::encodeUtf8 ? "encoding" : "encoding real UTF-8";
    }
    std::vector<unsigned char> block(threshold + slack + 32, 0xA5), want(block);
    size_t used = used0, wantUsed = used0;
    if (length > 0 && (k.fillUtf8Block(s, length, block.data(), used) !=
                           plain.fillUtf8Block(s, length, want.data(), wantUsed) ||
                       used != wantUsed || !std::equal(&block[used0], &block[used], &want[used0]) ||
                       std::count(block.end() - 32, block.end(), 0xA5) != 32))
        return "filling a writer block";
    return "";
}

}  // namespace qoru_test

#endif
