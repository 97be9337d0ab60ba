// The plain level: scalar kernels that read only the units and bytes they
// need, nothing past a terminator or an end. They are the reference every
// other level is tested against, and the level chosen under Valgrind, whose
// memcheck would report the wider levels' reads past a string's end.
#include "i18n/qoru16/u16_cpu.h"
#include "i18n/qoru16/u16_strk.h"
#include "i18n/qoru16/u16_utf8.h"
#include "i18n/qoru16/u16_utf8k.h"

namespace qoru {
namespace {

size_t stringLengthPlain(const char16_t *s) {
    size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}

const char16_t *findZeroOrUnitPlain(const char16_t *s, char16_t c) {
    while (*s != 0 && *s != c) ++s;
    return s;
}

char16_t *findUnitPlain(const char16_t *s, char16_t c) {
    const char16_t *p = findZeroOrUnitPlain(s, c);
    return *p == c ? const_cast<char16_t *>(p) : nullptr;
}

int32_t comparePlain(const char16_t *a, const char16_t *b) {
    size_t i = 0;
    while (a[i] != 0 && a[i] == b[i]) ++i;
    return unitDifference(a[i], b[i]);
}

char16_t *copyPlain(char16_t *dst, const char16_t *src) {
    for (size_t i = 0; (dst[i] = src[i]) != 0; ++i) {
    }
    return dst;
}

size_t findZeroWithinPlain(const char16_t *s, size_t n) {
    size_t i = 0;
    while (i < n && s[i] != 0) ++i;
    return i;
}

int32_t compareWithinPlain(const char16_t *a, const char16_t *b, size_t n) {
    size_t i = 0;
    while (i < n && a[i] == b[i]) ++i;
    return i < n ? unitDifference(a[i], b[i]) : 0;
}

// The bytes a lead announces; an invalid lead stops the kernels anyway.
uint32_t sequenceLength(uint8_t lead) { return lead < 0xE0 ? (lead < 0x80 ? 1 : 2) : lead < 0xF0 ? 3 : 4; }

// Valid characters from p on, each decoded by the one decoder core, while
// the room rule holds (count + reserve <= limit; always when only counting)
// and, with an end, while the whole sequence lies before it.
void convertPlain(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit, const uint8_t *end, size_t reserve) {
    size_t n = count;
    const uint8_t *q = p;
    while (dst == nullptr || n + reserve <= limit) {
        if (end != nullptr && (q == end || sequenceLength(*q) > static_cast<size_t>(end - q))) break;
        const Utf8Step step = decodeUtf8(*q, [q](uint32_t i) { return q[i]; });
        if (!step.valid || step.value == 0) break;
        n += storeCharacter(dst, n, step.value);
        q += step.length;
    }
    count = n;
    p = q;
}

void utf8ToUtf16Plain(char16_t *dst, size_t &count, const uint8_t *&p, size_t limit) {
    convertPlain(dst, count, p, limit, nullptr, 16);
}

void utf8ToUtf16BoundedPlain(char16_t *dst, size_t &count, const uint8_t *&p, const uint8_t *end, size_t limit) {
    if (p < end) convertPlain(dst, count, p, limit, end, 17);
}

// Every unit by itself while it has its four bytes of room.
size_t encodeUtf8Plain(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    const char16_t *s = src;
    for (; *s != 0 && n + 4 <= limit; ++s) n += encodeUnitByItself(*s, out + n);
    src = s;
    return n;
}

size_t countUtf8Plain(const char16_t *src) {
    size_t total = 0;
    for (; *src != 0; ++src) total += unitUtf8Length(*src);
    return total;
}

size_t fillUtf8BlockPlain(const char16_t *units, size_t remaining, uint8_t *buf, size_t &used) {
    size_t i = 0;
    size_t k = used;
    while (i < remaining && k <= utf8BlockThreshold) i += encodeWriterUnit(units + i, remaining - i, buf, k);
    used = k;
    return i;
}

}  // namespace

char16_t *findLastPlain(const char16_t *s, char16_t c) {
    const char16_t *last = nullptr;
    for (;; ++s) {
        if (*s == c) last = s;
        if (*s == 0) return const_cast<char16_t *>(last);
    }
}

char16_t *findUnitWithinPlain(const char16_t *s, char16_t c, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (s[i] == c) return const_cast<char16_t *>(s + i);
    return nullptr;
}

char16_t *fillPlain(char16_t *s, char16_t c, size_t n) {
    for (size_t i = 0; i < n; ++i) s[i] = c;
    return s;
}

// Pairs joined, a lone surrogate left to the caller, while four bytes fit.
size_t encodeRealUtf8Plain(uint8_t *out, size_t n, size_t limit, const char16_t *&src) {
    const char16_t *s = src;
    for (; *s != 0 && n + 4 <= limit; ++s) {
        if (isSurrogateUnit(*s)) {
            if (!isHighSurrogate(*s) || !isLowSurrogate(s[1])) break;
            size_t used = 0;
            encodeWriterUnit(s++, 2, out + n, used);
            n += used;
        } else {
            n += encodeUnitExactly(*s, out + n);
        }
    }
    src = s;
    return n;
}

// The vector encoders' constants (u16_utf8k.h says why here).
namespace {
constexpr Utf8ConstantRows makeUtf8Constants() {
    constexpr uint16_t values[utf8ConstantCount] = {0x3F7F, 0x8000, 0x0FFC, 0x0140, 0xC0E0, 0x4000, 0x0080, 0x0800,
                                                    0x003F, 0x00C0, 0xFF80, 0xF800, 0xD800, 0xFC00, 0xDC00, 0x03FF,
                                                    0x0040, 0x00F0, 0x0003, 0x000F, 0x7800, 0x2800, 0x07FF};
    Utf8ConstantRows rows{};
    for (uint32_t i = 0; i < utf8ConstantCount; ++i)
        for (uint16_t &u : rows.row[i]) u = values[i];
    return rows;
}
}  // namespace
const Utf8ConstantRows utf8Constants = makeUtf8Constants();

const Kernels plainKernels = {
    .level = CpuLevel::plain,
    .stringLength = stringLengthPlain,
    .findZeroOrUnit = findZeroOrUnitPlain,
    .findUnit = findUnitPlain,
    .findLast = findLastPlain,
    .compare = comparePlain,
    .copy = copyPlain,
    .findZeroWithin = findZeroWithinPlain,
    .compareWithin = compareWithinPlain,
    .findUnitWithin = findUnitWithinPlain,
    .fill = fillPlain,
    .utf8ToUtf16 = utf8ToUtf16Plain,
    .utf8ToUtf16Bounded = utf8ToUtf16BoundedPlain,
    .encodeUtf8 = encodeUtf8Plain,
    .encodeRealUtf8 = encodeRealUtf8Plain,
    .countUtf8 = countUtf8Plain,
    .fillUtf8Block = fillUtf8BlockPlain,
};

}  // namespace qoru
