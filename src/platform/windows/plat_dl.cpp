// Dynamic loading, path queries and orderly exit on Windows.
#include "platform/platform.h"

#include <windows.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

namespace plat {

void *loadLibrary(const char *nameOrPath) {
    // Each byte becomes one code unit of the same value: no code-page
    // conversion, as the binder's names are plain ASCII.
    wchar_t wide[MAX_PATH + 1];
    size_t i = 0;
    for (; nameOrPath[i] != '\0' && i < MAX_PATH; ++i)
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(nameOrPath[i]));
    wide[i] = L'\0';
    return reinterpret_cast<void *>(LoadLibraryW(wide));
}

void *findSymbol(void *library, const char *name) {
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library), name));
}

bool unloadLibrary(void *library) { return FreeLibrary(static_cast<HMODULE>(library)) != 0; }

const LibrarySearch &librarySearch() {
    static constexpr LibrarySearch search = {"PATH", "environment path PATH", "environment path",
                                             "the path described by\n   the environment variable \"PATH\""};
    return search;
}

int32_t lastErrorCode() { return static_cast<int32_t>(GetLastError()); }

char pathSeparator() { return '\\'; }

bool pathExists(const char *path) {
    struct _stat64 st;
    return _stat64(path, &st) == 0;
}

void exitProcess(int32_t status) { exit(status); }

}  // namespace plat
