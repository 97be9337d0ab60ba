// getoptU: single-character options over a UTF-16 argument vector, with no
// permutation and no long options.
//
// The position inside a group such as "-abc" is private. It belongs to the
// argument it was taken from: a call continues the group only when
// argv[optindU] is still that argument. When the host has pointed optindU
// elsewhere or passes another vector (setting optindU to 1 to parse it), the
// next call starts afresh at optindU; an index below 1 is taken as 1.
#include "qorucum/getopt.h"

#include "platform/platform.h"
#include "qorucum/stdio.h"

extern "C" {
QORUCUM_API charU16 *optargU = nullptr;
QORUCUM_API int32_t optindU = 1;
QORUCUM_API int32_t opterrU = 0;
QORUCUM_API int32_t optoptU = 0;
}

namespace qoru {
namespace {

constexpr int32_t endOfOptions = -1;

// The option character last examined inside a group, or null between
// arguments, and the argument it lies in.
charU16 *gPosition = nullptr;
const charU16 *gArgument = nullptr;

// The unit after c in optstring, or null when c is not an option.
const charU16 *findOption(const charU16 *optstring, charU16 c) {
    for (const charU16 *p = optstring; *p != 0; ++p)
        if (*p == c) return p + 1;
    return nullptr;
}

void report(const charU16 *format, charU16 *const argv[], const charU16 *optstring, charU16 c) {
    if (opterrU == 0 || optstring[0] == u':') return;
    fprintfU16(plat::standardError(), format, argv[0], static_cast<int>(c));
}

// The argument at index, or null past the end or at a null entry.
charU16 *argumentAt(int32_t argc, charU16 *const argv[], int32_t index) {
    return index < argc ? argv[index] : nullptr;
}

// Forgets the group unless argv[optindU] is still the argument it lies in.
void checkRestart(int32_t argc, charU16 *const argv[]) {
    if (optindU < 1) optindU = 1;
    if (argumentAt(argc, argv, optindU) != gArgument) gPosition = nullptr;
}

int32_t nextOption(int32_t argc, charU16 *const argv[], const charU16 *optstring) {
    checkRestart(argc, argv);
    if (gPosition == nullptr) {
        charU16 *argument = argumentAt(argc, argv, optindU);
        if (argument == nullptr || argument[0] != u'-') return endOfOptions;
        if (argument[1] == u'-' && argument[2] == 0) {
            ++optindU;
            optargU = nullptr;
            return endOfOptions;
        }
        gPosition = argument;
        gArgument = argument;
    }
    const charU16 c = *++gPosition;
    if (c == 0) {
        // A lone "-" is an operand.
        gPosition = nullptr;
        return endOfOptions;
    }
    const bool lastInArgument = gPosition[1] == 0;
    const charU16 *spec = c == u':' ? nullptr : findOption(optstring, c);
    if (spec == nullptr) {
        optoptU = c;
        report(u"%s: illegal option -- %c\n", argv, optstring, c);
        if (lastInArgument) {
            ++optindU;
            gPosition = nullptr;
        }
        return u'?';
    }
    if (*spec == u':') {
        charU16 *rest = gPosition + 1;
        gPosition = nullptr;
        if (!lastInArgument) {
            optargU = rest;
            ++optindU;
            return c;
        }
        if (charU16 *next = argumentAt(argc, argv, optindU + 1); next != nullptr) {
            optargU = next;
            optindU += 2;
            return c;
        }
        // Missing: optindU passes the option alone, so it never points
        // beyond the vector.
        ++optindU;
        optoptU = c;
        report(u"%s: option requires an argument -- %c\n", argv, optstring, c);
        return optstring[0] == u':' ? u':' : u'?';
    }
    optargU = nullptr;
    if (lastInArgument) {
        ++optindU;
        gPosition = nullptr;
    }
    return c;
}

}  // namespace
}  // namespace qoru

extern "C" QORUCUM_API int32_t getoptU(int32_t argc, charU16 *const argv[], const charU16 *optstring) {
    using namespace qoru;
    if (argv == nullptr || optstring == nullptr) return endOfOptions;
    return nextOption(argc, argv, optstring);
}
