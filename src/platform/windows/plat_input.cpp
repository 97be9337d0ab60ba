// Stream input on the Windows C runtime: _lock_file once per reader call and
// _getc_nolock inside it. The stream buffer is not shown to the readers: the
// runtime's FILE layout is private to it (opaque in the Universal C Runtime).
#include <cstdio>

#include "platform/platform.h"

namespace plat {

bool lockStream(FILE *stream) {
    _lock_file(stream);
    return true;
}

void unlockStream(FILE *stream, bool locked) {
    if (locked) _unlock_file(stream);
}

int readByteLocked(FILE *stream) { return _getc_nolock(stream); }

int unreadByte(int byte, FILE *stream) { return ungetc(byte, stream); }

bool streamError(FILE *stream) { return ferror(stream) != 0; }

BufferedBytes bufferedInput(FILE *) { return {nullptr, 0}; }

void consumeBuffered(FILE *, size_t) {}

}  // namespace plat
