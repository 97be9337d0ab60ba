// The printf family: the directive grammar and the field layout by tables,
// a random differential test against a reference layout written here, the
// bounded-buffer contract of every entry point, format errors and
// out-of-memory reports, and stream output.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "child.h"
#include "errno_after.h"
#include "i18n/qoru16/u16_FrmOut.h"
#include "qorucum.h"
#include "temp_path.h"
#include "trace_capture.h"
#include "utf8_text.h"

namespace {

using qoru::OutSpec;

// ---- Helpers ------------------------------------------------------------------

std::u16string widen(const std::string &s) {
    std::u16string out;
    for (unsigned char c : s) out += static_cast<char16_t>(c);
    return out;
}

std::string narrowForDisplay(const std::u16string &s) {
    std::string out;
    for (char16_t c : s) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[12];
            snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
            out += hex;
        }
    }
    return out;
}

// Formats into a large buffer; the result string is cut at the returned count
// so that embedded zero units (from '%c' of 0) stay visible.
std::u16string format(const char16_t *fmt, ...) {
    static char16_t buf[8192];
    va_list args;
    va_start(args, fmt);
    const int32_t n = vsnprintfU16(buf, sizeof buf / sizeof buf[0], fmt, args);
    va_end(args);
    if (n < 0) return u"<error>";
    return std::u16string(buf, static_cast<size_t>(n));
}

int32_t parseDirective(OutSpec &spec, const char16_t *p, ...) {
    va_list args;
    va_start(args, p);
    qoru::resetOutSpec(spec);
    const int32_t n = qoru::parseOutDirective(spec, p, args);
    va_end(args);
    return n;
}

std::string flagsOf(const OutSpec &s) {
    std::string f;
    if (s.leftJustify) f += '-';
    if (s.plusSign) f += '+';
    if (s.spaceSign) f += ' ';
    if (s.alternate) f += '#';
    if (s.zeroPad) f += '0';
    return f;
}

// ---- Directive grammar ----------------------------------------------------------

struct GrammarRow {
    const char16_t *text;  // the directive after "%"
    int32_t used;          // units consumed, -1 for invalid
    const char *flags;
    int32_t width;
    int32_t precision;
    uint32_t lengthFlags;
    char16_t conversion;
};

TEST(PrintfGrammar, DirectivesParseIntoTheirFields) {
    qoru_test::TraceCapture quiet(0);
    const GrammarRow rows[] = {
        // text         used flags    width prec  length  letter
        {u"d", 1, "", -1, -1, 0, u'd'},
        {u"-+ #0d", 6, "-+ #0", -1, -1, 0, u'd'},
        {u"--5d", 4, "-", 5, -1, 0, u'd'},
        {u"0-0d", -1, "", -1, -1, 0, 0},  // repeated "0": invalid
        {u"++d", -1, "", -1, -1, 0, 0},
        {u"12.34x", 6, "", 12, 34, 0, u'x'},
        {u".x", 2, "", -1, 0, 0, u'x'},
        {u".007s", 5, "", -1, 7, 0, u's'},
        {u"hhd", 3, "", -1, -1, 0x2, u'd'},
        {u"hd", 2, "", -1, -1, 0x4, u'd'},
        {u"ld", 2, "", -1, -1, 0x8, u'd'},
        {u"lld", 3, "", -1, -1, 0x10, u'd'},
        {u"jd", 2, "", -1, -1, 0x20, u'd'},
        {u"zd", 2, "", -1, -1, 0x40, u'd'},
        {u"td", 2, "", -1, -1, 0x80, u'd'},
        {u"Lf", 2, "", -1, -1, 0x100, u'f'},
        {u"I64d", 4, "", -1, -1, 0x200, u'd'},
        {u"I32d", -1, "", -1, -1, 0, 0},
        {u"Id", -1, "", -1, -1, 0, 0},
        {u"5%", 2, "", 5, -1, 0, u'%'},
        {u"y", -1, "", -1, -1, 0, 0},
        {u"n", -1, "", -1, -1, 0, 0},
        {u"S", -1, "", -1, -1, 0, 0},
        {u"", -1, "", -1, -1, 0, 0},
        {u"5.", -1, "", 5, -1, 0, 0},
        {u"\u0164", -1, "", -1, -1, 0, 0},  // low byte 0x64 is "d", but only ASCII matches
    };
    for (const auto &row : rows) {
        OutSpec spec;
        const int32_t used = parseDirective(spec, row.text);
        SCOPED_TRACE(narrowForDisplay(row.text));
        EXPECT_EQ(used, row.used);
        if (row.used < 0) continue;
        EXPECT_EQ(flagsOf(spec), row.flags);
        EXPECT_EQ(spec.width, row.width);
        EXPECT_EQ(spec.precision, row.precision);
        EXPECT_EQ(spec.lengthFlags, row.lengthFlags);
        EXPECT_EQ(spec.conversion, row.conversion);
    }
}

