// POSIX: argv holds the bytes the shell passed, UTF-8 on any current system.
// The library exports no UTF-8 to UTF-16 string converter (its streams
// decode UTF-8 themselves), so the demo decodes the few short arguments
// here, showing anything malformed as U+FFFD.
#include "demo_args.h"

namespace {

std::u16string fromUtf8(const std::string &bytes) {
    std::u16string out;
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const size_t len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (len == 0 || i + len > bytes.size()) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        char32_t c = len == 1 ? b : b & (0x7F >> len);
        for (size_t k = 1; k < len; ++k) c = (c << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        if (c > 0xFFFF) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += len;
    }
    return out;
}

}  // namespace

std::vector<std::u16string> demoArguments(int argc, char **argv) {
    std::vector<std::u16string> args;
    for (int i = 0; i < argc; ++i) args.push_back(fromUtf8(argv[i]));
    return args;
}
