// Streams that fail, for the failure tests: writes refused from the first
// byte or after some bytes, reads that fail after the bytes they were given.
#ifndef QORU_TEST_FAILING_STREAM_H
#define QORU_TEST_FAILING_STREAM_H

#include <cstdio>
#include <memory>
#include <string>

namespace qoru_test {

struct FailingStream {
    static constexpr int ownStream = -1;
    // For writing: takes accepted bytes, then refuses every write (0: a full
    // device), unbuffered so that each write reaches it.
    explicit FailingStream(size_t accepted, int standard = ownStream);
    // For reading: gives bytes, then every read fails with EIO.
    explicit FailingStream(const std::string &bytes, int standard = ownStream);
    ~FailingStream();
    FailingStream(const FailingStream &) = delete;
    FailingStream &operator=(const FailingStream &) = delete;

    // With standard 0, 1 or 2 the process's standard input, output or error
    // is the failing stream while this lives (Windows: for good, so in a
    // child only). Null where the platform has no such stream, and why in
    // unavailable.
    FILE *stream = nullptr;
    std::string unavailable;
    struct State;
    std::unique_ptr<State> state;
};

// Why a writer cannot see that a stream took some bytes and then failed;
// null where it can.
const char *partialFailureUnseenBy(const std::string &writer);

}  // namespace qoru_test

#endif