TEST(PrintfGrammar, StarsTakeIntArgumentsInOrder) {
    OutSpec spec;
    EXPECT_EQ(parseDirective(spec, u"*.*d", 7, 3), 4);
    EXPECT_EQ(spec.width, 7);
    EXPECT_EQ(spec.precision, 3);
    EXPECT_EQ(parseDirective(spec, u"-*d", -3), 3);
    EXPECT_EQ(spec.width, -3);  // kept negative, no left justification from it
    EXPECT_EQ(flagsOf(spec), "-");
    EXPECT_EQ(parseDirective(spec, u"*d", -3), 2);
    EXPECT_EQ(flagsOf(spec), "");
}

int32_t parseWidth(const char16_t *p, int32_t *out, ...) {
    va_list args;
    va_start(args, out);
    const int32_t n = qoru::parseFieldWidth(out, p, args);
    va_end(args);
    return n;
}

TEST(PrintfGrammar, SharedWidthAndLengthParsers) {
    int32_t w = 99;
    EXPECT_EQ(parseWidth(u"x", &w), 0);
    EXPECT_EQ(w, 99) << "nothing stored without digits";
    const struct { const char16_t *text; int32_t used, width; } rows[] = {{u"0", 1, 0}, {u"123x", 3, 123}, {u"*", 1, -8}};
    for (const auto &r : rows) {
        EXPECT_EQ(parseWidth(r.text, &w, -8), r.used);
        EXPECT_EQ(w, r.width);
    }
    EXPECT_EQ(parseWidth(u"99999999999", &w), 11);  // wraps without failing
    uint32_t flags = 77;
    EXPECT_EQ(qoru::parseLengthModifier(&flags, u"I6"), 0);
    EXPECT_EQ(qoru::parseLengthModifier(&flags, u"q"), 0);
    EXPECT_EQ(flags, 77u);
    EXPECT_EQ(qoru::parseLengthModifier(&flags, u"hhh"), 2);
    EXPECT_EQ(flags, qoru::lengthHH);
}

// ---- Field layout -----------------------------------------------------------------

// Fixed texts and extremes the random test below meets seldom or never.
TEST(PrintfLayout, FixedTextsAndExtremes) {
    const std::pair<std::u16string, std::u16string> rows[] = {
        {format(u"%d", std::numeric_limits<int>::min()), u"-2147483648"},
        {format(u"%lld", std::numeric_limits<long long>::min()), u"-9223372036854775808"},
        {format(u"%I64u", std::numeric_limits<unsigned long long>::max()), u"18446744073709551615"},
        {format(u"%.0d|%#.0o|%#x|%#.0x|%#.5o", 0, 0u, 0u, 0u, 8u), u"|0|0||00010"},
        {format(u"%+f|%+.1f|% f", -0.0, 0.0, -0.0), u"-0.000000|+0.0|-0.000000"},  // a negative zero is negative
        {format(u"%p|%s|%3c|", nullptr, nullptr, 0), std::u16string(u"(nil)|(null)|   ") + char16_t(0) + u"|"},
        {format(u"no directives"), u"no directives"},
    };
    for (const auto &[got, want] : rows) EXPECT_EQ(narrowForDisplay(got), narrowForDisplay(want));
}

TEST(PrintfLayout, LongTextsUseTheHeap) {
    const std::u16string long1500(1500, u'x');
    EXPECT_EQ(format(u"[%s]", long1500.c_str()), u"[" + long1500 + u"]");
    const std::u16string digits = format(u"%.2000d", 42);
    ASSERT_EQ(digits.size(), 2000u);
    EXPECT_EQ(digits.substr(1998), u"42");
    EXPECT_EQ(digits.find_first_not_of(u'0'), 1998u);
    char narrow[1200];
    snprintf(narrow, sizeof narrow, "%.1000e", 1.0 / 3.0);
    EXPECT_EQ(format(u"%.1000e", 1.0 / 3.0), widen(narrow));
    snprintf(narrow, sizeof narrow, "%.400f", 1e300);
    EXPECT_EQ(format(u"%.400f", -1e300), u"-" + widen(narrow));
}

