#include <windows.h>

#include "huge_string.h"

namespace qoru_test {

// A free range found by reserving it; every block but the last maps a view of the first block of one
// section, the last a view of its second.
HugeString::HugeString(size_t length) {
    const size_t range = ((length + 1) * sizeof(char16_t) + block - 1) / block * block;
    HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 2 * block, nullptr);
    auto *fill = static_cast<char16_t *>(section ? MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 2 * block) : nullptr);
    if (fill != nullptr) {
        std::char_traits<char16_t>::assign(fill, 2 * block / sizeof(char16_t), u'a');
        fill[block / sizeof(char16_t) + length - (range - block) / sizeof(char16_t)] = 0;
        UnmapViewOfFile(fill);
    }
    char *const at = static_cast<char *>(VirtualAlloc(nullptr, range, MEM_RESERVE, PAGE_NOACCESS));
    bool mapped = at != nullptr && VirtualFree(at, 0, MEM_RELEASE) && fill != nullptr;
    size_t off = 0;
    for (; mapped && off < range; off += block) {
        const DWORD from = off + block < range ? 0 : static_cast<DWORD>(block);
        mapped = MapViewOfFileEx(section, FILE_MAP_READ, 0, from, block, at + off) != nullptr;
    }
    for (; !mapped && off != 0; off -= block) UnmapViewOfFile(at + off - block);
    if (section != nullptr) CloseHandle(section);  // the views keep it
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
