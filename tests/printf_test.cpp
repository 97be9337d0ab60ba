// The printf family: invalid directives, a random differential test against a short reference layout, the
// bounded-buffer contract of every entry point, format-error and out-of-memory reports, and stream output.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <algorithm>
#include <bit>
#include <limits>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "errno_after.h"
#include "huge_string.h"
#include "i18n/qoru16/u16_heap.h"
#include "platform/platform.h"
#include "qorucum.h"
#include "temp_path.h"
#include "trace_capture.h"
#include "utf8_text.h"

namespace {

using qoru_test::errnoAfter;
using qoru_test::utf16Of;
using qoru_test::utf8Of;

// Entry e: e % 4 is sprintf, snprintf, sprintf_s, snprintf_s; e >= 4 the va_list form; 8 vscprintf.
int32_t withList(int e, charU16 *b, size_t size, const charU16 *fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const int32_t r = e == 0 ? vsprintfU16(b, fmt, args) : e == 1 ? vsnprintfU16(b, size, fmt, args)
                    : e == 2 ? vsprintf_sU16(b, size, fmt, args) : e == 3 ? vsnprintf_sU16(b, size, fmt, args)
                    : vscprintfU16(fmt, args);
    va_end(args);
    return r;
}

template <class... A>
int32_t callEntry(int e, charU16 *b, size_t size, const charU16 *fmt, A... a) {
    switch (e) {
    case 0: return sprintfU16(b, fmt, a...);
    case 1: return snprintfU16(b, size, fmt, a...);
    case 2: return sprintf_sU16(b, size, fmt, a...);
    case 3: return snprintf_sU16(b, size, fmt, a...);
    default: return withList(e - 4, b, size, fmt, a...);
    }
}

// Formats by vsnprintfU16, cut at the returned count so that zero units from "%c" stay visible.
template <class... A>
std::u16string format(const char16_t *fmt, A... a) {
    static char16_t buf[8192];
    const int32_t n = callEntry(5, buf, std::size(buf), fmt, a...);
    return n < 0 ? u"<error>" : std::u16string(buf, static_cast<size_t>(n));
}

// The rest of the grammar (every length code with every conversion, field values, "*" arguments) is in the random test.
TEST(PrintfGrammar, InvalidDirectivesAndWideWidths) {
    qoru_test::TraceCapture quiet(0);
    // A repeated "0" or "+", I32, I6 and I, unknown letters, an end, "d" in a low byte only.
    for (std::u16string text : {u"0-0d", u"++d", u"I32d", u"I6d", u"Id", u"qd", u"y", u"n", u"S", u"", u"5.", u"\u0164"})
        EXPECT_EQ(format((u"ab%" + text).c_str()), u"<error>") << utf8Of(text);
    // A width beyond 32 bits wraps without failing; a repeated "-" is allowed.
    EXPECT_EQ(format(u"%4294967298d|%--5d|", 7, 7), u" 7|7    |");
    EXPECT_EQ(format(u"%d%%|%s%d", 5, u"x", 6) + format(u"a%s%%", u"b"), u"5%|x6ab%");  // "%d" and "%s" before more
}

// ---- Field layout ----

// Ties at every precision, wide exponents, raw bit patterns (subnormals among them), neighbours of powers of ten.
double randomFinite(std::mt19937_64 &rng) {
    switch (rng() % 4) {
    case 0: return std::ldexp(static_cast<double>(rng() % 4096), -static_cast<int>(rng() % 14));
    case 1: return std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 140) - 120);
    case 2: return std::bit_cast<double>(rng() >> (1 + rng() % 2 * 11));
    default: {
        const double power = std::pow(10.0, static_cast<int>(rng() % 600) - 300);
        return std::nextafter(power, rng() % 2 ? 0.0 : HUGE_VAL);
    }
    }
}

// On POSIX the library reads an "L" argument as the caller's long double, on Windows as a double.
const bool longDoubleArguments = plat::pathSeparator() == '/';