// Fixed-point text is written exactly by the library for precisions up to 17;
// it must agree with the C library's formatter digit for digit, ties included.
TEST(PrintfLayout, FixedTextMatchesTheFormatter) {
    std::mt19937_64 rng(7);
    char narrow[400];
    int failures = 0;
    for (int i = 0; i < 40000 && failures < 10; ++i) {
        double v;
        switch (i % 4) {
        case 0: v = std::ldexp(static_cast<double>(rng() % 4096), -static_cast<int>(rng() % 14)); break;  // ties
        case 1: v = std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 140) - 120); break;
        case 2: v = static_cast<double>(rng() % 100000) / 37.0; break;
        default: {
            const uint64_t bits = rng() & ~(uint64_t{1} << 63);
            memcpy(&v, &bits, sizeof v);
        }
        }
        const int precision = static_cast<int>(rng() % 21);
        const bool hash = rng() % 4 == 0;
        snprintf(narrow, sizeof narrow, hash ? "%#.*f" : "%.*f", precision, v);
        const std::u16string got = hash ? format(u"%#.*f", precision, v) : format(u"%.*f", precision, v);
        if (got != widen(narrow)) {
            ++failures;
            ADD_FAILURE() << "%." << precision << "f of " << narrow << " gave " << narrowForDisplay(got);
        }
    }
}

// ---- Random differential test -------------------------------------------------------

using Value = std::variant<int, unsigned, long long, unsigned long long, double, const char16_t *, void *>;

struct Directive {
    std::string flags;  // flags, width and precision as written (a "-" may repeat)
    bool minus = false, plus = false, space = false, hash = false, zero = false;
    int width = -1;
    int precision = -1;
    std::vector<int> stars;  // the "*" arguments in order
    std::string length;
    char conversion = 'd';
    std::u16string text;  // the whole directive, "%" included
};

struct Case {
    Directive d;
    Value value;
    std::u16string fmt;   // literal + directive + literal
    std::u16string want;  // the reference output
};

// Digits of a magnitude by plain division, independent of the library's
// writer, with the precision's leading zeros.
std::u16string referenceInteger(unsigned long long v, unsigned base, bool upper, int precision, bool octalAlternate) {
    std::u16string digits;
    for (; v != 0; v /= base) digits.insert(digits.begin(), static_cast<char16_t>("0123456789abcdef0123456789ABCDEF"[v % base + (upper ? 16 : 0)]));
    if (digits.empty() && (precision != 0 || octalAlternate)) digits = u"0";
    const int zeros = precision - static_cast<int>(digits.size()) - (octalAlternate ? 1 : 0);
    return std::u16string(static_cast<size_t>(zeros > 0 ? zeros : 0), u'0') + digits;
}

bool isNumeric(char c) { return strchr("AEFGXadefgioux", c) != nullptr; }

