// The cells of the README's table "What bad input gets" that no other suite checks, one row each: the family and
// column, and whether the call gives what the cell says.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>

#include "errno_after.h"
#include "qorucum.h"
#include "stream_reads.h"

namespace {

using qoru_test::errnoAfter;

bool fgetsRefusesSize(int32_t n) {
    qoru_test::ByteStream in("ab\n");
    charU16 buf[4] = {u'x', u'x'};
    const int error = errnoAfter([&] { buf[1] = fgetsU16(buf, n, in.stream) == nullptr ? u'x' : u'!'; });
    // Nothing stored and nothing consumed: the next read gets the whole line.
    return error == EINVAL && buf[0] == u'x' && buf[1] == u'x' && fgetsU16(buf, 4, in.stream) == buf &&
           std::u16string(buf) == u"ab\n";
}

const struct {
    const char *cell;
    std::function<bool()> holds;
} rows[] = {
    {"stream readers, zero and negative size: fgetsU16 n 0 or -1 is null with EINVAL",
     [] { return fgetsRefusesSize(0) && fgetsRefusesSize(-1); }},
    {"stream readers, null pointer: fgetsU16 with a null buffer is null with EBADF",
     [] { return errnoAfter([] { EXPECT_EQ(fgetsU16(nullptr, 4, stdin), nullptr); }) == EBADF; }},
    {"stream readers, zero size: freadU16 size or count 0 reads nothing",
     [] {
         qoru_test::ByteStream in("ab");
         charU16 buf[2];
         return freadU16(buf, 0, 2, in.stream) + freadU16(buf, 1, 0, in.stream) == 0 && fgetcU16(in.stream) == u'a';
     }},
    {"field readers, null pointer: fget_longU16 with a null target is -1 with EBADF",
     [] { return errnoAfter([] { EXPECT_EQ(fget_longU16(nullptr, stdin), -1); }) == EBADF; }},
    {"field readers, unpaired surrogate: an encoded surrogate is stored as its unit",
     [] {
         qoru_test::ByteStream in("\xED\xA0\x80\n");
         charU16 buf[4];
         return fget_lineU16(buf, 4, in.stream, u'?') == 2 && std::u16string(buf) == u"\xD800\n";
     }},
    {"printf family, unpaired surrogate: kept in a buffer",
     [] {
         charU16 b[4];
         return snprintfU16(b, 4, u"%s\xDC00", u"\xD800") == 2 && std::u16string(b) == u"\xD800\xDC00";
     }},
    {"stream writers, zero size: fwriteU16 size or count 0 writes nothing",
     [] {
         qoru_test::TempPath path;
         FILE *f = fopen(path.narrow().c_str(), "wb");
         const bool none = f != nullptr && fwriteU16(u"ab", 0, 1, f) + fwriteU16(u"ab", 1, 0, f) == 0;
         return none && fclose(f) == 0 && path.contents().empty();
     }},
    {"strtol/strtod, unpaired surrogate: no number, end at the text",
     [] {
         const charU16 text[] = u"\xD800" "1";
         charU16 *endLong = nullptr, *endDouble = nullptr;
         return strtolU16(text, &endLong, 10) == 0 && strtodU16(text, &endDouble) == 0 && endLong == text &&
                endDouble == text;
     }},
};

TEST(BadInput, EachCellOfTheTable) {
    for (const auto &row : rows) EXPECT_TRUE(row.holds()) << row.cell;
}

}  // namespace
