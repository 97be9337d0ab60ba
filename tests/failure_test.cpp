// Failure at every allocation of every allocating entry point, and every stream writer and reader
// against streams that fail: each reports the failure by its contract and claims nothing it did not do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <string>

#include "child.h"
#include "failing_stream.h"
#include "i18n/qoru16/u16_heap.h"
#include "qorucum.h"
#include "stream_reads.h"
#include "trace_capture.h"
#include "utf8_text.h"

namespace {

// ---- Allocation ----

// 1: succeeded with the right output; 0: failed as documented; -1: neither.
int outcome(bool succeeded, bool documentedFailure) { return succeeded ? 1 : documentedFailure ? 0 : -1; }

const std::u16string longText(1500, u'y');
const std::string zeros7 = std::string(199, '0') + "7";  // read whole, or the leading zeros alone read as 0

struct AllocationRow {
    const char *name;
    int allocations;  // what a successful call takes from the heap
    std::function<int()> call;
};

TEST(AllocationFailure, EveryAllocationOfEveryEntryPoint) {
    qoru_test::ByteStream digits(zeros7);
    ASSERT_NE(digits.stream, nullptr);
    std::unique_ptr<FILE, int (*)(FILE *)> sink(tmpfile(), fclose);
    const std::u16string zeros = qoru_test::utf16Of(zeros7);
    static charU16 big[9000];
    qoru_test::TraceCapture quiet(0);
    const AllocationRow rows[] = {
        {"strdupU16", 1, [] { charU16 *c = strdupU16(u"copy"); const int r = outcome(c && std::u16string(c) == u"copy", !c); free(c); return r; }},
        {"mallocU(0), non-null as malloc(0)", 1, [] { void *p = mallocU(0); free(p); return outcome(p, !p); }},
        {"callocU", 1, [] { auto *p = static_cast<charU16 *>(callocU(10, 10)); const int r = outcome(p && p[99] == 0, !p); free(p); return r; }},
        {"reallocU", 1, [] {  // a refused reallocation leaves the block
            auto *p = static_cast<char *>(memcpy(malloc(4), "kept", 4)), *q = static_cast<char *>(reallocU(p, 1000));
            const int r = outcome(q && memcmp(q, "kept", 4) == 0, !q && memcmp(p, "kept", 4) == 0);
            return free(q ? q : p), r; }},
        {"reallocU(NULL)", 1, [] { void *p = reallocU(nullptr, 4); free(p); return outcome(p, !p); }},
        {"snprintfU16 %.1500f", 2, [] {  // a work block and a text block; what came before stays
            charU16 b[64];
            const int32_t n = snprintfU16(b, 64, u"ab%.1500f", 1.5);
            return outcome(n == 64 && std::u16string(b) == u"ab1.5" + std::u16string(58, u'0'), n == -1 && std::u16string(b) == u"ab"); }},
        {"sprintfU16 width, %.2000x, long %s", 1, [] {
            const int32_t n = sprintfU16(big, u"%5000d%.2000x%s", 7, 255u, longText.c_str());
            return outcome(n == 8500 && big[4999] == u'7' && big[6999] == u'f' && strlenU16(big) == 8500,
                           n == -1 && strlenU16(big) == 5000); }},
        {"fprintfU16 %s %.2000f", 2, [&] {
            const int32_t n = fprintfU16(sink.get(), u"%s%.2000f", longText.c_str(), 2.5);
            return outcome(n == 3502, n == -1); }},
        {"sscanfU16 %lld", 2, [&] { long long v = 0; const int32_t n = sscanfU16(zeros.c_str(), u"%lld", &v); return outcome(n == 1 && v == 7, n == 0); }},
        {"sscanfU16 %lf", 2, [&] { double v = 0; const int32_t n = sscanfU16((zeros + u".5").c_str(), u"%lf", &v); return outcome(n == 1 && v == 7.5, n == 0); }},
        {"fscanfU16 %d", 2, [&] { rewind(digits.stream); int32_t v = 0; const int32_t n = fscanfU16(digits.stream, u"%d", &v); return outcome(n == 1 && v == 7, n == 0); }},
        {"fget_longU16", 3, [&] { rewind(digits.stream); int32_t v = 0; const int32_t r = fget_longU16(&v, digits.stream); return outcome(r == 0 && v == 7, r == -1); }},
    };
    for (const AllocationRow &row : rows) {
        int k = 1;
        for (;; ++k) {  // refuse the first allocation, then the second, ... until none is left to refuse
            qoru::gFailingAllocation = k;
            errno = 0;
            const int r = row.call(), error = errno;
            if (qoru::gFailingAllocation.exchange(0) != 0) {
                EXPECT_EQ(r, 1) << row.name;
                break;
            }
            EXPECT_TRUE(r == 0 && error == ENOMEM) << row.name << ", allocation " << k << " refused: " << r << ", errno " << error;
        }
        EXPECT_EQ(k - 1, row.allocations) << row.name;
    }
}

// ---- Writers ----

const std::u16string text = [] { std::u16string t; for (int i = 0; i < 300; ++i) t += u"a\u00E9\u20AC"; return t; }();
constexpr int own = qoru_test::FailingStream::ownStream;
constexpr size_t partialBytes = 600;  // the first block whole, the second cut

struct WriterRow {
    const char *name;
    int standard;              // the standard stream written, or ownStream
    bool (*failed)(FILE *f);  // the result says the write failed
};

const WriterRow writers[] = {
    {"fputcU16", own, [](FILE *f) { return std::any_of(text.begin(), text.end(), [f](char16_t u) { return fputcU16(u, f) == EOF; }); }},
    {"fputsU16", own, [](FILE *f) { return fputsU16(text.c_str(), f) == -1; }},
    {"putsU16", 1, [](FILE *) { return putsU16(text.c_str()) == -1; }},
    {"fwriteU16", own, [](FILE *f) {  // no more elements claimed than the bytes taken hold
        const size_t n = fwriteU16(text.c_str(), 3, text.size() / 3, f);
        return n < text.size() / 3 && qoru_test::utf8Of(text.substr(0, 3 * n)).size() <= partialBytes; }},
    {"perrorU16", 2, [](FILE *) { errno = ENOENT; perrorU16(text.c_str()); return ferror(stderr) != 0; }},
    {"fprintfU16", own, [](FILE *f) { return fprintfU16(f, u"%s|%d", text.c_str(), 5) == -1; }},
    {"printfU16", 1, [](FILE *) { return printfU16(u"%s", text.c_str()) == -1; }},
};

// Runs every writer against a fresh failing stream that takes the bytes of args[0]; the exit
// code has a bit set for each writer whose result claimed success.
qoru_test::Child writersChild("writers", [](const std::vector<std::string> &args) {
    const size_t accepted = std::stoul(args.at(0));
    int claimed = 0;
    for (size_t i = 0; i < std::size(writers); ++i) {
        if (accepted != 0 && qoru_test::partialFailureUnseenBy(writers[i].name) != nullptr) continue;
        qoru_test::FailingStream fs(accepted, writers[i].standard);
        if (fs.stream == nullptr || !writers[i].failed(fs.stream)) claimed |= 1 << i;
    }
    return claimed;
});

TEST(FailingStreams, EveryWriterReportsTheFailure) {
    for (size_t accepted : {size_t{0}, partialBytes}) {
        const int claimed = qoru_test::runChild("writers", {.args = {std::to_string(accepted)}}).exitCode;
        for (size_t i = 0; i < std::size(writers); ++i) {
            EXPECT_EQ(claimed >> i & 1, 0) << writers[i].name << " after " << accepted << " bytes";
            const char *unseen = accepted != 0 ? qoru_test::partialFailureUnseenBy(writers[i].name) : nullptr;
            if (unseen != nullptr) std::cout << writers[i].name << " not tried on a partial failure: " << unseen << "\n";
        }
    }
}

// ---- Readers ----

// What a reader delivered in calls that succeeded, "|" after each, and "!" once a result said the read failed.
struct ReaderRow {
    const char *name;
    int standard;
    std::u16string (*read)(FILE *f);
    const char16_t *afterLine, *afterCutSequence;  // what it delivers when the line or a sequence is cut
};

std::u16string text16(const charU16 *s, bool failed) { return std::u16string(s) + (failed ? u"!" : u""); }

template <int32_t (*Field)(charU16 *, int32_t, FILE *, charU16)>
std::u16string readFields(FILE *f) {
    std::u16string got;
    charU16 b[64];
    for (int i = 0; i < 9 && Field(b, 64, f, u'?') != -1; ++i) got += text16(b, false) + u"|";
    return got + u"!";
}

const ReaderRow readers[] = {
    {"fgetcU16", own, [](FILE *f) {
        std::u16string got;
        for (int32_t u; got.size() < 20 && (u = fgetcU16(f)) != EOF;) got += static_cast<char16_t>(u);
        return got + u"!"; }, u"12 a\u00E9!", u"12 a!"},
    {"fgetsU16", own, [](FILE *f) { charU16 b[64] = {}; return text16(b, fgetsU16(b, 64, f) == nullptr); }, u"12 a\u00E9!", u"12 a!"},
    {"gets_sU16", 0, [](FILE *) { charU16 b[64] = {u'x'}; return text16(b, gets_sU16(b, 64) == nullptr); }, u"!", u"!"},
    {"freadU16", own, [](FILE *f) { charU16 b[64]; const size_t n = freadU16(b, 1, 64, f); return std::u16string(b, n) + (n < 64 ? u"!" : u""); }, u"12 a\u00E9!", u"12 a!"},
    {"fscanfU16", own, [](FILE *f) {  // the third field meets the failure
        int32_t i = 0, j = 0;
        charU16 b[64] = {};
        const bool failed = fscanfU16(f, u"%d %63s %d", &i, b, &j) == 2;
        return qoru_test::utf16Of(std::to_string(i)) + u"|" + text16(b, failed); }, u"12|a\u00E9!", u"12|a!"},
    {"fget_strU16", own, readFields<fget_strU16>, u"12|!", u"12|!"},
    {"fget_lineU16", own, readFields<fget_lineU16>, u"!", u"!"},
    {"fget_longU16", own, [](FILE *f) {  // a character that is no number comes back as -2
        std::u16string got;
        int32_t v = 0;
        for (int i = 0, r; i < 9 && (r = fget_longU16(&v, f)) != -1; ++i)
            got += (r == -2 ? std::u16string{static_cast<char16_t>(v)} : qoru_test::utf16Of(std::to_string(v))) + u"|";
        return got + u"!"; }, u"12|a|\u00E9|!", u"12|a|!"},
};

// Reads that fail after a whole character and inside one: what came before is delivered, the cut
// character is not made up, the result says the read failed, errno is the read's.
TEST(FailingStreams, EveryReaderReportsTheFailure) {
    qoru_test::TraceCapture quiet(0);
    for (const bool cut : {false, true}) {
        for (const ReaderRow &row : readers) {
            qoru_test::FailingStream fs(cut ? "12 a\xC3" : "12 a\xC3\xA9", row.standard);
            if (fs.stream == nullptr) GTEST_SKIP() << fs.unavailable;
            errno = 0;
            EXPECT_EQ(qoru_test::utf8Of(row.read(fs.stream)), qoru_test::utf8Of(cut ? row.afterCutSequence : row.afterLine)) << row.name << (cut ? ", sequence cut" : ", line cut");
            EXPECT_EQ(errno, EIO) << row.name << (cut ? ", sequence cut" : ", line cut");
        }
    }
}

}  // namespace
