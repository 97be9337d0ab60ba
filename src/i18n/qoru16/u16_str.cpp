// UTF-16 string functions. Lengths, positions and comparisons are in code
// units; nothing here knows about characters.
#include "qorucum/string.h"

#include <cerrno>
#include <cstring>

#include "i18n/qoru16/u16_heap.h"
#include "i18n/qoru16/u16_strk.h"

namespace {

bool isOddAddress(const void *p) { return (reinterpret_cast<uintptr_t>(p) & 1) != 0; }

bool inSet(charU16 c, const charU16 *set) {
    for (; *set; ++set)
        if (*set == c) return true;
    return false;
}

}  // namespace

extern "C" {

QORUCUM_API size_t strlenU16(const charU16 *s) {
    const charU16 *p = s;
    if (isOddAddress(s)) {
        while (*p) ++p;
    } else {
        p = qoru::chosen<&qoru::Kernels::findZero>()(s);
        qoru::checkReportedRead(s, p + 1);
    }
    return static_cast<size_t>(p - s);
}

QORUCUM_API size_t strnlenU16(const charU16 *s, size_t maxlen) {
    if (isOddAddress(s)) return qoru::plainKernels.findZeroWithin(s, maxlen);
    const size_t n = qoru::chosen<&qoru::Kernels::findZeroWithin>()(s, maxlen);
    qoru::checkReportedRead(s, s + (n < maxlen ? n + 1 : maxlen));
    return n;
}

QORUCUM_API charU16 *strcpyU16(charU16 *dst, const charU16 *src) {
    if (isOddAddress(src)) {
        memcpy(dst, src, (strlenU16(src) + 1) * sizeof(charU16));
    } else {
        qoru::checkReportedRead(src, src + qoru::chosen<&qoru::Kernels::copyString>()(dst, src) + 1);
    }
    return dst;
}

QORUCUM_API charU16 *strcatU16(charU16 *dst, const charU16 *src) {
    strcpyU16(dst + strlenU16(dst), src);
    return dst;
}

QORUCUM_API charU16 *strncpyU16(charU16 *dst, const charU16 *src, size_t n) {
    const size_t len = strnlenU16(src, n);
    memcpy(dst, src, len * sizeof(charU16));
    memset(dst + len, 0, (n - len) * sizeof(charU16));
    return dst;
}

QORUCUM_API charU16 *strncatU16(charU16 *dst, const charU16 *src, size_t n) {
    charU16 *end = dst + strlenU16(dst);
    const size_t len = strnlenU16(src, n);
    memcpy(end, src, len * sizeof(charU16));
    end[len] = 0;
    return dst;
}

QORUCUM_API int32_t strcmpU16(const charU16 *a, const charU16 *b) {
    if (isOddAddress(a) || isOddAddress(b)) {
        while (*a && *a == *b) ++a, ++b;
        return qoru::unitDifference(*a, *b);
    }
    const size_t i = qoru::chosen<&qoru::Kernels::findStop>()(a, b);
    qoru::checkReportedRead(a, a + i + 1);
    qoru::checkReportedRead(b, b + i + 1);
    return qoru::unitDifference(a[i], b[i]);
}

QORUCUM_API int32_t strncmpU16(const charU16 *a, const charU16 *b, size_t n) {
    for (; n >= 4; n -= 4, a += 4, b += 4) {
        if (a[0] == 0 || a[0] != b[0]) return qoru::unitDifference(a[0], b[0]);
        if (a[1] == 0 || a[1] != b[1]) return qoru::unitDifference(a[1], b[1]);
        if (a[2] == 0 || a[2] != b[2]) return qoru::unitDifference(a[2], b[2]);
        if (a[3] == 0 || a[3] != b[3]) return qoru::unitDifference(a[3], b[3]);
    }
    for (; n > 0; --n, ++a, ++b)
        if (*a == 0 || *a != *b) return qoru::unitDifference(*a, *b);
    return 0;
}

QORUCUM_API charU16 *strchrU16(const charU16 *s, charU16 c) {
    const charU16 *p = qoru::findZeroOrUnitAnywhere(s, c);
    return *p == c ? const_cast<charU16 *>(p) : nullptr;
}

QORUCUM_API charU16 *strrchrU16(const charU16 *s, charU16 c) {
    const charU16 *last = nullptr;
    for (;; ++s) {
        if (*s == c) last = s;
        if (*s == 0) return const_cast<charU16 *>(last);
    }
}

QORUCUM_API charU16 *strpbrkU16(const charU16 *s, const charU16 *set) {
    for (; *s; ++s)
        if (inSet(*s, set)) return const_cast<charU16 *>(s);
    return nullptr;
}

QORUCUM_API size_t strspnU16(const charU16 *s, const charU16 *set) {
    const charU16 *p = s;
    while (*p && inSet(*p, set)) ++p;
    return static_cast<size_t>(p - s);
}

QORUCUM_API size_t strcspnU16(const charU16 *s, const charU16 *set) {
    const charU16 *p = s;
    while (*p && !inSet(*p, set)) ++p;
    return static_cast<size_t>(p - s);
}

QORUCUM_API charU16 *strdupU16(const charU16 *s) {
    const size_t units = strlenU16(s) + 1;
    auto *copy = static_cast<charU16 *>(qoru::allocate(units, sizeof(charU16)));
    if (copy != nullptr) memcpy(copy, s, units * sizeof(charU16));
    return copy;
}

}  // extern "C"
