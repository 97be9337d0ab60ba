#include <sys/mman.h>

#include <cstdio>

#include "huge_string.h"

namespace qoru_test {

// A reserved range; every block but the last maps the same block of a temporary file, the last is private.
HugeString::HugeString(size_t length) {
    const size_t range = ((length + 1) * sizeof(char16_t) + block - 1) / block * block;
    void *base = mmap(nullptr, range, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED) {
        unavailable = "no room for " + std::to_string(range >> 20) + " MiB of address space";
        return;
    }
    char *const at = static_cast<char *>(base), *const last = at + range - block;
    const std::u16string as(block / sizeof(char16_t), u'a');
    FILE *file = tmpfile();
    bool mapped = file != nullptr && fwrite(as.data(), 1, block, file) == block && fflush(file) == 0;
    for (char *p = at; mapped && p != last; p += block)
        mapped = mmap(p, block, PROT_READ, MAP_SHARED | MAP_FIXED, fileno(file), 0) != MAP_FAILED;
    if (file != nullptr) fclose(file);  // the mappings keep the file
    if (!mapped || mmap(last, block, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED) {
        unavailable = "the system refused a temporary file or one of " + std::to_string(range / block) + " mappings";
        munmap(base, range);
        return;
    }
    const size_t end = length - static_cast<size_t>(last - at) / sizeof(char16_t);
    std::char_traits<char16_t>::assign(reinterpret_cast<char16_t *>(last), end, u'a');
    reinterpret_cast<char16_t *>(last)[end] = 0;
    units = reinterpret_cast<const char16_t *>(at);
    bytes = range;
}

HugeString::~HugeString() {
    if (units != nullptr) munmap(const_cast<char16_t *>(units), bytes);
}

}  // namespace qoru_test
