// A readable, writable page followed by one that cannot be touched, so that a test can place data ending
// right before the unreadable page: any read past the end faults.
#ifndef QORU_TEST_GUARD_PAGE_H
#define QORU_TEST_GUARD_PAGE_H

#include <cstddef>

namespace qoru_test {

class GuardPage {
public:
    GuardPage();
    ~GuardPage();
    GuardPage(const GuardPage &) = delete;
    GuardPage &operator=(const GuardPage &) = delete;

    // Bytes of the readable page.
    size_t size() const { return size_; }
    // Room for count elements of T that end exactly at the unreadable page.
    template <class T>
    T *tail(size_t count) const {
        return reinterpret_cast<T *>(base_ + size_) - count;
    }

private:
    char *base_ = nullptr;
    size_t size_ = 0;
};

}  // namespace qoru_test

#endif
