#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "guard_page.h"

namespace qoru_test {

GuardPage::GuardPage() {
    size_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void *p = mmap(nullptr, 2 * size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) abort();
    base_ = static_cast<char *>(p);
    if (mprotect(base_ + size_, size_, PROT_NONE) != 0) abort();
}

GuardPage::~GuardPage() { munmap(base_, 2 * size_); }

RepeatedText::RepeatedText(size_t count, char16_t unit) : blocks((count * 2 + blockBytes - 1) / blockBytes) {
    void *area = mmap(nullptr, (blocks + 1) * blockBytes, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) return;
    base = static_cast<char *>(area);
    const int block = memfd_create("repeated", 0);
    void *fill = block < 0 || ftruncate(block, blockBytes) != 0
                     ? MAP_FAILED : mmap(nullptr, blockBytes, PROT_WRITE, MAP_SHARED, block, 0);
    if (fill == MAP_FAILED) abort();
    std::fill_n(static_cast<char16_t *>(fill), blockBytes / 2, unit);
    munmap(fill, blockBytes);
    for (size_t i = 0; i < blocks; ++i) {
        if (mmap(base + i * blockBytes, blockBytes, PROT_READ, MAP_SHARED | MAP_FIXED, block, 0) == MAP_FAILED) abort();
    }
    close(block);
    text = reinterpret_cast<const char16_t *>(base);  // the last block's zero pages end it
}

RepeatedText::~RepeatedText() { munmap(base, (blocks + 1) * blockBytes); }

}  // namespace qoru_test
