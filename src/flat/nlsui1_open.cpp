// openU16, fopenU16, freopenU16: opening by UTF-16 names through the
// platform, with the file-open trace at level "high" after each success.
#include <cerrno>
#include <cstdarg>

#include "flat/nlsui1_narrow.h"
#include "i18n/qoru16/u16_aux.h"
#include "platform/platform.h"
#include "qorucum/stdio.h"

namespace qoru {
namespace {

constexpr size_t shownNameUnits = 80;

// One line naming the operation, the file (its last 80 units, each narrowed
// to its low byte, up to the first that narrows to 0) and the descriptor.
void traceFileOpened(const char *operation, const charU16 *path, int32_t descriptor, int32_t line) {
    if (traceLevel() < traceHigh) return;
    size_t length = 0;
    while (path[length] != 0) ++length;
    const char *prefix = "";
    const charU16 *shown = path;
    if (length > shownNameUnits) {
        prefix = "...";
        shown = path + (length - shownNameUnits);
    }
    char name[shownNameUnits + 1];
    size_t n = 0;
    for (; shown[n] != 0 && (shown[n] & 0xFF) != 0; ++n) name[n] = static_cast<char>(shown[n] & 0xFF);
    name[n] = '\0';
    char text[160];
    narrowSnprintf(text, sizeof text, "%.10s \"%s%s\" (fileno 0x%x)", operation, prefix, name,
                   static_cast<unsigned>(descriptor));
    traceMessageU16(text, __FILE__, line, true);
}

}  // namespace
}  // namespace qoru

extern "C" QORUCUM_API int32_t openU16(const charU16 *path, int32_t oflag, ...) {
    int32_t pmode = 0;
    if (plat::openTakesMode(oflag)) {
        va_list args;
        va_start(args, oflag);
        pmode = va_arg(args, int);
        va_end(args);
    }
    if (path == nullptr) {
        errno = EINVAL;
        return -1;
    }
    const int32_t fd = plat::openByName(path, oflag, pmode);
    if (fd >= 0) qoru::traceFileOpened("openU16", path, fd, __LINE__);
    return fd;
}

extern "C" QORUCUM_API FILE *fopenU16(const charU16 *path, const charU16 *mode) {
    if (path == nullptr || mode == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    FILE *stream = plat::fopenByName(path, mode);
    if (stream != nullptr) qoru::traceFileOpened("fopenU16", path, plat::streamDescriptor(stream), __LINE__);
    return stream;
}

extern "C" QORUCUM_API FILE *freopenU16(const charU16 *path, const charU16 *mode, FILE *stream) {
    if (stream == nullptr) {
        errno = EBADF;
        return nullptr;
    }
    if (path == nullptr || mode == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    FILE *reopened = plat::freopenByName(path, mode, stream);
    if (reopened != nullptr)
        qoru::traceFileOpened("freopenU16", path, plat::streamDescriptor(reopened), __LINE__);
    return reopened;
}
