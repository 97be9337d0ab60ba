// POSIX: argv holds the bytes the shell passed, UTF-8 on any current system,
// decoded with Utf8sToU2s: once to count, once to convert. An argument that
// is not UTF-8 is reported and stands as U+FFFD.
#include <cstdio>

#include "demo_args.h"
#include "qorucum.h"

std::vector<std::u16string> demoArguments(int argc, char **argv) {
    std::vector<std::u16string> args;
    for (int i = 0; i < argc; ++i) {
        const size_t units = Utf8sToU2s(nullptr, argv[i], 0);
        if (units == static_cast<size_t>(-1)) {
            fprintf(stderr, "argument %d is not UTF-8\n", i);
            args.emplace_back(u"\uFFFD");
            continue;
        }
        std::u16string arg(units, u'\0');  // its array holds the terminator too
        Utf8sToU2s(arg.data(), argv[i], units + 1);
        args.push_back(arg);
    }
    return args;
}
