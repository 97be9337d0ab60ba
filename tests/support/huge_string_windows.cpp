#include <windows.h>

#include "huge_string.h"

namespace qoru_test {

// A free range is found by reserving it, then every block but the last maps a view of the same section
// of 'a' units there; the last block is a second section holding the terminator.
HugeString::HugeString(size_t length) {
    constexpr size_t block = size_t{1} << 20;
    const size_t total = ((length + 1) * sizeof(char16_t) + block - 1) / block * block;
    char *const at = static_cast<char *>(VirtualAlloc(nullptr, total, MEM_RESERVE, PAGE_NOACCESS));
    HANDLE as = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, block, nullptr);
    HANDLE tail = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, block, nullptr);
    char16_t *fill = as ? static_cast<char16_t *>(MapViewOfFile(as, FILE_MAP_WRITE, 0, 0, block)) : nullptr;
    char16_t *end = tail ? static_cast<char16_t *>(MapViewOfFile(tail, FILE_MAP_WRITE, 0, 0, block)) : nullptr;
    bool mapped = at != nullptr && fill != nullptr && end != nullptr && VirtualFree(at, 0, MEM_RELEASE);
    if (mapped) {
        std::char_traits<char16_t>::assign(fill, block / sizeof(char16_t), u'a');
        const size_t terminator = length - (total - block) / sizeof(char16_t);
        std::char_traits<char16_t>::assign(end, terminator, u'a');
        end[terminator] = 0;
    }
    size_t off = 0;
    for (; mapped && off < total; off += block)
        mapped = MapViewOfFileEx(off + block < total ? as : tail, FILE_MAP_READ, 0, 0, block, at + off) != nullptr;
    for (; !mapped && off != 0; off -= block) UnmapViewOfFile(at + off - block);
    if (fill) UnmapViewOfFile(fill);
    if (end) UnmapViewOfFile(end);
    if (as) CloseHandle(as);  // the views keep the sections
    if (tail) CloseHandle(tail);
    if (!mapped) {
        unavailable = "no free range of " + std::to_string(total >> 20) + " MiB for views of one section";
        return;
    }
    units = reinterpret_cast<const char16_t *>(at);
    bytes = total;
}

HugeString::~HugeString() {
    for (size_t off = 0; off < bytes; off += size_t{1} << 20) UnmapViewOfFile(units + off / sizeof(char16_t));
}

}  // namespace qoru_test