// The field layout written out plainly from its rules.
std::u16string referenceLayout(const Directive &d, const Value &value) {
    const bool wide = d.length == "ll" || d.length == "I64";
    std::u16string text;
    bool negative = false;
    const char c = d.conversion;
    switch (c) {
    case 'd': case 'i': {
        const long long v = wide ? std::get<long long>(value) : std::get<int>(value);
        negative = v < 0;
        const unsigned long long mag = v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
        text = referenceInteger(mag, 10, false, d.precision, false);
        break;
    }
    case 'u': case 'o':
    case 'x': case 'X': {
        const unsigned long long v = wide ? std::get<unsigned long long>(value) : std::get<unsigned>(value);
        text = referenceInteger(v, c == 'u' ? 10 : c == 'o' ? 8 : 16, c == 'X', d.precision, c == 'o' && d.hash);
        break;
    }
    case 'p': {
        void *p = std::get<void *>(value);
        text = p == nullptr ? u"(nil)" : referenceInteger(reinterpret_cast<uintptr_t>(p), 16, false, d.precision, false);
        break;
    }
    case 'c': text = std::u16string(1, static_cast<char16_t>(std::get<int>(value))); break;
    case 's': {
        const char16_t *s = std::get<const char16_t *>(value);
        text = s == nullptr ? u"(null)" : s;
        if (d.precision >= 0 && text.size() > static_cast<size_t>(d.precision)) text.resize(static_cast<size_t>(d.precision));
        break;
    }
    case '%': text = u"%"; break;
    default: {
        // Floating-point digits come from the C library's own formatter, on
        // the magnitude.
        const double v = std::get<double>(value);
        negative = std::signbit(v);
        std::string directive = "%";
        if (d.hash) directive += '#';
        directive += ".*";
        directive += c;
        std::vector<char> buf(static_cast<size_t>(d.precision) + 800);
        snprintf(buf.data(), buf.size(), directive.c_str(), d.precision < 0 ? 6 : d.precision, std::fabs(v));
        text = widen(buf.data());
        break;
    }
    }
    const size_t length = text.size() == 1 && text[0] == 0 ? 0 : text.size();
    std::u16string sign;
    if (isNumeric(c) && !strchr("ouxX", c)) {
        if (negative) sign = u"-";
        else if (d.plus) sign = u"+";
        else if (d.space) sign = u" ";
    }
    std::u16string prefix;
    if (d.hash && isNumeric(c) && length != 0 && text != u"0")
        prefix = c == 'x' ? u"0x" : c == 'X' ? u"0X" : c == 'o' ? u"0" : u"";
    long long pad = d.width == -1 ? 0 : static_cast<long long>(d.width) - static_cast<long long>(sign.size() + length + prefix.size());
    if (pad < 0) pad = 0;
    const bool belowWidth = d.precision != -1 && d.width != -1 && d.precision < d.width;
    std::u16string out;
    if (!d.minus && (!d.zero || belowWidth)) out.append(static_cast<size_t>(pad), u' ');
    out += sign + prefix;
    if (d.zero && !d.minus && !belowWidth) out.append(static_cast<size_t>(pad), u'0');
    out += text;
    if (d.minus) out.append(static_cast<size_t>(pad), u' ');
    return out;
}

class RandomCases {
public:
    explicit RandomCases(uint64_t seed) : rng_(seed) {}

    Case next() {
        Case k;
        Directive &d = k.d;
        d.conversion = pick("%AEFGXacdefgiopsux");
        makeFlags(d);
        makeWidth(d);
        makePrecision(d);
        static const char *const lengths[] = {"", "", "", "hh", "h", "l", "ll", "j", "z", "t", "L", "I64"};
        d.length = lengths[below(12)];
        d.text = u"%" + widen(d.flags + d.length) + static_cast<char16_t>(d.conversion);
        k.value = makeValue(d);
        k.fmt = literal() + d.text + literal();
        const size_t at = k.fmt.find(u'%');
        k.want = k.fmt.substr(0, at) + referenceLayout(d, k.value) + k.fmt.substr(at + d.text.size());
        return k;
    }

private:
    unsigned below(unsigned n) { return static_cast<unsigned>(rng_() % n); }
    char pick(const char *set) { return set[below(static_cast<unsigned>(strlen(set)))]; }

    std::u16string literal() {
        static const char16_t *const pieces[] = {u"", u"", u"ab", u" = ", u"\u00e9\u20ac", u"x\xD83D\xDE00y", u"<", u"\n"};
        return pieces[below(8)];
    }

    void makeFlags(Directive &d) {
        std::string order = "-+ #0";
        std::shuffle(order.begin(), order.end(), rng_);
        for (char f : order) {
            if (below(3) != 0) continue;
            d.flags += f;
            if (f == '-' && below(4) == 0) d.flags += '-';
        }
        if (d.flags.size() > 5) d.flags.resize(5);
        for (char f : d.flags) {
            d.minus |= f == '-';
            d.plus |= f == '+';
            d.space |= f == ' ';
            d.hash |= f == '#';
            d.zero |= f == '0';
        }
    }

    void makeWidth(Directive &d) {
        switch (below(4)) {
        case 0: return;
        case 1:
            d.width = static_cast<int>(below(61)) - 30;
            d.stars.push_back(d.width);
            d.flags += '*';
            return;
        default:
            d.width = 1 + static_cast<int>(below(40));
            d.flags += std::to_string(d.width);
        }
    }

