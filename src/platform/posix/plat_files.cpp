// Opening by UTF-16 name on POSIX: the name becomes UTF-8 (a surrogate pair
// one four-byte sequence) in a stack buffer of the system's path size, then
// open, fopen and freopen take it. Descriptors and error texts of the C
// library.
#include "platform/platform.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>

namespace plat {
namespace {

constexpr size_t modeCapacity = 64;

bool isHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Converts name into buf; false with errno EILSEQ (unpaired surrogate) or
// ENAMETOOLONG (no room for the bytes and the terminator).
bool nameToUtf8(const char16_t *name, char *buf, size_t capacity) {
    size_t n = 0;
    for (const char16_t *p = name;; ++p) {
        const char16_t u = *p;
        if (u == 0) break;
        uint8_t bytes[4];
        size_t len;
        if (u < 0x80) {
            bytes[0] = static_cast<uint8_t>(u);
            len = 1;
        } else if (u < 0x800) {
            bytes[0] = static_cast<uint8_t>(0xC0 | (u >> 6));
            bytes[1] = static_cast<uint8_t>(0x80 | (u & 0x3F));
            len = 2;
        } else if (!isHigh(u) && !isLow(u)) {
            bytes[0] = static_cast<uint8_t>(0xE0 | (u >> 12));
            bytes[1] = static_cast<uint8_t>(0x80 | ((u >> 6) & 0x3F));
            bytes[2] = static_cast<uint8_t>(0x80 | (u & 0x3F));
            len = 3;
        } else if (isHigh(u) && isLow(p[1])) {
            const char32_t cp = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (p[1] - 0xDC00);
            bytes[0] = static_cast<uint8_t>(0xF0 | (cp >> 18));
            bytes[1] = static_cast<uint8_t>(0x80 | ((cp >> 12) & 0x3F));
            bytes[2] = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
            bytes[3] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
            len = 4;
            ++p;
        } else {
            errno = EILSEQ;
            return false;
        }
        if (n + len >= capacity) {
            errno = ENAMETOOLONG;
            return false;
        }
        memcpy(buf + n, bytes, len);
        n += len;
    }
    buf[n] = '\0';
    return true;
}

// Open modes are ASCII ("r+b", "w,ccs=UTF-8"); anything else is EINVAL.
bool modeToNarrow(const char16_t *mode, char (&buf)[modeCapacity]) {
    size_t n = 0;
    for (; mode[n] != 0; ++n) {
        if (mode[n] >= 0x80 || n + 1 >= modeCapacity) {
            errno = EINVAL;
            return false;
        }
        buf[n] = static_cast<char>(mode[n]);
    }
    buf[n] = '\0';
    return true;
}

}  // namespace

int32_t openByName(const char16_t *path, int32_t oflag, int32_t pmode) {
    char name[PATH_MAX];
    if (!nameToUtf8(path, name, sizeof name)) return -1;
    return open(name, oflag, static_cast<mode_t>(pmode));
}

FILE *fopenByName(const char16_t *path, const char16_t *mode) {
    char name[PATH_MAX];
    char narrowMode[modeCapacity];
    if (!nameToUtf8(path, name, sizeof name) || !modeToNarrow(mode, narrowMode)) return nullptr;
    return fopen(name, narrowMode);
}

FILE *freopenByName(const char16_t *path, const char16_t *mode, FILE *stream) {
    char name[PATH_MAX];
    char narrowMode[modeCapacity];
    if (!nameToUtf8(path, name, sizeof name) || !modeToNarrow(mode, narrowMode)) {
        // freopen closes the stream whatever becomes of the new opening;
        // callers rely on that, so a name that cannot be opened does too.
        const int failure = errno;
        fclose(stream);
        errno = failure;
        return nullptr;
    }
    return freopen(name, narrowMode, stream);
}

bool openTakesMode(int32_t oflag) {
    if ((oflag & O_CREAT) != 0) return true;
#ifdef O_TMPFILE
    if ((oflag & O_TMPFILE) == O_TMPFILE) return true;
#endif
    return false;
}

int32_t streamDescriptor(FILE *stream) { return fileno(stream); }

const char *errorText(int32_t errnum) { return strerror(errnum); }

}  // namespace plat
