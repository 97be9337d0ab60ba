// Whole-string conversion from UTF-8 and its kernels against the plain reference on random input (invalid
// sequences of every kind among them) and ICU, the round trip from UTF-16, and the failure report byte for byte.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "flat/nlsui1_utf8.h"
#include "guard_page.h"
#include "i18n/qoru16/u16_cpu.h"
#include "qorucum.h"
#include "random_units.h"
#include "trace_frame.h"
#include "utf8_text.h"

#ifdef QORU_TEST_HAS_ICU
#include <unicode/ustring.h>
#endif

namespace {

using qoru::Utf8sToU2s;
using qoru::utf8Invalid;
using qoru_test::TraceCapture;
using qoru_test::canary;
using qoru_test::encodeUtf8;
using qoru_test::UnitSource;

// The failure report: the frame (name cut to 50), the bad bytes after a valid four-byte character, the
// last 80 units stored, the first 80 bytes; "but where?" without a finding; nothing at level 0.
TEST(Convert, FailureReport) {
    qoru_test::showCommandLineOnce();
    std::string src;
    for (int i = 0; i < 100; ++i) src += static_cast<char>('0' + i % 10);
    src += "\xF0\x9F\x98\x80\xC3(z";
    charU16 dst[128];
    TraceCapture cap(qoru::traceLow);
    errno = EILSEQ;
    qoru::traceInvalidUtf8U16(dst, src.c_str(), 128, "src/flat/conv.cpp", 77, std::string(70, 'f').c_str());
    EXPECT_EQ(errno, EILSEQ);
    ASSERT_FALSE(cap.lines().empty());
    std::vector<std::string> want{qoru_test::framedMessage("src/flat/conv.cpp", 77, qoru_test::headerTime(cap.lines()[0]),
                                                           std::string(50, 'f') + " encountered invalid UTF-8", false)};
    const auto add = [&](const std::vector<std::string> &lines) { want.insert(want.end(), lines.begin(), lines.end()); };
    add(qoru_test::byteDump(src.data() + 104, 2));
    want.push_back("Characters previously read:");
    add(qoru_test::unitDump(dst + 102 - 80, 80));
    want.push_back("All bytes to process");
    add(qoru_test::byteDump(src.data(), 80));
    want.push_back(qoru_test::endOfMessage);
    EXPECT_EQ(cap.lines(), want);

    cap.clear();
    qoru::traceInvalidUtf8U16(dst, "abc\xFF", 2, "s.cpp", 1, "f");  // the limit comes before the bad byte
    EXPECT_EQ(cap.lines().at(0), qoru_test::framedMessage("s.cpp", 1, qoru_test::headerTime(cap.lines()[0]),
                                                          "f encountered invalid UTF-8 (but where?)", false));
    TraceCapture none(qoru::traceNone);
    qoru::traceInvalidUtf8U16(dst, "\xFF", 4, "s.cpp", 1, "f");
    EXPECT_TRUE(none.lines().empty());
}

// Long runs of each form from its edges or from any of its code points (encoded surrogates too), now and
// then one byte replaced by an edge byte (overlong, too large, stray, cut short, the terminator).
std::string kernelText(UnitSource &rnd) {
    static constexpr char32_t starts[] = {0x20, 0x80, 0x7C0, 0x800, 0x4E00, 0xD7F0, 0xFFC0, 0x10000, 0x10FFC0};
    static constexpr char32_t lo[] = {1, 0x80, 0x800, 0x10000}, hi[] = {0x80, 0x800, 0x10000, 0x110000};
    static constexpr unsigned char edges[] = {0, 0x80, 0xBF, 0xC0, 0xC1, 0xC2, 0xE0, 0xED, 0xF0, 0xF4, 0xF5, 0xFF};
    std::string s;
    for (size_t n = rnd.below(400); s.size() < n;) {
        const size_t form = rnd.below(4);
        const char32_t start = rnd.chance(50) ? starts[rnd.below(std::size(starts))]
                                              : lo[form] + static_cast<char32_t>(rnd.below(hi[form] - lo[form]));
        for (size_t k = 1 + rnd.below(40); k > 0; --k) s += encodeUtf8(start + static_cast<char32_t>(rnd.below(64)));
    }
    for (size_t k = rnd.chance(50) ? rnd.below(3) : 0; k > 0 && !s.empty(); --k)
        s[rnd.below(s.size())] = static_cast<char>(edges[rnd.below(std::size(edges))]);
    return s;
}

// Every level's kernel agrees with plain's (utf16KernelFault) and reads nothing past a terminator
// that ends right before an unreadable page, on long runs of every form or on short text rich in invalid
// sequences. Whole conversions of the same text agree too, errno included, and with ICU; and the reader
// reads the writer's format back unchanged, lone surrogates and pairs included.
TEST(Convert, KernelsAndWholeStringsMatchTheReferences) {
    qoru_test::GuardPage guard;
    qoru_test::Arena pages;
    char *pageEnd = reinterpret_cast<char *>(pages.page() + qoru_test::pageUnits);
    for (int32_t level = 0; level < qoru::cpuLevelCount; ++level) {
        const qoru::Kernels *k = qoru::kernelsFor(static_cast<qoru::CpuLevel>(level));
        if (k == nullptr) {
            std::printf("not run: this CPU (or architecture) lacks the level %s\n", qoru::cpuLevelNames[level]);
            continue;
        }
        // A four-byte character at every place in a block, the room ending at each of its two units: a block
        // whose last byte is a four-byte lead makes one unit more than its bytes.
        for (size_t before = 0; before < 80; ++before) {
            const std::string text = std::string(before, 'a') + "\xF0\x9F\x98\x80" + std::string(70, 'b');
            for (size_t limit = before; limit < before + 4; ++limit)
                EXPECT_EQ(qoru_test::utf16KernelFault(*k, qoru::plainKernels, text.c_str(), 0, limit,
                                                      text.c_str() + text.size()), "")
                    << "level " << level << ", a pair after " << before << " units, room for " << limit;
        }
        UnitSource rnd(40 + static_cast<uint32_t>(level));
        for (int it = 0; it < 5000; ++it) {
            SCOPED_TRACE(testing::Message() << "level " << level << " case " << it);
            const std::string text = rnd.chance(50) ? kernelText(rnd) : qoru_test::randomUtf8(rnd, rnd.below(8));
            // Ending right before the unreadable page, or anywhere across the end of a page.
            char *src = rnd.chance(30) ? guard.tail<char>(text.size() + 1) : pageEnd - rnd.below(text.size() + 1);
            memcpy(src, text.c_str(), text.size() + 1);
            const size_t start = rnd.below(20), limit = start + rnd.below(text.size() + 40);
            EXPECT_EQ(qoru_test::utf16KernelFault(*k, qoru::plainKernels, src, start, limit, src + rnd.below(text.size() + 1)), "");
            std::vector<charU16> ours(limit + 8, canary), ref(limit + 8, canary);
            EXPECT_EQ(Utf8sToU2s(nullptr, src, rnd.below(3)), qoru_test::convertedUnits(nullptr, text, 0));
            errno = 0;
            const size_t got = Utf8sToU2s(ours.data(), src, limit);
            const size_t want = qoru_test::convertedUnits(ref.data(), text, limit);
            EXPECT_EQ(std::make_tuple(got, errno, ours), std::make_tuple(want, want == utf8Invalid ? EILSEQ : 0, ref));

            const std::vector<char16_t> s = rnd.string(rnd.below(20));
            std::vector<charU16> back(s.size(), canary);
            const std::string bytes = qoru_test::unitsUtf8(s.data(), s.size() - 1);
            EXPECT_EQ(Utf8sToU2s(back.data(), bytes.c_str(), back.size()), s.size() - 1);
            EXPECT_EQ(back, s);
#ifdef QORU_TEST_HAS_ICU  // a peer only where it is installed (Linux builds)
            // Whatever ICU takes as valid (all but encoded surrogates) converts as ICU converts it.
            std::vector<UChar> icu(text.size() + 1, canary), all(icu.size(), canary);
            int32_t icuLength = 0;
            UErrorCode status = U_ZERO_ERROR;
            u_strFromUTF8(icu.data(), static_cast<int32_t>(icu.size()), &icuLength, src, -1, &status);
            if (U_SUCCESS(status)) {
                EXPECT_EQ(Utf8sToU2s(all.data(), src, all.size()), static_cast<size_t>(icuLength));
                EXPECT_EQ(all, icu);
            }
#endif
        }
    }
}

}  // namespace
