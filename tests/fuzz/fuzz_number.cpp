// Arbitrary UTF-16 text through strtodU16, strtolU16 and strtoullU16 against
// the tests' plain references: the same value, end and errno.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "number_reference.h"
#include "qorucum.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    // An odd size reads the bytes as units (numbers are likelier), an even
    // one reads byte pairs.
    std::u16string text;
    const int base = data[0] % 40 - 2;
    for (size_t i = 1; i < size; i += size % 2 ? 1 : 2) {
        text += static_cast<char16_t>(size % 2 || i + 1 >= size ? data[i] : data[i] | data[i + 1] << 8);
    }
    text.erase(std::min(text.find(u'\0'), text.size()));
    const char16_t *s = text.c_str();
    charU16 *end = nullptr;

    const qoru_test::RefNumber d = qoru_test::refStrtod(s);
    errno = 0;
    const double value = strtodU16(s, &end);
    if (errno != d.error || static_cast<size_t>(end - s) != d.end) abort();
    if (std::memcmp(&value, &d.value, sizeof value) != 0 && !(std::isnan(value) && std::isnan(d.value))) abort();

    qoru_test::RefNumber l = qoru_test::refStrtol(s, base, 32, true);
    errno = 0;
    const int32_t v32 = strtolU16(s, &end, base);
    if (errno != l.error || static_cast<uint32_t>(v32) != l.bits || static_cast<size_t>(end - s) != l.end) abort();
    l = qoru_test::refStrtol(s, base, 64, false);
    errno = 0;
    const uint64_t v64 = strtoullU16(s, &end, base);
    if (errno != l.error || v64 != l.bits || static_cast<size_t>(end - s) != l.end) abort();
    return 0;
}
