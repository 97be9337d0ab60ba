// A program linked to the shared library hands it its own FILE* and reads the
// errno the library sets. Both work only when the program and the library use
// the same C runtime (on Windows: both on UCRT or both on msvcrt.dll).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "qorucum.h"

namespace {

TEST(RuntimeSharing, TheProgramsStreamAndErrno) {
    FILE *f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    // Writes of both sides go through the one stream buffer, in order.
    ASSERT_GE(std::fputs("host ", f), 0);
    EXPECT_EQ(fprintfU16(f, u"dll %d caf\u00E9 ", 42), 12);  // units written
    ASSERT_GE(std::fputs("host", f), 0);
    std::rewind(f);
    EXPECT_EQ(fgetcU16(f), u'h');
    char rest[32] = {};
    EXPECT_EQ(std::fread(rest, 1, sizeof rest - 1, f), 21u);
    EXPECT_EQ(std::string(rest), "ost dll 42 caf\xC3\xA9 host");
    std::fclose(f);
    errno = 0;
    EXPECT_EQ(fgetcU16(nullptr), -1);
    EXPECT_EQ(errno, EBADF);
}

}  // namespace
