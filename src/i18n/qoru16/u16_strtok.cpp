// The two tokenizers: one with a process-wide saved position, one with the
// caller's.
#include <cerrno>

#include "qorucum/string.h"

namespace {

charU16 *gTokenPosition = nullptr;

struct Token {
    charU16 *start;  // null when no token is left
    charU16 *next;   // where the next call starts, null when the token ran to the end
    charU16 *end;    // the terminator reached when no token is left or the token ran to the end
};

Token nextToken(charU16 *p, const charU16 *delims) {
    p += strspnU16(p, delims);
    if (*p == 0) return {nullptr, nullptr, p};
    charU16 *start = p;
    p += strcspnU16(p, delims);
    if (*p == 0) return {start, nullptr, p};
    *p = 0;
    return {start, p + 1, nullptr};
}

}  // namespace

extern "C" {

QORUCUM_API charU16 *strtokU16(charU16 *s, const charU16 *delims) {
    charU16 *p = s != nullptr ? s : gTokenPosition;
    if (p == nullptr) return nullptr;
    const Token t = nextToken(p, delims);
    // At the end the position stays on the terminator, so later calls with a
    // null string keep returning null. That holds for a new string without
    // tokens too: keeping the old position would let the next call go back
    // into a string the caller may have released.
    gTokenPosition = t.next != nullptr ? t.next : t.end;
    return t.start;
}

QORUCUM_API charU16 *strtok_rU16(charU16 *s, const charU16 *delims, charU16 **savePtr) {
    if (savePtr == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    charU16 *p = s != nullptr ? s : *savePtr;
    if (p == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    const Token t = nextToken(p, delims);
    *savePtr = t.next;
    return t.start;
}

}  // extern "C"