// The C library's text of one floating-point directive (a negative precision: none). glibc drops the zeros
// "%#g" keeps when the rounding carries into the next exponent ("1.e+03" for 999.9 at precision 3); the C
// standard asks for "1.00e+03", as mingw-w64 and the library write, so the zeros are put back here (the layout
// asks for a magnitude).
std::u16string formatterText(char conversion, bool alternate, int precision, double v) {
    std::vector<char> buf(static_cast<size_t>(std::max(precision, 0)) + 800);
    const std::string directive = std::string(alternate ? "%#.*" : "%.*") + conversion;
    snprintf(buf.data(), buf.size(), directive.c_str(), precision, v);
    std::u16string text = utf16Of(buf.data());
    if (alternate && (conversion | 0x20) == 'g' && text.starts_with(u"1.") && (text[2] | 0x20) == u'e')
        text.insert(2, static_cast<size_t>(std::max(precision, 1) - 1), u'0');
    return text;
}

// Long fields, which go through the heap (the random test's stay short), and the
// "%#g" rounding carry into the next exponent, which random values seldom meet (an exact tie too).
TEST(PrintfLayout, LongFieldsAndAlternateCarry) {
    EXPECT_EQ(format(u"%#.3g|%#.1G|%#.2G", 999.9, 9.9, 99.5), u"1.00e+03|1.E+01|1.0E+02");
    EXPECT_EQ(format(u"[%s]", std::u16string(1500, u'x').c_str()), u"[" + std::u16string(1500, u'x') + u"]");
    EXPECT_EQ(format(u"%3c|%-2c|", 0, 0), std::u16string(u"  \0|\0 |", 7)) << "a zero unit is one unit wide";
    EXPECT_EQ(format(u"%.2000d", 42), std::u16string(1998, u'0') + u"42");
    EXPECT_EQ(format(u"%.1000e", 1.0 / 3.0), formatterText('e', false, 1000, 1.0 / 3.0));
    EXPECT_EQ(format(u"%.400f", -1e300), formatterText('f', false, 400, -1e300));
}

// "%a" without a precision is exact: the text reads back as the same double, subnormals and extremes too.
TEST(PrintfLayout, HexFloatsReadBackExactly) {
    std::mt19937_64 rng(std::random_device{}());
    for (int i = 0; i < 200000; ++i) {
        const double v = (rng() % 2 ? -1 : 1) * std::ldexp(static_cast<double>(rng() >> (11 + rng() % 53)), static_cast<int>(rng() % 2200) - 1100);
        const std::string text = utf8Of(format(i % 3 ? u"%a" : u"%#A", v));
        ASSERT_EQ(std::bit_cast<uint64_t>(strtod(text.c_str(), nullptr)), std::bit_cast<uint64_t>(v)) << text;
    }
}

// "L" takes the caller's long double, rounded to a double, and the arguments after it stay in place.
TEST(PrintfLayout, LongDoubleArguments) {
    if (!longDoubleArguments) GTEST_SKIP() << "a long double is a double to the Windows runtime's callers";
    EXPECT_EQ(format(u"%Lf|%d|%La|%.20Lg|%s", 1.5L, 7, 0.1L, 1.0L + 0x1p-60L, u"z"),
              u"1.500000|7|0x1.999999999999ap-4|1|z");
}

// ---- Random differential test ----

using Value = std::variant<int, unsigned, long long, unsigned long long, double, long double, const char16_t *, void *>;

struct Case {
    std::string flags;  // the flag characters present
    int width = -1, precision = -1;
    std::vector<int> stars;  // the "*" arguments in order
    char conversion;
    Value value;
    std::u16string fmt, want;
};

