// The platform layer's 32-bit strtol/strtoul and the narrow formatter. The same table passes against the
// Windows C runtime (under Wine) and against the POSIX equivalent.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "platform/platform.h"

namespace {

struct IntegerCase {
    const char *text;
    int base;
    int32_t signedValue;
    int signedErrno;
    uint32_t unsignedValue;
    int unsignedErrno;
    int consumed;
};

// strtoul of a negative magnitude beyond 32 bits: Microsoft's runtime clamps to
// 4294967295, Wine's re-implementation gives 1; both set ERANGE. The table
// holds Microsoft's value and the Windows build accepts Wine's.
constexpr uint32_t clampedNegative = 0xFFFFFFFFu;

const IntegerCase integerCases[] = {
    {"-1", 10, -1, 0, 0xFFFFFFFFu, 0, 2},
    {"2147483647", 10, INT32_MAX, 0, 2147483647u, 0, 10},
    {"2147483648", 10, INT32_MAX, ERANGE, 2147483648u, 0, 10},
    {"-2147483648", 10, INT32_MIN, 0, 2147483648u, 0, 11},
    {"-2147483649", 10, INT32_MIN, ERANGE, 2147483647u, 0, 11},
    {"4294967295", 10, INT32_MAX, ERANGE, 0xFFFFFFFFu, 0, 10},
    {"4294967296", 10, INT32_MAX, ERANGE, 0xFFFFFFFFu, ERANGE, 10},
    {"-4294967295", 10, INT32_MIN, ERANGE, 1u, 0, 11},
    {"-4294967296", 10, INT32_MIN, ERANGE, clampedNegative, ERANGE, 11},
    {"99999999999999999999", 10, INT32_MAX, ERANGE, 0xFFFFFFFFu, ERANGE, 20},
    {"  +12", 10, 12, 0, 12u, 0, 5},
    {"\t-0x10", 0, -16, 0, 0xFFFFFFF0u, 0, 6},
    {"0x1g", 16, 1, 0, 1u, 0, 3},
    {"0x", 0, 0, 0, 0u, 0, 0},
    {"0777", 0, 511, 0, 511u, 0, 4},
    {"019", 0, 1, 0, 1u, 0, 2},
    {"zz", 36, 1295, 0, 1295u, 0, 2},
    {"--1", 10, 0, 0, 0u, 0, 0},
    {"+-1", 10, 0, 0, 0u, 0, 0},
    {"", 10, 0, 0, 0u, 0, 0},
    {"1z", 10, 1, 0, 1u, 0, 1},
    {"7fffffff", 16, INT32_MAX, 0, 0x7FFFFFFFu, 0, 8},
    {"-80000000", 16, INT32_MIN, 0, 0x80000000u, 0, 9},
};

TEST(Platform, Strtol32AndStrtoul32MatchTheWindowsRuntime) {
    for (const IntegerCase &c : integerCases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" base " << c.base);
        char *end = nullptr;
        errno = 0;
        EXPECT_EQ(plat::strtol32(c.text, &end, c.base), c.signedValue);
        EXPECT_EQ(errno, c.signedErrno);
        EXPECT_EQ(end - c.text, c.consumed);
        errno = 0;
        const uint32_t v = plat::strtoul32(c.text, &end, c.base);
        if (sizeof(long) == 4 && c.unsignedValue == clampedNegative && c.text[0] == '-')
            EXPECT_TRUE(v == clampedNegative || v == 1u) << v;  // Windows: Microsoft's or Wine's
        else
            EXPECT_EQ(v, c.unsignedValue);
        EXPECT_EQ(errno, c.unsignedErrno);
        EXPECT_EQ(end - c.text, c.consumed);
    }
}

TEST(Platform, FormatNarrowReturnsMinusOneAndTerminatesWhenCut) {
    char buf[8];
    EXPECT_EQ(plat::formatNarrow(buf, sizeof buf, "%d", 1234567), 7);
    EXPECT_EQ(plat::formatNarrow(buf, sizeof buf, "%s", "abcdefgh"), -1);
    EXPECT_STREQ(buf, "abcdefg");
}

}  // namespace
