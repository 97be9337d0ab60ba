// A string longer than an int counts: length units of 'a' and a terminator, mapped lazily as one block of
// units repeated over the address range, so it costs address space and page tables, not memory. units is
// null where the platform or its limits do not allow it, with the reason in unavailable.
#ifndef QORU_TEST_HUGE_STRING_H
#define QORU_TEST_HUGE_STRING_H

#include <cstddef>
#include <string>

namespace qoru_test {

struct HugeString {
    explicit HugeString(size_t length);
    ~HugeString();
    static constexpr size_t block = size_t{1} << 20;
    const char16_t *units = nullptr;
    std::string unavailable;
    size_t bytes = 0;  // the mapped range: whole blocks, the last one holding the terminator
};

}  // namespace qoru_test

#endif