// The field layout written out plainly: integer and string texts here,
// floating-point digits from the C library on the magnitude.
std::u16string referenceLayout(const Case &d) {
    const char c = d.conversion;
    const auto has = [&](char f) { return d.flags.find(f) != std::string::npos; };
    bool negative = false;
    uint64_t mag = 0;
    double real = 0;
    const char16_t *str = nullptr;
    std::visit([&](auto v) {
        using T = decltype(v);
        if constexpr (std::is_same_v<T, const char16_t *>) str = v;
        else if constexpr (std::is_same_v<T, void *>) mag = reinterpret_cast<uintptr_t>(v);
        else if constexpr (std::is_floating_point_v<T>) real = static_cast<double>(v), negative = std::signbit(v);
        else negative = v < 0, mag = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    }, d.value);
    std::u16string text;
    if (c == 's') {
        text = str == nullptr ? u"(null)" : str;
        if (d.precision >= 0 && text.size() > static_cast<size_t>(d.precision)) text.resize(static_cast<size_t>(d.precision));
    } else if (c == 'c' || c == '%') {
        text = c == '%' ? u'%' : static_cast<char16_t>(mag);
    } else if (c == 'p' && mag == 0) {
        text = u"(nil)";
    } else if (strchr("diouxXp", c)) {
        const bool octalHash = c == 'o' && has('#');
        const unsigned base = c == 'o' ? 8 : strchr("xXp", c) ? 16 : 10;
        for (; mag != 0; mag /= base) text.insert(text.begin(), "0123456789abcdef0123456789ABCDEF"[mag % base + (c == 'X' ? 16 : 0)]);
        if (text.empty() && (d.precision != 0 || octalHash)) text = u"0";
        text.insert(0, static_cast<size_t>(std::max(0, d.precision - static_cast<int>(text.size()) - octalHash)), u'0');
    } else {
        // Without a precision "%a" is exact, the others take 6.
        text = formatterText(c, has('#'), d.precision >= 0 || (c | 0x20) == 'a' ? d.precision : 6, std::fabs(real));
    }
    const bool numeric = strchr("AEFGXadefgioux", c) != nullptr;
    const size_t length = text.size();  // a zero unit from "%c" too
    std::u16string lead;  // sign, then the "#" prefix
    if (numeric && !strchr("ouxX", c)) lead = negative ? u"-" : has('+') ? u"+" : has(' ') ? u" " : u"";
    if (has('#') && length != 0 && text != u"0") lead += c == 'x' ? u"0x" : c == 'X' ? u"0X" : c == 'o' ? u"0" : u"";
    const size_t pad = static_cast<size_t>(std::max<long long>(0, d.width == -1 ? 0 : d.width - static_cast<long long>(lead.size() + length)));
    const bool zeros = has('0') && !has('-') && !(d.precision != -1 && d.width != -1 && d.precision < d.width) &&
                       std::isfinite(real);  // an infinity or NaN takes blanks
    if (has('-')) return lead + text + std::u16string(pad, u' ');
    return zeros ? lead + std::u16string(pad, u'0') + text : std::u16string(pad, u' ') + lead + text;
}

