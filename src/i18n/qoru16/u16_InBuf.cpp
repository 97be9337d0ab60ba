// Growth and release of the numeric scan fields' buffer.
#include <cerrno>
#include <cstring>

#include "i18n/qoru16/u16_InBuf.h"
#include "i18n/qoru16/u16_heap.h"

namespace qoru {

NumberBlock growNumberBlock(char *local, char *data, int32_t count, int32_t size) {
    if (size > INT32_MAX / 2) {
        errno = ENOMEM;
        return {nullptr, size};
    }
    const int32_t larger = size * 2;
    char *block = static_cast<char *>(allocate(static_cast<size_t>(larger), 1));
    if (block == nullptr) return {nullptr, size};
    memcpy(block, data, static_cast<size_t>(count));
    releaseNumberBlock(local, data);
    return {block, larger};
}

void releaseNumberBlock(char *local, char *data) {
    if (data != local) release(data);
}

}  // namespace qoru
