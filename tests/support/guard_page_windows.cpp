#include <windows.h>

#include <algorithm>
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

// The views go to a stretch found free just before (nothing else maps there in between in a test).
RepeatedText::RepeatedText(size_t count, char16_t unit) : blocks((count * 2 + blockBytes - 1) / blockBytes) {
    base = static_cast<char *>(VirtualAlloc(nullptr, (blocks + 1) * blockBytes, MEM_RESERVE, PAGE_NOACCESS));
    if (base == nullptr) return;
    VirtualFree(base, 0, MEM_RELEASE);
    HANDLE block = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, blockBytes, nullptr);
    void *fill = block != nullptr ? MapViewOfFile(block, FILE_MAP_WRITE, 0, 0, blockBytes) : nullptr;
    if (fill == nullptr) abort();
    std::fill_n(static_cast<char16_t *>(fill), blockBytes / 2, unit);
    UnmapViewOfFile(fill);
    for (size_t i = 0; i < blocks; ++i) {
        if (MapViewOfFileEx(block, FILE_MAP_READ, 0, 0, blockBytes, base + i * blockBytes) == nullptr) abort();
    }
    CloseHandle(block);  // the views keep the section
    if (!VirtualAlloc(base + blocks * blockBytes, blockBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READONLY)) abort();
    text = reinterpret_cast<const char16_t *>(base);
}

RepeatedText::~RepeatedText() {
    for (size_t i = 0; base != nullptr && i < blocks; ++i) UnmapViewOfFile(base + i * blockBytes);
    VirtualFree(base + blocks * blockBytes, 0, MEM_RELEASE);
}

}  // namespace qoru_test
