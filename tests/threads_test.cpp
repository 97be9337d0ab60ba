// Many threads at once: the first use of the character functions, and the operations that keep no shared state,
// each thread on buffers or streams of its own (the writers on one shared stream), every result checked. The
// ThreadSanitizer suite runs this program to find races.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "child.h"
#include "flat/nlsui1_utf8.h"
#include "i18n/qoru16/u16_aux.h"
#include "qorucum.h"
#include "random_units.h"
#include "stream_reads.h"

namespace {

constexpr int threadCount = 8;
constexpr int rounds = 300;

// Runs body(t) for t in [0, threadCount) on threads released together; returns the sum of their failures.
int onThreads(const std::function<int(int)> &body) {
    std::atomic<int> ready{0}, failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            ready.fetch_add(1);
            while (ready.load() < threadCount) std::this_thread::yield();
            failures.fetch_add(body(t));
        });
    for (std::thread &thread : threads) thread.join();
    return failures.load();
}

// One stream holding bytes for each thread, made before the threads start.
std::vector<std::unique_ptr<qoru_test::ByteStream>> streamsOf(const std::string &bytes) {
    std::vector<std::unique_ptr<qoru_test::ByteStream>> streams;
    for (int t = 0; t < threadCount; ++t) streams.push_back(std::make_unique<qoru_test::ByteStream>(bytes));
    return streams;
}

// The nine pointers: seven classes, then tolowerU and toupperU; and the C library's answers in the C locale, which
// ICU's match from the space on (it counts U+001C to U+001F as spaces).
nlsui_class_func *const classes[] = {&isalnumU, &isalphaU, &iscntrlU, &islowerU, &isprintU, &isspaceU, &isupperU};
int (*const peers[])(int) = {isalnum, isalpha, iscntrl, islower, isprint, isspace, isupper, tolower, toupper};

// Counts the messages (their first lines) the trace channel sends.
std::atomic<int> gReports{0};
int32_t countReport(const char *text, int32_t) {
    return gReports.fetch_add(strncmp(text, "--- Unicode interface [", 23) == 0), 0;
}

// Thread t starts on pointer t, so eight different pointers meet the first use at once; then each reads an invalid
// sequence from a stream of its own, so that the process's first trace messages come from eight threads too.
qoru_test::Child firstUse("first-use-threads", [](const std::vector<std::string> &) {
    const auto streams = streamsOf("\xC3(\n");
    nlsui_set_trace_func(countReport);
    const int wrong = onThreads([&](int t) {
        int bad = 0;
        for (size_t k = 0; k < std::size(peers); ++k) {
            const size_t i = (static_cast<size_t>(t) + k) % std::size(peers);
            for (int c = ' '; c < 0x80; ++c) {
                const int32_t got = i == 7 ? tolowerU(c) : i == 8 ? toupperU(c) : (*classes[i])(c) != 0;
                bad += got != (i < 7 ? peers[i](c) != 0 : peers[i](c));
            }
        }
        charU16 line[8];
        FILE *f = streams[static_cast<size_t>(t)]->stream;
        return bad + (f == nullptr || fgetsU16(line, 8, f) == nullptr || std::u16string(line) != u"#(\n");
    });
    return wrong + (gReports.load() != threadCount);
});

TEST(Threads, FirstUseOfTheCharacterFunctions) {
    // Windows runs without ICU: the 7-bit functions give the same answers for ASCII.
    const qoru_test::ChildResult r = qoru_test::runChild(
        "first-use-threads", {.env = {{"NLSUI_7BIT_FALLBACK", "1"}, {"NLSUI_INIT_TRACE_LEVEL", "none"}}});
    EXPECT_EQ(r.exitCode, 0) << r.standardError;
}

int formatting(int t) {
    std::mt19937 rng(1000 + t);
    int wrong = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto n = static_cast<int32_t>(rng());
        const double d = static_cast<int32_t>(rng()) / 1024.0;
        char narrow[128];
        snprintf(narrow, sizeof narrow, "%d|%08x|%-6s|%.3f|%c", n, static_cast<unsigned>(n), "w", d, 'A' + t);
        charU16 wide[128], safe[128];
        const int32_t r = snprintfU16(wide, std::size(wide), u"%d|%08x|%-6s|%.3f|%c", n, n, u"w", d, 'A' + t);
        const int32_t s = sprintf_sU16(safe, std::size(safe), u"%d|%08x|%-6s|%.3f|%c", n, n, u"w", d, 'A' + t);
        const std::u16string expected = qoru_test::utf16Of(narrow);
        wrong += r != static_cast<int32_t>(expected.size()) || s != r || expected != wide || expected != safe;
    }
    return wrong;
}

// Random units to UTF-8 (each unit by itself) and back.
int conversion(int t) {
    qoru_test::UnitSource source(2000 + static_cast<uint32_t>(t));
    int wrong = 0;
    for (int i = 0; i < rounds; ++i) {
        const std::vector<char16_t> units = source.string(source.below(60));
        const std::string expected = qoru_test::unitsUtf8(units.data(), units.size() - 1);
        char bytes[256];
        charU16 back[128];
        const size_t n = U2sToUtf8s(bytes, units.data(), sizeof bytes);
        const size_t m = qoru::Utf8sToU2s(back, bytes, std::size(back));
        wrong += n != expected.size() || expected != bytes || m != units.size() - 1 ||
                 std::u16string(back) != units.data();
    }
    return wrong;
}

