// Dynamic loading, path queries and orderly exit on POSIX.
#include "platform/platform.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>

namespace plat {
namespace {

// dlopen and dlsym report errors as text only. The binder's reports want a
// number, so a stable stand-in is kept per thread: the Windows codes for a
// missing module (126) and a missing entry point (127), and 6 (invalid
// handle) for a refused unload.
thread_local int32_t tLastError = 0;

constexpr int32_t moduleNotFound = 126;
constexpr int32_t procNotFound = 127;
constexpr int32_t invalidHandle = 6;

}  // namespace

void *loadLibrary(const char *nameOrPath) {
    void *handle = dlopen(nameOrPath, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) tLastError = moduleNotFound;
    return handle;
}

void *findSymbol(void *library, const char *name) {
    void *address = library ? dlsym(library, name) : nullptr;
    if (address == nullptr) tLastError = procNotFound;
    return address;
}

bool unloadLibrary(void *library) {
    if (library != nullptr && dlclose(library) == 0) return true;
    tLastError = invalidHandle;
    return false;
}

const LibrarySearch &librarySearch() {
    static constexpr LibrarySearch search = {
        "LD_LIBRARY_PATH", "LD_LIBRARY_PATH and the loader cache", "LD_LIBRARY_PATH or the loader cache",
        "a directory named by\n   the environment variable \"LD_LIBRARY_PATH\" or in the loader cache (ldconfig)"};
    return search;
}

int32_t lastErrorCode() { return tLastError; }

char pathSeparator() { return '/'; }

bool pathExists(const char *path) {
    struct stat st;
    return stat(path, &st) == 0;
}

void exitProcess(int32_t status) { exit(status); }

}  // namespace plat
