// The platform layer's narrow formatter.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

TEST(Platform, FormatNarrowReturnsMinusOneAndTerminatesWhenCut) {
    char buf[8];
    EXPECT_EQ(plat::formatNarrow(buf, sizeof buf, "%d", 1234567), 7);
    EXPECT_EQ(plat::formatNarrow(buf, sizeof buf, "%s", "abcdefgh"), -1);
    EXPECT_STREQ(buf, "abcdefg");
}

}  // namespace