    void makePrecision(Directive &d) {
        switch (below(5)) {
        case 0:
        case 1: break;
        case 2:
            d.precision = 0;
            d.flags += '.';
            break;
        case 3:
            d.precision = static_cast<int>(below(16)) - 6;
            d.stars.push_back(d.precision);
            d.flags += ".*";
            break;
        default:
            d.precision = static_cast<int>(below(45));
            d.flags += '.' + std::string(below(3), '0') + std::to_string(d.precision);
        }
    }

    Value makeValue(const Directive &d) {
        const bool wide = d.length == "ll" || d.length == "I64";
        const uint64_t bits = rng_() >> below(64);
        switch (d.conversion) {
        case 'd': case 'i': return wide ? Value(static_cast<long long>(bits)) : Value(static_cast<int>(static_cast<uint32_t>(bits)));
        case 'u': case 'o': case 'x': case 'X': return wide ? Value(static_cast<unsigned long long>(bits)) : Value(static_cast<unsigned>(bits));
        case 'p': return below(8) == 0 ? Value(static_cast<void *>(nullptr)) : Value(reinterpret_cast<void *>(bits));
        case 'c': return Value(static_cast<int>(below(5) == 0 ? 0 : bits & 0x3FFFF));
        case 's': {
            static const char16_t *const strings[] = {nullptr, u"", u"a", u"hello world", u"\u00e9t\u00e9",
                                                      u"x\xD83D\xDE00y", u"0123456789abcdefghijklmnopqrstuvwxyz"};
            return Value(strings[below(7)]);
        }
        case '%': return Value(0);
        default: return Value(randomDouble());
        }
    }

    double randomDouble() {
        static const double specials[] = {0.0, -0.0, 1.0, -1.0, 0.5, 1e300, -1e-300, 123456789.125,
                                          std::numeric_limits<double>::infinity(),
                                          -std::numeric_limits<double>::infinity(),
                                          std::numeric_limits<double>::quiet_NaN(),
                                          -std::numeric_limits<double>::quiet_NaN(),
                                          std::numeric_limits<double>::denorm_min(),
                                          std::numeric_limits<double>::max()};
        if (below(4) == 0) return specials[below(sizeof specials / sizeof specials[0])];
        const double mantissa = std::uniform_real_distribution<double>(-10.0, 10.0)(rng_);
        return std::ldexp(mantissa, static_cast<int>(below(200)) - 100);
    }

    std::mt19937_64 rng_;
};

// Calls f with the directive's "*" arguments and its value, as a variadic
// call would pass them.
template <class F>
int32_t applyArguments(const Case &k, F &&f) {
    return std::visit(
        [&](auto v) -> int32_t {
            const auto &s = k.d.stars;
            switch (s.size()) {
            case 0: return f(v);
            case 1: return f(s[0], v);
            default: return f(s[0], s[1], v);
            }
        },
        k.value);
}

TEST(PrintfRandom, MatchesTheReferenceLayout) {
    const uint64_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    RandomCases cases(seed);
    static char16_t buf[4096];
    int failures = 0;
    for (int i = 0; i < 6000 && failures < 10; ++i) {
        const Case k = cases.next();
        const int32_t n = applyArguments(k, [&](auto... a) { return sprintfU16(buf, k.fmt.c_str(), a...); });
        const std::u16string got = n < 0 ? u"<error>" : std::u16string(buf, static_cast<size_t>(n));
        if (got != k.want) {
            ++failures;
            ADD_FAILURE() << "format '" << narrowForDisplay(k.fmt) << "' gave '" << narrowForDisplay(got)
                          << "' expected '" << narrowForDisplay(k.want) << "'";
        }
    }
}

// ---- Bounded buffers: every buffer entry point ----------------------------------------

int32_t callWithList(int32_t (*f)(charU16 *, size_t, const charU16 *, va_list), charU16 *buffer, size_t size,
                     const charU16 *fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const int32_t r = f(buffer, size, fmt, args);
    va_end(args);
    return r;
}

int32_t vsprintfSized(charU16 *buffer, size_t, const charU16 *fmt, va_list args) {
    return vsprintfU16(buffer, fmt, args);
}

enum class Kind { plain, snprintf, sprintfS, snprintfS };

