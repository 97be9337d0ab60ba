// Failing streams on glibc: /dev/full, and fopencookie streams whose reads
// or writes fail with EIO once their bytes are used up.
#include <cerrno>
#include <cstring>

#include "failing_stream.h"

namespace qoru_test {

struct FailingStream::State {
    std::string bytes;
    size_t used = 0;
    size_t accepted = 0;
    FILE **slot = nullptr;
    FILE *saved = nullptr;
};

namespace {

ssize_t readCookie(void *cookie, char *buf, size_t size) {
    auto *s = static_cast<FailingStream::State *>(cookie);
    if (s->used == s->bytes.size()) {
        errno = EIO;
        return -1;
    }
    const size_t n = std::min(size, s->bytes.size() - s->used);
    memcpy(buf, s->bytes.data() + s->used, n);
    s->used += n;
    return static_cast<ssize_t>(n);
}

ssize_t writeCookie(void *cookie, const char *, size_t size) {
    auto *s = static_cast<FailingStream::State *>(cookie);
    if (s->accepted == 0) {
        errno = EIO;
        return -1;
    }
    const size_t n = std::min(size, s->accepted);
    s->accepted -= n;
    return static_cast<ssize_t>(n);
}

FILE **standardSlot(int standard) {
    return standard == 0 ? &stdin : standard == 1 ? &stdout : standard == 2 ? &stderr : nullptr;
}

void install(FailingStream &f, int standard) {
    f.state->slot = standardSlot(standard);
    if (f.state->slot == nullptr || f.stream == nullptr) return;
    f.state->saved = *f.state->slot;
    *f.state->slot = f.stream;
}

}  // namespace

FailingStream::FailingStream(size_t accepted, int standard) : state(new State) {
    state->accepted = accepted;
    stream = accepted == 0 ? fopen("/dev/full", "w")
                           : fopencookie(state.get(), "w", cookie_io_functions_t{nullptr, writeCookie, nullptr, nullptr});
    if (stream != nullptr) setvbuf(stream, nullptr, _IONBF, 0);
    install(*this, standard);
}

FailingStream::FailingStream(const std::string &bytes, int standard) : state(new State) {
    state->bytes = bytes;
    stream = fopencookie(state.get(), "r", cookie_io_functions_t{readCookie, nullptr, nullptr, nullptr});
    install(*this, standard);
}

FailingStream::~FailingStream() {
    if (state->saved != nullptr) *state->slot = state->saved;
    if (stream != nullptr) fclose(stream);
}

const char *partialFailureUnseenBy(const std::string &) { return nullptr; }

}  // namespace qoru_test
