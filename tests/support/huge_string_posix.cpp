#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>

#include "huge_string.h"

namespace qoru_test {

// The range is reserved, then every block but the last maps the same shared block of a temporary file;
// the last is private memory holding the terminator.
HugeString::HugeString(size_t length) {
    constexpr size_t block = size_t{1} << 20;
    bytes = ((length + 1) * sizeof(char16_t) + block - 1) / block * block;
    void *base = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED) {
        unavailable = "no room for " + std::to_string(bytes >> 20) + " MiB of address space";
        bytes = 0;
        return;
    }
    char *const at = static_cast<char *>(base);
    const std::u16string as(block / sizeof(char16_t), u'a');
    FILE *file = tmpfile();
    bool mapped = file != nullptr && fwrite(as.data(), 1, block, file) == block && fflush(file) == 0;
    for (size_t off = 0; mapped && off + block < bytes; off += block)
        mapped = mmap(at + off, block, PROT_READ, MAP_SHARED | MAP_FIXED, fileno(file), 0) != MAP_FAILED;
    if (file != nullptr) fclose(file);  // the mappings keep the file
    char *const last = at + bytes - block;
    mapped = mapped && mmap(last, block, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED;
    if (!mapped) {
        unavailable = "the system refused a temporary file or one of " + std::to_string(bytes / block) + " mappings";
        munmap(base, bytes);
        bytes = 0;
        return;
    }
    char16_t *tail = reinterpret_cast<char16_t *>(last);
    const size_t terminator = length - static_cast<size_t>(last - at) / sizeof(char16_t);
    std::char_traits<char16_t>::assign(tail, terminator, u'a');
    tail[terminator] = 0;
    units = reinterpret_cast<const char16_t *>(at);
}

HugeString::~HugeString() {
    if (bytes != 0) munmap(const_cast<char16_t *>(units), bytes);
}

}  // namespace qoru_test