// Integers and doubles printed by the C library and read back.
int numbers(int t) {
    std::mt19937_64 rng(3000 + t);
    int wrong = 0;
    for (int i = 0; i < rounds; ++i) {
        const uint64_t bits = rng();
        const auto small = static_cast<int32_t>(bits);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        if (d != d || d - d != 0) d = static_cast<double>(small);  // finite values only
        char text[64];
        snprintf(text, sizeof text, " %d %llx %.17g", small, static_cast<unsigned long long>(bits), d);
        const std::u16string wide = qoru_test::utf16Of(text);
        charU16 *end = nullptr;
        const int32_t a = strtolU16(wide.c_str(), &end, 10);
        const uint64_t b = strtoullU16(end, &end, 16);
        const double c = strtodU16(end, &end);
        wrong += a != small || b != bits || c != d || *end != 0;
    }
    return wrong;
}

TEST(Threads, SeparateBuffers) {
    EXPECT_EQ(onThreads(formatting), 0);
    EXPECT_EQ(onThreads(conversion), 0);
    EXPECT_EQ(onThreads(numbers), 0);
}

// Each thread reads its own stream: lines, scanned fields, numbers, an invalid sequence reported on the trace channel.
TEST(Threads, ReadersOnTheirOwnStreams) {
    std::string blocks;
    for (int i = 0; i < 40; ++i) blocks += "-77\n12 word 2.5\nline \xC3(x\n";
    const auto streams = streamsOf(blocks);
    const int32_t level = qoru::gTraceLevel;
    const nlsui_trace_func sink = qoru::gTraceSink;
    gReports = 0;
    qoru::gTraceSink = countReport, qoru::gTraceLevel = 1;
    const int wrong = onThreads([&](int t) {
        FILE *f = streams[static_cast<size_t>(t)]->stream;
        int bad = f == nullptr;
        for (int i = 0; i < 40 && f != nullptr; ++i) {
            charU16 line[32], word[8];
            int32_t n = 0, number = 0;
            double d = 0;
            bad += fget_longU16(&number, f) != 0 || number != -77;
            bad += fscanfU16(f, u"%d %s %lf ", &n, word, &d) != 3 || n != 12 || d != 2.5;
            bad += std::u16string(word) != u"word";
            bad += fgetsU16(line, 32, f) == nullptr || std::u16string(line) != u"line #(x\n";
        }
        return bad;
    });
    qoru::gTraceSink = sink, qoru::gTraceLevel = level;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(gReports.load(), threadCount * 40);
}

// Call i's line of thread t is its head, "t3 i17", and a tail with a pair, a lone
// surrogate (written as '#') and, every fifth call, more than one block write's worth.
std::string headOf(int t, int i) { return 't' + std::to_string(t) + " i" + std::to_string(i); }
std::u16string tailOf(int i) {
    return u" \u00e4\U0001F600 \xD800" + std::u16string(i % 5 == 0 ? 400 : 3, u'\u20ac') + u"\n";
}

// Writers on one shared stream: calls interleave, but each call's text comes out whole (lines by fprintfU16,
// fputsU16 and fwriteU16), and no UTF-8 sequence is split (units by fputcU16, checked by decoding).
TEST(Threads, WritersOnOneStream) {
    qoru_test::TempPath lines(u"lines"), units(u"units");
    FILE *f = fopen(lines.narrow().c_str(), "wb"), *g = fopen(units.narrow().c_str(), "wb");
    ASSERT_TRUE(f != nullptr && g != nullptr);
    const int wrong = onThreads([&](int t) {
        int bad = 0;
        for (int i = 0; i < rounds; ++i) {
            const std::u16string tail = tailOf(i), line = qoru_test::utf16Of(headOf(t, i)) + tail;
            switch (i % 3) {
                case 0: bad += fprintfU16(f, u"t%d i%d%s", t, i, tail.c_str()) < 0; break;
                case 1: bad += fputsU16(line.c_str(), f) < 0; break;
                default: bad += fwriteU16(line.data(), 1, line.size(), f) != line.size();
            }
            bad += fputcU16(0x4E00 + t, g) != 0x4E00 + t;
        }
        return bad;
    });
    ASSERT_EQ(fclose(f) | fclose(g), 0);
    EXPECT_EQ(wrong, 0);
    std::vector<std::string> expected, got;
    for (int k = 0; k < threadCount * rounds; ++k)
        expected.push_back(headOf(k / rounds, k % rounds) + qoru_test::utf8Of(tailOf(k % rounds)));
    const std::string text = lines.contents();
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        got.push_back(text.substr(start, end - start + 1));
    }
    std::sort(expected.begin(), expected.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected);
    std::vector<charU16> decoded(threadCount * rounds + 1);
    EXPECT_EQ(qoru::Utf8sToU2s(decoded.data(), units.contents().c_str(), decoded.size()), decoded.size() - 1);
    for (int t = 0; t < threadCount; ++t) EXPECT_EQ(std::count(decoded.begin(), decoded.end(), 0x4E00 + t), rounds);
}

}  // namespace
