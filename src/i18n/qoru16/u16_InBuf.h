// The growing narrow buffer in which the numeric scan fields and the integer
// field readers collect their characters. It starts in an array on the
// caller's stack (64 bytes for the scan fields, 32 for the field readers)
// and moves to the heap, at twice the size, whenever the stored bytes plus 2
// reach the size; so a number of ordinary length never allocates. The heap
// block is freed when the buffer goes out of scope, on every path.
//
// The bookkeeping (where, how many, how large) is kept apart from the bytes
// and never has its address taken, so the compiler holds it in registers:
// a byte store cannot then force it to be reloaded.
#ifndef QORU_U16_INBUF_H
#define QORU_U16_INBUF_H

#include <cstdint>

namespace qoru {

inline constexpr int32_t numberLocalBytes = 64;
inline constexpr int32_t digitLocalBytes = 32;

struct NumberBlock {
    char *data;  // null when no larger block could be had
    int32_t size;
};

// A block of twice size holding the count bytes of data; frees data unless it
// is local. On failure data is kept, the result's data is null and errno is
// ENOMEM.
NumberBlock growNumberBlock(char *local, char *data, int32_t count, int32_t size);

// Frees data unless it is local.
void releaseNumberBlock(char *local, char *data);

class NumberBuffer {
public:
    template <int32_t LocalBytes>
    explicit NumberBuffer(char (&local)[LocalBytes]) : local_(local), data_(local), size_(LocalBytes) {}
    NumberBuffer(const NumberBuffer &) = delete;
    NumberBuffer &operator=(const NumberBuffer &) = delete;
    ~NumberBuffer() { releaseNumberBlock(local_, data_); }

    // Appends one byte; false, with errno ENOMEM, when the buffer could not
    // grow (the byte is then not stored).
    bool push(char byte) {
        if (count_ + 2 >= size_) {
            const NumberBlock block = growNumberBlock(local_, data_, count_, size_);
            if (block.data == nullptr) return false;
            data_ = block.data;
            size_ = block.size;
        }
        data_[count_++] = byte;
        return true;
    }
    int32_t count() const { return count_; }
    // The bytes with a terminator after them.
    char *terminated() {
        data_[count_] = '\0';
        return data_;
    }

private:
    char *local_;
    char *data_;
    int32_t size_;
    int32_t count_ = 0;
};

}  // namespace qoru

#endif
