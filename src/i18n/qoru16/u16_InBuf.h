// The growing narrow buffer in which the numeric scan fields collect their
// characters. It starts in 64 bytes of its own and moves to the heap, at
// twice the size, whenever the stored bytes plus 2 reach the size; so a
// number of ordinary length never allocates. The heap block is freed when the
// buffer goes out of scope, on every path.
#ifndef QORU_U16_INBUF_H
#define QORU_U16_INBUF_H

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace qoru {

class NumberBuffer {
public:
    NumberBuffer() { local_[0] = '\0'; }
    NumberBuffer(const NumberBuffer &) = delete;
    NumberBuffer &operator=(const NumberBuffer &) = delete;
    ~NumberBuffer() {
        if (data_ != local_) free(data_);
    }

    // Appends one byte and keeps the text terminated; false when the buffer
    // could not grow (the byte is then not stored).
    bool push(char byte) {
        if (count_ + 2 >= size_ && !grow()) return false;
        data_[count_++] = byte;
        data_[count_] = '\0';
        return true;
    }
    int32_t count() const { return count_; }
    const char *text() const { return data_; }
    char *text() { return data_; }

private:
    static constexpr int32_t initialSize = 64;

    bool grow() {
        if (size_ > INT32_MAX / 2) return false;
        const int32_t larger = size_ * 2;
        char *block = static_cast<char *>(malloc(static_cast<size_t>(larger)));
        if (block == nullptr) return false;
        memcpy(block, data_, static_cast<size_t>(count_) + 1);
        if (data_ != local_) free(data_);
        data_ = block;
        size_ = larger;
        return true;
    }

    char local_[initialSize];
    char *data_ = local_;
    int32_t size_ = initialSize;
    int32_t count_ = 0;
};

}  // namespace qoru

#endif
