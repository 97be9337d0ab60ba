// Failing streams on glibc: /dev/full, and fopencookie streams that fail with EIO once their bytes are used up.
#include <cerrno>
#include <cstring>
#include <utility>

#include "failing_stream.h"

namespace qoru_test {

struct FailingStream::State {
    std::string bytes;  // reading: what is left to give
    size_t accepted = 0;  // writing: what is left to take
    FILE **slot = nullptr;
    FILE *saved = nullptr;
};

namespace {

ssize_t failWhenDone(size_t n) { return n != 0 ? static_cast<ssize_t>(n) : (errno = EIO, -1); }

ssize_t readCookie(void *cookie, char *buf, size_t size) {
    std::string &left = static_cast<FailingStream::State *>(cookie)->bytes;
    const size_t n = left.copy(buf, size);
    left.erase(0, n);
    return failWhenDone(n);
}

ssize_t writeCookie(void *cookie, const char *, size_t size) {
    size_t &left = static_cast<FailingStream::State *>(cookie)->accepted;
    const size_t n = std::min(size, left);
    left -= n;
    return failWhenDone(n);
}

void install(FailingStream &f, int standard) {
    f.state->slot = standard == 0 ? &stdin : standard == 1 ? &stdout : standard == 2 ? &stderr : nullptr;
    if (f.state->slot != nullptr && f.stream != nullptr) f.state->saved = std::exchange(*f.state->slot, f.stream);
}

}  // namespace

FailingStream::FailingStream(size_t accepted, int standard) : state(new State) {
    state->accepted = accepted;
    stream = accepted == 0 ? fopen("/dev/full", "w") : fopencookie(state.get(), "w", {nullptr, writeCookie, nullptr, nullptr});
    if (stream != nullptr) setvbuf(stream, nullptr, _IONBF, 0);
    install(*this, standard);
}

FailingStream::FailingStream(const std::string &bytes, int standard) : state(new State) {
    state->bytes = bytes;
    stream = fopencookie(state.get(), "r", {readCookie, nullptr, nullptr, nullptr});
    install(*this, standard);
}

FailingStream::~FailingStream() {
    if (state->saved != nullptr) *state->slot = state->saved;
    if (stream != nullptr) fclose(stream);
}

const char *partialFailureUnseenBy(const std::string &) { return nullptr; }

}  // namespace qoru_test