struct EntryPoint {
    const char *name;
    Kind kind;
    bool viaList;
    int32_t (*listForm)(charU16 *, size_t, const charU16 *, va_list);
};

const EntryPoint bufferEntryPoints[] = {
    {"sprintfU16", Kind::plain, false, nullptr},
    {"vsprintfU16", Kind::plain, true, vsprintfSized},
    {"snprintfU16", Kind::snprintf, false, nullptr},
    {"vsnprintfU16", Kind::snprintf, true, vsnprintfU16},
    {"sprintf_sU16", Kind::sprintfS, false, nullptr},
    {"vsprintf_sU16", Kind::sprintfS, true, vsprintf_sU16},
    {"snprintf_sU16", Kind::snprintfS, false, nullptr},
    {"vsnprintf_sU16", Kind::snprintfS, true, vsnprintf_sU16},
};

template <class... A>
int32_t callEntry(const EntryPoint &e, charU16 *buffer, size_t size, const charU16 *fmt, A... a) {
    if (e.viaList) return callWithList(e.listForm, buffer, size, fmt, a...);
    switch (e.kind) {
    case Kind::plain: return sprintfU16(buffer, fmt, a...);
    case Kind::snprintf: return snprintfU16(buffer, size, fmt, a...);
    case Kind::sprintfS: return sprintf_sU16(buffer, size, fmt, a...);
    default: return snprintf_sU16(buffer, size, fmt, a...);
    }
}

TEST(PrintfBounded, EveryEntryPointOnEverySize) {
    const uint64_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    RandomCases cases(seed);
    std::mt19937 rng(static_cast<uint32_t>(seed));
    constexpr char16_t canary = 0xCCCC;
    constexpr size_t slack = 8;
    for (int i = 0; i < 300; ++i) {
        const Case k = cases.next();
        const size_t full = k.want.size();
        for (const auto &e : bufferEntryPoints) {
            // Sizes from 0 to past the full length, plus a few random ones.
            std::vector<size_t> sizes = {0, 1, 2, full, full + 1, full + 2};
            for (int j = 0; j < 4; ++j) sizes.push_back(rng() % (full + 4));
            for (size_t size : sizes) {
                if (e.kind == Kind::plain && size <= full) continue;  // unbounded: only a large enough buffer
                std::vector<char16_t> buf(size + slack, canary);
                const int32_t r = applyArguments(
                    k, [&](auto... a) { return callEntry(e, buf.data(), size, k.fmt.c_str(), a...); });
                SCOPED_TRACE(std::string(e.name) + " size " + std::to_string(size) + " format '" +
                             narrowForDisplay(k.fmt) + "'");
                const size_t bound = e.kind == Kind::plain ? full + 1 : size;
                for (size_t j = bound; j < buf.size(); ++j) ASSERT_EQ(buf[j], canary) << "written at " << j;
                if (size == 0 && e.kind != Kind::plain) {
                    EXPECT_EQ(r, e.kind == Kind::sprintfS ? -1 : 0);
                    continue;
                }
                const bool fits = full < bound;
                const size_t kept = fits ? full : bound - 1;
                EXPECT_EQ(std::u16string(buf.data(), kept), k.want.substr(0, kept));
                EXPECT_EQ(buf[kept], 0);
                int32_t want = fits ? static_cast<int32_t>(full) : static_cast<int32_t>(size);
                if (!fits && e.kind == Kind::sprintfS) want = -1;
                EXPECT_EQ(r, want);
            }
        }
    }
}

// A full buffer meeting a character, a "#" prefix or an empty string is a cut
// like any other: terminated, and the cut's usual result.
TEST(PrintfBounded, FullBufferAtADirectiveIsACut) {
    char16_t b[4];
    EXPECT_EQ(snprintfU16(b, 2, u"ab%c", 'x'), 2);
    EXPECT_EQ(std::u16string(b), u"a");
    EXPECT_EQ(snprintfU16(b, 2, u"ab%#x", 255u), 2);
    EXPECT_EQ(snprintfU16(b, 2, u"ab%s", u""), 2);
    EXPECT_EQ(snprintf_sU16(b, 2, u"ab%c", 'x'), 2);
    EXPECT_EQ(sprintf_sU16(b, 2, u"ab%c", 'x'), -1);
    EXPECT_EQ(std::u16string(b), u"a");
    EXPECT_EQ(snprintfU16(nullptr, 0, u"%c%#x%s", 'x', 1u, u""), 0);
}

