// The one writer that turns runs of UTF-16 code units into UTF-8 on C runtime
// streams. Every stream output of the library goes through it.
#ifndef QORU_U16_PUT_H
#define QORU_U16_PUT_H

#include <cstdio>

#include "platform/platform.h"
#include "qorucum/base.h"

namespace qoru {

// Writes size x count units to stream as UTF-8 in blocks of at most 510
// bytes; pairs within the run become one four-byte sequence, any other
// surrogate '#'. Returns the whole elements of size units written, or all ones
// when failOnEmptyWrite is set and a block write wrote nothing. bytesWritten,
// when given, receives the bytes the C runtime reported written.
size_t fwriteUtf8U16(const charU16 *units, size_t size, size_t count, FILE *stream, size_t *bytesWritten,
                     bool failOnEmptyWrite);

// The one block write of fwriteUtf8U16: the C runtime's fwrite with element
// size 1. Tests replace it to watch the blocks and to refuse bytes.
using BlockWrite = size_t (*)(const void *bytes, size_t count, FILE *stream);
extern BlockWrite gBlockWrite;
size_t writeBlock(const void *bytes, size_t count, FILE *stream);

// Holds a stream's lock for the scope of one output call, so that the call's
// bytes go out together even when other threads write to the same stream
// (the lock is recursive: the C runtime's writes inside take it again).
class StreamLock {
public:
    explicit StreamLock(FILE *stream) : stream_(stream), locked_(plat::lockStream(stream)) {}
    ~StreamLock() { plat::unlockStream(stream_, locked_); }
    StreamLock(const StreamLock &) = delete;
    StreamLock &operator=(const StreamLock &) = delete;

private:
    FILE *stream_;
    bool locked_;
};

}  // namespace qoru

#endif
