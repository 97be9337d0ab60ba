#include <sys/mman.h>
#include <unistd.h>

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

}  // namespace qoru_test
