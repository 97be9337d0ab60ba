// getoptU on arbitrary vectors and option strings against the tests' reference parser. The input is the option string
// and the arguments, separated by zero bytes, after one byte that shifts argc and the start.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "getopt_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    std::vector<std::u16string> pieces(1);
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0) pieces.emplace_back();
        else pieces.back() += static_cast<char16_t>(data[i] < 0xF0 ? data[i] : 0xFF00 | data[i]);
    }
    const std::u16string opts = std::exchange(pieces[0], u"prog");
    const qoru_test::Argv argv(std::move(pieces));
    // argc may claim fewer or more arguments than there are before the null;
    // the start is at most the closing null entry.
    const int32_t start = std::min<int32_t>(1 + ((data[0] >> 2) & 1), argv.argc());
    // Enough calls to reach the end, so that no group is left half read.
    qoru_test::GetoptReference ref{start, 0, optargU, optoptU};
    if (!qoru_test::getoptAgrees(argv.argc() + (data[0] & 3) - 1, argv.pointers.data(), opts, ref, size + 4))
        __builtin_trap();
    return 0;
}
