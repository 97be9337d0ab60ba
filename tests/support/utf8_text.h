// Plain reference conversions between UTF-16 and UTF-8 for the stream tests,
// written from the rules rather than from the library's code.
#ifndef QORU_TEST_UTF8_TEXT_H
#define QORU_TEST_UTF8_TEXT_H

#include <algorithm>
#include <string>
#include <vector>

namespace qoru_test {

// UTF-8 of units written as one run: a high surrogate followed by a low one
// is one character, every other surrogate is '#'.
inline std::string utf8Of(const std::u16string &units) {
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDFFF) {
            const bool paired =
                c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF;
            if (!paired) {
                out += '#';
                continue;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        const int extra = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        static const unsigned char lead[] = {0x00, 0xC0, 0xE0, 0xF0};
        out += static_cast<char>(lead[extra] | (c >> (6 * extra)));
        for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
    }
    return out;
}

// UTF-16 of valid UTF-8 (texts of the C runtime).
inline std::u16string utf16Of(const std::string &bytes) {
    std::u16string out;
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        char32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) c = (c << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        i += 1 + extra;
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}


// One character of the stream decoder's rules: its value ('#' for invalid input)
// and the bytes it takes from the stream (a byte that broke a sequence is
// not taken: it is read again).
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

inline void appendUnits(std::u16string &out, char32_t v) {
    if (v <= 0xFFFF) {
        out += static_cast<char16_t>(v);
    } else {
        out += static_cast<char16_t>(0xD800 + ((v - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    }
}

// The units the reference gives for a stream read by lines of at most room
// units (line feed kept), or as one block when room is 0.
inline std::vector<std::u16string> streamLines(const std::vector<StreamChar> &chars, size_t room) {
    std::vector<std::u16string> lines;
    std::u16string line;
    for (const StreamChar &c : chars) {
        std::u16string units;
        appendUnits(units, c.value);
        const size_t fit = room == 0 ? units.size() : std::min(units.size(), room - line.size());
        line += units.substr(0, fit);
        if ((room != 0 && line.size() == room) || (room != 0 && c.value == '\n')) {
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace qoru_test

#endif
