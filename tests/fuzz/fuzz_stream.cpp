// Arbitrary bytes through fgetcU16, fgetsU16 and freadU16 on a memory stream,
// against the plain decoder of the test support: the same units, lines and
// blocks, and nothing written past a bound.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "qorucum.h"
#include "utf8_text.h"

namespace {

int32_t quietSink(const char *, int32_t) { return 0; }

void check(bool ok) {
    if (!ok) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    nlsui_set_trace(quietSink, NLSUI_TRACE_LOW);
    const size_t room = 1 + data[0] % 48;
    const std::string bytes(reinterpret_cast<const char *>(data + 1), size - 1);
    const std::vector<qoru_test::StreamChar> chars = qoru_test::streamChars(bytes);
    FILE *f = fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "rb");
    if (f == nullptr) return 0;

    std::u16string units;
    for (int32_t u; (u = fgetcU16(f)) != EOF;) units += static_cast<char16_t>(u);
    std::u16string expected;
    for (const auto &c : chars) expected += c.value > 0xFFFF ? u'\uFFFD' : static_cast<char16_t>(c.value);
    check(units == expected);

    rewind(f);
    std::vector<std::u16string> lines;
    charU16 buf[50];
    buf[room + 1] = u'\x7777';
    while (fgetsU16(buf, static_cast<int32_t>(room + 1), f) != nullptr) {
        check(buf[room + 1] == u'\x7777');
        lines.emplace_back(buf);
    }
    if (bytes.find('\0') == std::string::npos) check(lines == qoru_test::streamLines(chars, room));

    rewind(f);
    std::u16string block(room * 3 + 1, u'\x7777');
    const size_t elements = freadU16(block.data(), 3, room, f);
    const auto whole = qoru_test::streamLines(chars, 0);
    const std::u16string all = whole.empty() ? u"" : whole[0];
    const size_t stored = std::min(all.size(), room * 3);
    check(elements == stored / 3 && block.compare(0, stored, all, 0, stored) == 0 && block[room * 3] == u'\x7777');
    fclose(f);
    return 0;
}