// A random directive between random literals; a third are the bare letter, which the engine writes by a short path.
Case randomCase(std::mt19937_64 &rng) {
    const auto below = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    Case k;
    k.conversion = "%AEFGXacdefgiopsux"[below(18)];
    std::string spec, length;
    if (below(3) != 0) {
        std::string order = "-+ #0";
        std::shuffle(order.begin(), order.end(), rng);
        for (char f : order)
            if (below(3) == 0) k.flags += f;
        spec = k.flags;
        if (below(3) == 0) {
            k.stars.push_back(k.width = below(61) - 30);
            spec += '*';
        } else if (below(2) == 0) {
            spec += std::to_string(k.width = 1 + below(40));
        }
        switch (below(5)) {
        case 0: k.precision = 0, spec += '.'; break;
        case 1: k.stars.push_back(k.precision = below(16) - 6), spec += ".*"; break;
        case 2: k.precision = below(45), spec += '.' + std::string(below(3), '0') + std::to_string(k.precision); break;
        }
        static const char *const lengths[] = {"", "", "hh", "h", "l", "ll", "j", "z", "t", "L", "I64"};
        length = lengths[below(11)];
    }
    const bool wide = length == "ll" || length == "I64";
    static const uint64_t edges[] = {0, uint64_t{1} << 31, uint64_t{1} << 63, ~uint64_t{0}};  // the extremes too
    const uint64_t bits = below(8) == 0 ? edges[below(4)] : rng() >> below(64);
    static const char16_t *const strings[] = {nullptr, u"", u"a", u"hello world", u"\u00e9t\u00e9", u"x\xD83D\xDE00y",
                                              u"0123456789abcdefghijklmnopqrstuvwxyz"};
    static const double specials[] = {0.0, -0.0, 1.0, 0.5, 123456789.125, std::numeric_limits<double>::infinity(),
                                      std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::denorm_min(),
                                      std::numeric_limits<double>::max()};
    switch (k.conversion) {
    case 'd': case 'i': k.value = wide ? Value(static_cast<long long>(bits)) : Value(static_cast<int>(static_cast<uint32_t>(bits))); break;
    case 'u': case 'o': case 'x': case 'X': k.value = wide ? Value(static_cast<unsigned long long>(bits)) : Value(static_cast<unsigned>(bits)); break;
    case 'p': k.value = below(8) == 0 ? nullptr : reinterpret_cast<void *>(bits); break;
    case 'c': k.value = static_cast<int>(below(5) == 0 ? 0 : bits & 0x3FFFF); break;
    case 's': k.value = strings[below(7)]; break;
    case '%': k.value = 0; break;
    default: k.value = (below(2) ? -1 : 1) * (below(4) == 0 ? specials[below(9)] : randomFinite(rng));
        if (length == "L" && longDoubleArguments) k.value = static_cast<long double>(std::get<double>(k.value));
    }
    static const char16_t *const literals[] = {u"", u"", u"ab", u" = ", u"\u00e9\u20ac", u"x\xD83D\xDE00y", u"<", u"\n"};
    const std::u16string before = literals[below(8)], after = literals[below(8)];
    k.fmt = before + u"%" + utf16Of(spec + length) + static_cast<char16_t>(k.conversion) + after;
    k.want = before + referenceLayout(k) + after;
    return k;
}

// Calls f with the "*" arguments and the value, as a variadic call passes them.
template <class F>
auto applyArguments(const Case &k, F &&f) {
    return std::visit([&](auto v) {
        const auto &s = k.stars;
        return s.empty() ? f(v) : s.size() == 1 ? f(s[0], v) : f(s[0], s[1], v);
    }, k.value);
}

