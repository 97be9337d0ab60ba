// Windows: the command line as the system keeps it, in UTF-16, split by the
// shell's rules; argv (in the ANSI code page) would lose what it cannot show.
#include <windows.h>
#include <shellapi.h>

#include "demo_args.h"

std::vector<std::u16string> demoArguments(int, char **) {
    std::vector<std::u16string> args;
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; wide != nullptr && i < count; ++i)
        args.emplace_back(reinterpret_cast<const char16_t *>(wide[i]));
    LocalFree(wide);
    return args;
}
