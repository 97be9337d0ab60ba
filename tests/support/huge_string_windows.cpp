#include <windows.h>

#include "huge_string.h"

namespace qoru_test {

// A free range found by reserving it; every block but the last maps a view of one section of 'a' units,
// the last a view of a second section that holds the terminator.
HugeString::HugeString(size_t length) {
    const size_t range = ((length + 1) * sizeof(char16_t) + block - 1) / block * block;
    HANDLE sections[2] = {};
    for (size_t i = 0; i < 2; ++i) {  // 'a' units; in the last block, up to the terminator
        const size_t units = i == 0 ? block / sizeof(char16_t) : length - (range - block) / sizeof(char16_t);
        sections[i] = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, block, nullptr);
        auto *fill = static_cast<char16_t *>(sections[i] ? MapViewOfFile(sections[i], FILE_MAP_WRITE, 0, 0, block) : nullptr);
        if (fill == nullptr) continue;
        std::char_traits<char16_t>::assign(fill, units, u'a');
        if (i == 1) fill[units] = 0;
        UnmapViewOfFile(fill);
    }
    char *const at = static_cast<char *>(VirtualAlloc(nullptr, range, MEM_RESERVE, PAGE_NOACCESS));
    bool mapped = sections[0] && sections[1] && at != nullptr && VirtualFree(at, 0, MEM_RELEASE);
    size_t off = 0;
    for (; mapped && off < range; off += block)
        mapped = MapViewOfFileEx(sections[off + block == range], FILE_MAP_READ, 0, 0, block, at + off) != nullptr;
    for (; !mapped && off != 0; off -= block) UnmapViewOfFile(at + off - block);
    for (HANDLE h : sections) CloseHandle(h);  // the views keep the sections
    if (!mapped) {
        unavailable = "no free range of " + std::to_string(range >> 20) + " MiB for views of one section";
        return;
    }
    units = reinterpret_cast<const char16_t *>(at);
    bytes = range;
}

HugeString::~HugeString() {
    for (size_t off = 0; units != nullptr && off < bytes; off += block) UnmapViewOfFile(units + off / sizeof(char16_t));
}

}  // namespace qoru_test