// Floating-point digits, which the library writes itself up to 17 significant digits, must agree with the
// C library's digit for digit, ties included. Every 150th case is also cut at every size by every buffer
// entry point, so that a full buffer meets every kind of directive.
TEST(PrintfRandom, MatchesTheReferenceLayoutOnEveryEntryAndSize) {
    const uint64_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    printf("seed %llu\n", static_cast<unsigned long long>(seed));
    std::mt19937_64 rng(seed);
    const char16_t canary = 0xCCCC;
    for (int i = 0, failures = 0; i < 300000 && failures < 10; ++i) {
        const Case k = randomCase(rng);
        const std::u16string got = applyArguments(k, [&](auto... a) { return format(k.fmt.c_str(), a...); });
        if (got != k.want) ADD_FAILURE() << ++failures << ": '" << utf8Of(k.fmt) << "' gave '" << utf8Of(got) << "' expected '" << utf8Of(k.want) << "'";
        // Counting alone, variadic and by va_list, gives the length snprintfU16 wrote.
        const int32_t counts[] = {applyArguments(k, [&](auto... a) { return scprintfU16(k.fmt.c_str(), a...); }),
                                  applyArguments(k, [&](auto... a) { return callEntry(8, nullptr, 0, k.fmt.c_str(), a...); })};
        if (counts[0] != static_cast<int32_t>(got.size()) || counts[1] != counts[0])
            ADD_FAILURE() << ++failures << ": '" << utf8Of(k.fmt) << "' counted " << counts[0] << " and " << counts[1];
        if (i % 150 != 0) continue;
        const size_t full = k.want.size();
        for (int e = 0; e < 8; ++e) {
            const int kind = e % 4;  // 0: unbounded, only a large enough buffer
            for (size_t size : {size_t{0}, size_t{1}, size_t{2}, full, full + 1, full + 2, static_cast<size_t>(rng() % (full + 4)), static_cast<size_t>(rng() % (full + 4))}) {
                if (kind == 0 && size <= full) continue;
                std::vector<char16_t> buf(size + 8, canary);
                const int32_t r = applyArguments(k, [&](auto... a) { return callEntry(e, buf.data(), size, k.fmt.c_str(), a...); });
                SCOPED_TRACE("entry " + std::to_string(e) + " size " + std::to_string(size) + " format '" + utf8Of(k.fmt) + "'");
                const size_t bound = kind == 0 ? full + 1 : size;
                for (size_t j = bound; j < buf.size(); ++j) ASSERT_EQ(buf[j], canary) << "written at " << j;
                const size_t kept = std::min(full, bound - 1);
                if (size != 0) { EXPECT_EQ(std::u16string(buf.data(), kept + 1), k.want.substr(0, kept) + u'\0'); }
                EXPECT_EQ(r, full < bound ? static_cast<int32_t>(full) : kind == 2 ? -1 : static_cast<int32_t>(size));
            }
        }
    }
}

TEST(PrintfBounded, ArgumentChecksAndCuts) {
    qoru_test::TraceCapture quiet(0);
    char16_t b[8] = {u'q', 0}, d[8] = {};
    for (int e = 0; e < 8; ++e) {
        EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(callEntry(e, nullptr, 3, u"x"), -1); }), EBADF) << e;
        EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(callEntry(e, b, 3, nullptr), -1); }), EINVAL) << e;
    }
    // A size above SIZE_MAX / 2 is no buffer's: the "_s" forms refuse it before storing anything anywhere.
    for (int e : {2, 3, 6, 7})
        for (size_t size : {SIZE_MAX / 2 + 1, SIZE_MAX})
            EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(callEntry(e, d + 4, size, u"ab%y"), -1); }), EINVAL) << e;
    EXPECT_EQ(std::u16string(d, 8), std::u16string(8, 0));
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(snprintfU16(b, 0, nullptr) + sprintf_sU16(b, 0, u"x"), -1); }), 0);
    b[0] = b[2] = u'q';
    EXPECT_EQ(snprintf_sU16(b, 3, nullptr), -1);
    EXPECT_EQ(std::u16string(b, 3), std::u16string(u"\0\0q", 3)) << "an empty string, the last unit untouched";
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(printfU16(nullptr), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(scprintfU16(nullptr), -1); }), EINVAL);
    // A count is whole or refused: INT32_MAX units are counted, one more is an overflow, never a wrapped length.
    EXPECT_EQ(scprintfU16(u"%2147483647d", 1), INT32_MAX);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(scprintfU16(u"%2147483647d%d", 1, 2), -1); }), EOVERFLOW);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fprintfU16(stdout, nullptr), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fprintfU16(nullptr, u"x"), -1); }), EBADF);  // not a silent success
    // An invalid format after some text: the text stays, terminated there and nowhere else.
    char16_t c[4] = {u'q', u'q', u'q', u'q'};
    EXPECT_EQ(snprintf_sU16(c, 4, u"ab%y"), -1);
    EXPECT_EQ(std::u16string(c, 4), std::u16string(u"ab\0q", 4));
}

// ---- Reports ----