TEST(PrintfBounded, ArgumentChecks) {
    using qoru_test::errnoAfter;
    char16_t b[8] = {u'q', 0};
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(snprintfU16(b, 0, nullptr), 0); }), 0);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(snprintfU16(nullptr, 3, u"x"), -1); }), EBADF);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(snprintfU16(b, 3, nullptr), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(sprintfU16(nullptr, u"%s"), -1); }), EBADF);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(sprintfU16(b, nullptr), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(callWithList(vsprintfSized, nullptr, 0, u"%s"), -1); }), EBADF);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(sprintf_sU16(b, 0, u"x"), -1); }), 0);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(sprintf_sU16(nullptr, 3, u"x"), -1); }), EBADF);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(sprintf_sU16(b, 3, nullptr), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(snprintf_sU16(b, 0, u"x"), 0); }), 0);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(snprintf_sU16(nullptr, 3, u"x"), -1); }), EBADF);
    b[2] = u'q';
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(snprintf_sU16(b, 3, nullptr), -1); }), EINVAL);
    EXPECT_EQ(b[2], 0);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(printfU16(nullptr), -1); }), EINVAL);
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fprintfU16(stdout, nullptr), -1); }), EINVAL);
    // A null stream is a bad stream, not a silent success.
    EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(fprintfU16(nullptr, u"x"), -1); }), EBADF);
    // An invalid format after some text: the text stays, terminated, and
    // snprintf_sU16 also terminates the last unit.
    char16_t c[4] = {u'q', u'q', u'q', u'q'};
    qoru_test::TraceCapture quiet(0);
    EXPECT_EQ(snprintf_sU16(c, 4, u"ab%y"), -1);
    EXPECT_EQ(std::u16string(c), u"ab");
    EXPECT_EQ(c[3], 0);
}

// ---- Reports ---------------------------------------------------------------------------

TEST(PrintfReports, FormatErrorAtLevelFourOnly) {
    char16_t b[32];
    {
        qoru_test::TraceCapture cap(4);
        EXPECT_EQ(snprintfU16(b, 32, u"abc%"), -1);
        EXPECT_EQ(std::u16string(b), u"abc");
        ASSERT_EQ(cap.lines().size(), 1u);
        const std::string &m = cap.lines()[0];
        EXPECT_NE(m.find("u16_OutCon"), std::string::npos) << m;
        const std::string text = "Error in format string at or near '";
        const size_t at = m.find(text);
        ASSERT_NE(at, std::string::npos) << m;
        EXPECT_EQ(m.substr(at + text.size(), 1), "\n") << m;  // the message ends at the terminator
    }
    {
        qoru_test::TraceCapture cap(4);
        EXPECT_EQ(snprintfU16(b, 32, u"%-5y tail"), -1);
        ASSERT_EQ(cap.lines().size(), 1u);
        EXPECT_NE(cap.lines()[0].find("Error in format string at or near 'y':\n-5y tail\n"), std::string::npos)
            << cap.lines()[0];
    }
    {
        qoru_test::TraceCapture cap(1);
        EXPECT_EQ(snprintfU16(b, 32, u"%y"), -1);
        EXPECT_TRUE(cap.lines().empty());
    }
}

void *refuseAllocation(size_t) { return nullptr; }

struct FailingAllocator {
    FailingAllocator() : saved(qoru::gFormatAllocate) { qoru::gFormatAllocate = refuseAllocation; }
    ~FailingAllocator() { qoru::gFormatAllocate = saved; }
    qoru::FormatAllocator saved;
};

TEST(PrintfReports, OutOfMemoryCostsOnlyThatDirective) {
    FailingAllocator failing;
    char16_t b[64];
    {
        qoru_test::TraceCapture cap(4);
        errno = 0;
        EXPECT_EQ(snprintfU16(b, 64, u"a%.2000db%.500ec%5sd", 7, 1.5, u"x"), 9);
        EXPECT_EQ(std::u16string(b), u"abc    xd");
        EXPECT_EQ(errno, ENOMEM);
        ASSERT_EQ(cap.lines().size(), 2u);
        EXPECT_NE(cap.lines()[0].find("vvfprintfU16 : malloc : Out of memory."), std::string::npos);
        EXPECT_NE(cap.lines()[0].find("u16_OutCS"), std::string::npos);
    }
    {
        qoru_test::TraceCapture cap(0);
        errno = 0;
        EXPECT_EQ(snprintfU16(b, 64, u"%.2000d", 7), 0);
        EXPECT_EQ(errno, ENOMEM);
        EXPECT_TRUE(cap.lines().empty());
    }
    // Strings are output from the caller's own text: no heap, whatever their length.
    const std::u16string long1500(1500, u'y');
    std::vector<char16_t> big(1600);
    EXPECT_EQ(snprintfU16(big.data(), big.size(), u"%s", long1500.c_str()), 1500);
}

