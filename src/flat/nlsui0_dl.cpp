// Loader primitives of the ICU binder and the path builder, each with its
// reports on the initialization trace.
#include <cstring>

#include "flat/nlsui0.h"
#include "flat/nlsui0_trace.h"

namespace qoru {

void *nlsui_dlopen(const char *name) {
    if (pathLength(name) + 1 > maxPathLn) {
        initTrace(1, "Length of libname %s exceeds MAX_PATH_LN %u. nlsui_dlopen failed.", name,
                  static_cast<unsigned>(maxPathLn));
        return nullptr;
    }
    void *handle = plat::loadLibrary(name);
    if (handle != nullptr) {
        initTrace(16, "Library handle for %s: %p", name, handle);
    } else {
        const int32_t error = plat::lastErrorCode();
        initTrace(16, "Could not open %s shared library %s", "ICU", name);
        initTrace(16, "Error number: %d", error);
    }
    return handle;
}

void *nlsui_dlsym(void *library, const char *name) {
    void *address = plat::findSymbol(library, name);
    if (address != nullptr)
        initTrace(16, "Function pointer for %s: %p", name, address);
    else
        initTrace(4, "GetProcAddress %s failed with error: %d", name, plat::lastErrorCode());
    return address;
}

void nlsui_dlclose(void *library) {
    if (plat::unloadLibrary(library)) return;
    const int32_t error = plat::lastErrorCode();
    initTrace(16, "Could not close shared library handle %p", library);
    initTrace(16, "Error number: %d", error);
}

void joinPath(const char *directory, const char *file, char *out) {
    // The output may be the directory's own buffer: work from a copy.
    char dir[maxPathLn];
    if (pathCopy(dir, directory, sizeof dir) != 0) {
        // Too long to copy: report it with the caller's text and give up.
        initTrace(1, "Path %s%c%s exceeds MAX_PATH_LN", directory, plat::pathSeparator(), file);
        out[0] = '\0';
        return;
    }
    out[0] = '\0';
    const size_t dirLength = pathLength(dir);
    if (dirLength + pathLength(file) + 2 > maxPathLn) {
        initTrace(1, "Path %s%c%s exceeds MAX_PATH_LN", dir, plat::pathSeparator(), file);
        return;
    }
    pathCopy(out, dir, maxPathLn);
    if (dirLength != 0 && dir[dirLength - 1] != plat::pathSeparator()) {
        const char separator[2] = {plat::pathSeparator(), '\0'};
        pathAppend(out, separator);
    }
    pathAppend(out, file);
}

}  // namespace qoru
