#include <windows.h>

#include <cstdlib>

#include "guard_page.h"

namespace qoru_test {

GuardPage::GuardPage() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    size_ = info.dwPageSize;
    void *p = VirtualAlloc(nullptr, 2 * size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (p == nullptr) abort();
    base_ = static_cast<char *>(p);
    DWORD old = 0;
    if (!VirtualProtect(base_ + size_, size_, PAGE_NOACCESS, &old)) abort();
}

GuardPage::~GuardPage() { VirtualFree(base_, 0, MEM_RELEASE); }

}  // namespace qoru_test
