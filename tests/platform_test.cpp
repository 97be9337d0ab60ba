// The platform layer's 32-bit strtol/strtoul (the Windows C runtime's under Wine, the POSIX layer's own
// otherwise) against the tests' reference on random ASCII texts, and the narrow formatter.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>

#include "errno_after.h"
#include "number_reference.h"
#include "platform/platform.h"

namespace {

using qoru_test::errnoAfter;

void expectLikeReference(const std::string &text, int base) {
    SCOPED_TRACE(testing::Message() << '"' << text << "\" base " << base);
    const std::u16string wide(text.begin(), text.end());
    qoru_test::RefNumber s = qoru_test::refStrtol(wide.c_str(), base, 32, true);
    qoru_test::RefNumber u = qoru_test::refStrtol(wide.c_str(), base, 32, false);
    size_t p = std::min(text.find_first_not_of(" \t\n\v\f\r"), text.size());
    const bool negative = text[p] == '-';
    p += negative || text[p] == '+';
    // A "0x" prefix without a hexadecimal digit after it is no number at all, as in the Windows runtime.
    if ((base == 0 || base == 16) && text[p] == '0' && (text[p + 1] | 0x20) == 'x' && s.end == p + 1) s = u = {};
    char *end = nullptr;
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(plat::strtol32(text.c_str(), &end, base), static_cast<int32_t>(s.bits)); }),
              s.error);
    EXPECT_EQ(static_cast<size_t>(end - text.c_str()), s.end);
    uint32_t v = 0;
    EXPECT_EQ(errnoAfter([&] { v = plat::strtoul32(text.c_str(), &end, base); }), u.error);
    EXPECT_EQ(static_cast<size_t>(end - text.c_str()), u.end);
    // Wine's strtoul gives 1 for a negative magnitude beyond 32 bits, Microsoft's clamps; both set ERANGE.
    const bool wine = sizeof(long) == 4 && negative && u.error == ERANGE && v == 1;
    EXPECT_TRUE(v == u.bits || wine) << v;
}

TEST(Platform, Strtol32AndStrtoul32MatchTheReference) {
    static const char *const leads[] = {"", "", " ", "\t-", "+", "-", "0", "0x", "-0X", "--", "+-", " +0x", "\v\r+"};
    std::mt19937 rng(4242);
    for (int round = 0; round < 20000; ++round) {
        std::string text = leads[rng() % std::size(leads)];
        for (size_t n = rng() % 14; n > 0; --n) text += "0123456789abcdefgxzZ"[rng() % 20];
        if (rng() % 4 == 0) text += " 1";
        expectLikeReference(text, round % 36 == 0 ? 0 : round % 36 + 1);
    }
    // The exact limits, which random digits seldom meet.
    for (const char *text : {"2147483647", "2147483648", "-2147483648", "-2147483649", "4294967295", "4294967296",
                             "-4294967295", "-4294967296", "7fffffff", "-80000000"})
        expectLikeReference(text, text[1] == 'f' || text[1] == '8' ? 16 : 10);
}

TEST(Platform, FormatNarrowReturnsMinusOneAndTerminatesWhenCut) {
    char buf[8];
    EXPECT_EQ(plat::formatNarrow(buf, sizeof buf, "%d", 1234567), 7);
    EXPECT_EQ(plat::formatNarrow(buf, sizeof buf, "%s", "abcdefgh"), -1);
    EXPECT_STREQ(buf, "abcdefg");
}

}  // namespace
