// Streams holding given bytes, and the stream readers against the tests' plain decoder, for the input
// and scan tests and the stream fuzzer alike.
#ifndef QORU_TEST_STREAM_READS_H
#define QORU_TEST_STREAM_READS_H

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "qorucum.h"
#include "temp_path.h"
#include "utf8_text.h"

namespace qoru_test {

// A temporary file holding bytes, open for reading (stream) until the end of the scope.
struct ByteStream {
    TempPath path;
    FILE *stream;
    explicit ByteStream(const std::string &bytes)
        : stream(path.write(bytes) ? fopen(path.narrow().c_str(), "rb") : nullptr) {}
    ~ByteStream() { if (stream != nullptr) fclose(stream); }
};

// Reads a stream holding bytes by fgetcU16 (errno EILSEQ after any invalid sequence), by
// fgetsU16 in lines of at most room units and by one freadU16 of count elements of size units, rewound in
// between. Returns the first read that disagrees with the reference or writes past its bound, "" if none.
inline std::string streamReadsDiffer(FILE *f, const std::string &bytes, size_t room, size_t size, size_t count) {
    constexpr char16_t guard = 0x7777;
    const std::vector<StreamChar> chars = streamChars(bytes);
    std::u16string got, expected, all;  // fgetcU16 gives U+FFFD for a character above U+FFFF, freadU16 a pair
    int invalidErrno = 0;
    for (const StreamChar &c : chars) {
        expected += c.value > 0xFFFF ? u'\uFFFD' : static_cast<char16_t>(c.value);
        all += unitsOf(c.value);
        invalidErrno = c.valid ? invalidErrno : EILSEQ;
    }
    errno = 0;
    for (int32_t u; (u = fgetcU16(f)) != EOF;) got += static_cast<char16_t>(u);
    if (got != expected || errno != invalidErrno) return "fgetcU16";

    rewind(f);
    std::vector<std::u16string> lines;
    std::vector<charU16> buf(room + 2, guard);
    while (fgetsU16(buf.data(), static_cast<int32_t>(room + 1), f) != nullptr) {
        if (buf[room + 1] != guard) return "fgetsU16 past its bound";
        lines.emplace_back(buf.data());
    }
    // The reference's lines: a line feed or room units end one, a pair that does not fit keeps its high half.
    std::vector<std::u16string> want(1);
    for (const StreamChar &c : chars) {
        want.back() += unitsOf(c.value).substr(0, room - want.back().size());
        if (want.back().size() == room || c.value == '\n') want.emplace_back();
    }
    if (want.back().empty()) want.pop_back();
    // A zero unit stored from the stream ends a line early when read back as a string.
    if (bytes.find('\0') == std::string::npos && lines != want) return "fgetsU16";

    rewind(f);
    std::u16string block(size * count + 1, guard);
    const size_t elements = freadU16(block.data(), size, count, f);
    const size_t stored = std::min(all.size(), size * count);  // a pair cut by the total keeps its high half
    if (elements != stored / size || block.compare(0, stored, all, 0, stored) != 0 || block[size * count] != guard)
        return "freadU16";
    return "";
}

}  // namespace qoru_test

#endif
