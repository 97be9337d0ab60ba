// Stream input on POSIX: the stdio lock once per reader call, the unlocked
// byte getter inside it, and on glibc a view of the stream's read buffer so
// readers can take whole runs without a call per byte.
#include <cstdio>

#if defined(__GLIBC__)
#include <sys/single_threaded.h>
#endif

#include "platform/platform.h"

namespace plat {

bool lockStream(FILE *stream) {
#if defined(__GLIBC__)
    // glibc's flag: no thread was ever started besides the first.
    if (__libc_single_threaded) return false;
#endif
    flockfile(stream);
    return true;
}

void unlockStream(FILE *stream, bool locked) {
    if (locked) funlockfile(stream);
}

int readByteLocked(FILE *stream) { return getc_unlocked(stream); }

int unreadByte(int byte, FILE *stream) { return ungetc(byte, stream); }

bool streamError(FILE *stream) { return ferror(stream) != 0; }

#if defined(__GLIBC__)
// glibc's read pointers are public fields of its FILE: the bytes from
// _IO_read_ptr to _IO_read_end are what getc_unlocked returns next (also
// after ungetc, which switches the stream to its push-back area).
BufferedBytes bufferedInput(FILE *stream) {
    const char *begin = stream->_IO_read_ptr;
    const char *end = stream->_IO_read_end;
    if (begin == nullptr || end <= begin) return {nullptr, 0};
    return {reinterpret_cast<const unsigned char *>(begin), static_cast<size_t>(end - begin)};
}

void consumeBuffered(FILE *stream, size_t count) { stream->_IO_read_ptr += count; }
#else
BufferedBytes bufferedInput(FILE *) { return {nullptr, 0}; }

void consumeBuffered(FILE *, size_t) {}
#endif

}  // namespace plat
