// Streams that fail: writes refused from the first byte or after some bytes, reads that fail (EIO)
// after the bytes they were given. With standard 0, 1 or 2 the process's standard input, output or
// error is that stream while this lives (on Windows for good: in a child only). stream is null where
// the platform has no such stream, with the reason in unavailable.
#ifndef QORU_TEST_FAILING_STREAM_H
#define QORU_TEST_FAILING_STREAM_H

#include <cstdio>
#include <memory>
#include <string>

namespace qoru_test {

struct FailingStream {
    static constexpr int ownStream = -1;
    // Writing, unbuffered: takes accepted bytes, then refuses every write (0: a full device).
    explicit FailingStream(size_t accepted, int standard = ownStream);
    explicit FailingStream(const std::string &bytes, int standard = ownStream);  // reading
    ~FailingStream();
    FILE *stream = nullptr;
    std::string unavailable;
    struct State;
    std::unique_ptr<State> state;
};

// Why a writer cannot see that a stream took some bytes and then failed; null where it can.
const char *partialFailureUnseenBy(const std::string &writer);

}  // namespace qoru_test

#endif
