#include <sys/mman.h>

#include <cstdio>

#include "huge_string.h"

namespace qoru_test {

// A reserved range; every block but the last maps the first block of a temporary file, the last its second.
HugeString::HugeString(size_t length) {
    const size_t range = ((length + 1) * sizeof(char16_t) + block - 1) / block * block;
    std::u16string blocks(2 * block / sizeof(char16_t), u'a');
    blocks[block / sizeof(char16_t) + length - (range - block) / sizeof(char16_t)] = 0;
    void *base = mmap(nullptr, range, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    FILE *file = tmpfile();
    bool mapped = base != MAP_FAILED && file != nullptr &&
                  fwrite(blocks.data(), sizeof(char16_t), blocks.size(), file) == blocks.size() && fflush(file) == 0;
    for (size_t off = 0; mapped && off < range; off += block) {
        const off_t from = off + block < range ? 0 : static_cast<off_t>(block);
        mapped = mmap(static_cast<char *>(base) + off, block, PROT_READ, MAP_SHARED | MAP_FIXED, fileno(file), from) != MAP_FAILED;
    }
    if (file != nullptr) fclose(file);  // the mappings keep the file
    if (!mapped) {
        if (base != MAP_FAILED) munmap(base, range);
        unavailable = "no room for " + std::to_string(range >> 20) + " MiB of address space, a temporary file or its mappings";
        return;
    }
    units = static_cast<const char16_t *>(base);
    bytes = range;
}

HugeString::~HugeString() {
    if (units != nullptr) munmap(const_cast<char16_t *>(units), bytes);
}

}  // namespace qoru_test
