// Failing streams on the Windows C runtime: the null device opened for reading only refuses every
// write, and leaves no file behind (a file under a standard stream stays open, so cannot be removed);
// a stream that takes some bytes and then fails is made through the library's block write, which only
// the run writer uses. No stream of this runtime gives bytes and then fails a read.
#include <cerrno>

#include "failing_stream.h"
#include "i18n/qoru16/u16_put.h"

namespace qoru_test {

struct FailingStream::State {};

namespace {

size_t gBudget = 0;

size_t budgetedWrite(const void *bytes, size_t count, FILE *stream) {
    const size_t n = count < gBudget ? count : gBudget;
    gBudget -= n;
    if (n < count) errno = ENOSPC;
    return n == 0 ? 0 : fwrite(bytes, 1, n, stream);
}

}  // namespace

FailingStream::FailingStream(size_t accepted, int standard) : state(new State) {
    FILE *target = standard == 1 ? stdout : standard == 2 ? stderr : nullptr;
    if (accepted == 0) {
        stream = target == nullptr ? fopen("NUL", "rb") : freopen("NUL", "rb", target);
        return;
    }
    gBudget = accepted;
    qoru::gBlockWrite = budgetedWrite;
    stream = target != nullptr ? target : fopen("NUL", "wb");
    if (stream != nullptr) setvbuf(stream, nullptr, _IONBF, 0);
}

FailingStream::FailingStream(const std::string &, int) : state(new State) {
    unavailable = "the Windows C runtime has no stream that gives some bytes and then fails a read";
}

FailingStream::~FailingStream() {
    qoru::gBlockWrite = qoru::writeBlock;
    if (stream != nullptr && stream != stdout && stream != stderr) fclose(stream);
}

const char *partialFailureUnseenBy(const std::string &writer) {
    if (writer == "fputcU16") return "putc bypasses the block write through which the partial failure is made";
    if (writer == "perrorU16") return "it has no result, and the block write leaves the stream's error indicator clear";
    return nullptr;
}

}  // namespace qoru_test
