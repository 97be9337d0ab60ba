// Opening by UTF-16 name on the Windows C runtime: the wide-name functions
// take the units as they are. Descriptors and error texts of the runtime.
#include "platform/platform.h"

#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <wchar.h>

namespace plat {
namespace {

// wchar_t is the 16-bit code unit on Windows.
const wchar_t *wide(const char16_t *s) { return reinterpret_cast<const wchar_t *>(s); }

}  // namespace

int32_t openByName(const char16_t *path, int32_t oflag, int32_t pmode) {
    return _wopen(wide(path), oflag, pmode);
}

FILE *fopenByName(const char16_t *path, const char16_t *mode) { return _wfopen(wide(path), wide(mode)); }

FILE *freopenByName(const char16_t *path, const char16_t *mode, FILE *stream) {
    return _wfreopen(wide(path), wide(mode), stream);
}

bool openTakesMode(int32_t oflag) { return (oflag & _O_CREAT) != 0; }

int32_t streamDescriptor(FILE *stream) { return _fileno(stream); }

const char *errorText(int32_t errnum) { return strerror(errnum); }

}  // namespace plat
