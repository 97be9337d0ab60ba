// Arbitrary UTF-16 text through strtodU16, strtolU16 and strtoullU16 against the plain references: value, end, errno.
#include <cstdlib>
#include <string>

#include "number_reference.h"
#include "qorucum.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    // An odd size reads the bytes as units (numbers are likelier), an even one reads byte pairs.
    std::u16string text;
    const int base = data[0] % 40 - 2;
    for (size_t i = 1; i < size; i += size % 2 ? 1 : 2)
        text += static_cast<char16_t>(size % 2 || i + 1 >= size ? data[i] : data[i] | data[i + 1] << 8);
    text.erase(std::min(text.find(u'\0'), text.size()));
    using namespace qoru_test;
    if (!strtodAgrees(strtodU16, text, refStrtod(text.c_str())) || !strtolAgrees(strtolU16, text, base) ||
        !strtolAgrees(strtoullU16, text, base))
        abort();
    return 0;
}
