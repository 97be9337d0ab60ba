// getoptU on arbitrary vectors and option strings against the tests'
// reference parser. The input is the option string and the arguments,
// separated by zero bytes, after one byte that shifts argc and the start.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "getopt_reference.h"
#include "qorucum.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    std::vector<std::u16string> pieces(1);
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0) pieces.emplace_back();
        else pieces.back() += static_cast<char16_t>(data[i] < 0xF0 ? data[i] : 0xFF00 | data[i]);
    }
    const std::u16string opts = pieces[0];
    pieces[0] = u"prog";
    std::vector<charU16 *> argv;
    for (auto &p : pieces) argv.push_back(p.data());
    argv.push_back(nullptr);
    // argc may claim fewer or more arguments than there are before the null.
    const int32_t argc = static_cast<int32_t>(pieces.size()) + (data[0] & 3) - 1;
    // A start at most at the closing null entry: the vector ends there.
    const int32_t start = std::min<int32_t>(1 + ((data[0] >> 2) & 1), static_cast<int32_t>(pieces.size()));
    optindU = start;
    qoru_test::GetoptReference ref{start, 0, optargU, optoptU};
    for (size_t calls = size + 4; calls > 0; --calls) {
        const int32_t expected = ref.next(argc, argv.data(), opts);
        const int32_t got = getoptU(argc, argv.data(), opts.c_str());
        if (got != expected || optindU != ref.index || optargU != ref.optarg || optoptU != ref.optopt)
            __builtin_trap();
        if (got == -1) break;
    }
    return 0;
}
