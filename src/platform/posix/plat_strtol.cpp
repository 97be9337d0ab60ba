// strtol and strtoul as the Windows C runtime has them, with a 32-bit long:
// values outside the range clamp with ERANGE, strtoul negates a magnitude that
// fits in 32 bits, and a "0x" prefix without a hexadecimal digit after it
// leaves no number at all (the end pointer stays at the start of the text).
#include "platform/platform.h"

#include <cerrno>

namespace plat {
namespace {

bool isCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

struct Magnitude {
    uint64_t value;    // saturates just above 32 bits
    bool negative;
    bool any;          // at least one digit was read
};

// Reads sign, prefix and digits; the magnitude saturates at 2^32 so that the
// callers can tell every overflow apart from every value in range.
Magnitude scanMagnitude(const char *text, char **end, int base) {
    Magnitude m{0, false, false};
    const char *p = text;
    if (end) *end = const_cast<char *>(text);
    if (base < 0 || base == 1 || base > 36) {
        errno = EINVAL;
        return m;
    }
    while (isCSpace(*p)) ++p;
    if (*p == '-' || *p == '+') m.negative = (*p++ == '-');
    if ((base == 0 || base == 16) && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        if (digitValue(p[2]) >= 16) return m;
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = (p[0] == '0') ? 8 : 10;
    }
    constexpr uint64_t saturated = uint64_t{1} << 32;
    for (int d; (d = digitValue(*p)) < base; ++p) {
        m.any = true;
        m.value = m.value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (m.value > saturated) m.value = saturated;
    }
    if (m.any && end) *end = const_cast<char *>(p);
    return m;
}

}  // namespace

int32_t strtol32(const char *text, char **end, int base) {
    const Magnitude m = scanMagnitude(text, end, base);
    if (!m.any) return 0;
    const uint64_t limit = m.negative ? uint64_t{0x80000000} : uint64_t{0x7FFFFFFF};
    if (m.value > limit) {
        errno = ERANGE;
        return m.negative ? INT32_MIN : INT32_MAX;
    }
    return m.negative ? static_cast<int32_t>(-static_cast<int64_t>(m.value))
                      : static_cast<int32_t>(m.value);
}

uint32_t strtoul32(const char *text, char **end, int base) {
    const Magnitude m = scanMagnitude(text, end, base);
    if (!m.any) return 0;
    if (m.value > 0xFFFFFFFFu) {
        errno = ERANGE;
        return 0xFFFFFFFFu;
    }
    const uint32_t v = static_cast<uint32_t>(m.value);
    return m.negative ? 0u - v : v;
}

}  // namespace plat