// ---- Streams -----------------------------------------------------------------------------

std::string readBack(FILE *f) {
    fflush(f);
    rewind(f);
    std::string bytes;
    for (int c; (c = fgetc(f)) != EOF;) bytes += static_cast<char>(c);
    return bytes;
}

struct TempStream {
    TempStream() : f(tmpfile()) {}
    ~TempStream() {
        if (f) fclose(f);
    }
    FILE *f;
};

TEST(PrintfStream, SurrogatePairsJoinWithinARunOnly) {
    TempStream t;
    ASSERT_NE(t.f, nullptr);
    const char16_t pair[] = {0xD83D, 0xDE00, 0};
    // Within one run (literal or string) the pair is one character; split
    // over two directives each half is "#"; a lone half is "#".
    EXPECT_EQ(fprintfU16(t.f, u"%s|%c%c|%c|x\xD83D\xDE00", pair, 0xD83D, 0xDE00, 0xD83D), 11);
    EXPECT_EQ(readBack(t.f), "\xF0\x9F\x98\x80|##|#|x\xF0\x9F\x98\x80");
}

TEST(PrintfStream, LongOutputKeepsPairsAcrossBlocks) {
    TempStream t;
    ASSERT_NE(t.f, nullptr);
    // Pairs every third unit: with one to three units of padding before it,
    // some pair straddles every block boundary of the staging.
    std::u16string text;
    std::string one;
    for (int i = 0; i < 700; ++i) {
        text += (i % 3 == 0) ? std::u16string{0xD83D, 0xDE00} : u"a";
        one += (i % 3 == 0) ? "\xF0\x9F\x98\x80" : "a";
    }
    std::string want;
    for (int pre = 0; pre < 4; ++pre) {
        ASSERT_EQ(fprintfU16(t.f, u"%*s%s", pre, u"", text.c_str()), static_cast<int32_t>(pre + text.size()));
        want += std::string(static_cast<size_t>(pre), ' ') + one;
    }
    EXPECT_EQ(readBack(t.f), want);
}

// Every literal and directive is a run of its own: the reference encoder
// applies to the whole text as the random cases never put a low surrogate
// at the start of a run after a high one at the end of the one before.
TEST(PrintfStream, RandomLinesMatchTheBufferOutput) {
    TempStream t;
    ASSERT_NE(t.f, nullptr);
    RandomCases cases(12345);
    std::string want;
    for (int i = 0; i < 400; ++i) {
        Case k = cases.next();
        const int32_t r = applyArguments(k, [&](auto... a) { return fprintfU16(t.f, k.fmt.c_str(), a...); });
        ASSERT_EQ(r, static_cast<int32_t>(k.want.size())) << narrowForDisplay(k.fmt);
        want += qoru_test::utf8Of(k.want);
    }
    EXPECT_EQ(readBack(t.f), want);
}

TEST(PrintfStream, AStreamThatRefusesBytesFails) {
    qoru_test::TempPath path;
    ASSERT_TRUE(path.write(""));
    FILE *readOnly = fopen(path.path().string().c_str(), "rb");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_EQ(fprintfU16(readOnly, u"abc%d", 5), -1);
    fclose(readOnly);
}

qoru_test::Child printToStandardOutput("printf_stdout", [](const std::vector<std::string> &) {
    const int32_t r = printfU16(u"\u00e9%s", u"\u20ac");
    fflush(stdout);
    return r;
});

TEST(PrintfStream, PrintfWritesUtf8ToStandardOutput) {
    const auto result = qoru_test::runChild("printf_stdout");
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.standardOutput, "\xC3\xA9\xE2\x82\xAC");
}

}  // namespace