// A format error reports at level 4 and above, a refused allocation (whose
// results are in the allocation failure walk) at every level above 0.
TEST(PrintfReports, FormatErrorAndOutOfMemory) {
    char16_t b[64];
    for (int level : {4, 1, 0}) {
        qoru_test::TraceCapture cap(level);
        EXPECT_EQ(snprintfU16(b, 64, u"abc%") + scprintfU16(u"%-5y tail"), -2);
        qoru::gFailingAllocation = 1;
        EXPECT_EQ(snprintfU16(b, 64, u"a%.2000db", 7), -1);
        qoru::gFailingAllocation = 0;
        EXPECT_EQ(cap.lines().size(), (level == 4 ? 2u : 0u) + (level > 0));
        for (const char *text : {"u16_OutCon", "Error in format string at or near '\n", "at or near 'y':\n-5y tail\n"})
            EXPECT_EQ(cap.joined().find(text) != std::string::npos, level == 4) << cap.joined();
        for (const char *text : {"vvfprintfU16 : malloc : Out of memory.", "u16_OutCS"})
            EXPECT_EQ(cap.joined().find(text) != std::string::npos, level > 0) << cap.joined();
    }
}

// ---- Streams ----

TEST(PrintfStream, Utf8OnStreams) {
    const qoru_test::TempPath path;
    FILE *t = fopen(path.narrow().c_str(), "wb");
    ASSERT_NE(t, nullptr);
    // A pair is one character within one run; split over two directives, or alone, each half is "#".
    const char16_t pair[] = {0xD83D, 0xDE00, 0};
    EXPECT_EQ(fprintfU16(t, u"%s|%c%c|%c|x\xD83D\xDE00", pair, 0xD83D, 0xDE00, 0xD83D), 11);
    std::string want = "\xF0\x9F\x98\x80|##|#|x\xF0\x9F\x98\x80";
    // Pairs every third unit after 0 to 3 units of padding: some pair straddles every staging block boundary.
    std::u16string text;
    for (int i = 0; i < 700; ++i) text += i % 3 == 0 ? u"\xD83D\xDE00" : u"a";
    for (int pre = 0; pre < 4; ++pre) {
        ASSERT_EQ(fprintfU16(t, u"%*s%s", pre, u"", text.c_str()), static_cast<int32_t>(pre + text.size()));
        want += std::string(static_cast<size_t>(pre), ' ') + utf8Of(text);
    }
    // Random lines: no case starts a run with a low surrogate after a high one ending the run before.
    std::mt19937_64 rng(12345);
    for (int i = 0; i < 400; ++i) {
        const Case k = randomCase(rng);
        ASSERT_EQ(applyArguments(k, [&](auto... a) { return fprintfU16(t, k.fmt.c_str(), a...); }),
                  static_cast<int32_t>(k.want.size())) << utf8Of(k.fmt);
        want += utf8Of(k.want);
    }
    fclose(t);
    EXPECT_EQ(path.contents(), want);
}

// Counts past an int, on a string of 2^31 + 1 units mapped lazily: no count wraps, nothing is read outside it.
TEST(PrintfStream, CountsPastAnIntFailWithEoverflow) {
    const qoru_test::HugeString huge((size_t{1} << 31) + 1);
    if (huge.units == nullptr) GTEST_SKIP() << huge.unavailable;
    FILE *sink = fopen(longDoubleArguments ? "/dev/null" : "NUL", "wb");
    const char16_t *half = huge.units + (size_t{1} << 30);  // 2^30 + 1 units: twice that passes INT_MAX
    for (auto [fmt, first] : {std::pair{u"%5s", huge.units}, {u"%s", huge.units}, {u"%-5s|", huge.units}, {u"%s%s", half}})
        EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fprintfU16(sink, fmt, first, half), -1); }), EOVERFLOW) << utf8Of(fmt);
    fclose(sink);
    char16_t b[4];
    EXPECT_EQ(snprintfU16(b, 4, u"%5s", huge.units) + std::u16string(b).size(), 7u) << "only the units stored count";
}

}  // namespace
