// The name checks of the name services: input names narrowed for the system,
// system names widened into the records, each with its report; and the host
// name's conversion.
#include <cerrno>

#include "flat/nlsui1_utf8.h"
#include "flat/nlsui2.h"
#include "i18n/qoru16/u16_aux.h"
#include "i18n/qoru16/u16_utf8.h"

namespace qoru {

size_t systemNameToUtf16(const char *src, char16_t *dst, size_t capacity) {
    if (const plat::AnsiToUtf16 convert = plat::ansiToUtf16()) return convert(src, dst, capacity);
    const auto *p = reinterpret_cast<const uint8_t *>(src);
    size_t n = 0;
    for (;;) {
        const Utf8Step step = decodeUtf8(p[0], [p](uint32_t i) { return p[i]; });
        char32_t value = step.value;
        uint32_t taken = step.length;
        if (!step.valid) {
            // The bad byte may begin the next sequence: only what came
            // before it is replaced.
            value = 0xFFFD;
            if (taken > 1) --taken;
        }
        const size_t units = value >= 0x10000 ? 2 : 1;
        if (capacity - n < units) return 0;
        if (units == 2) {
            dst[n++] = highSurrogate(value);
            dst[n++] = lowSurrogate(value);
        } else {
            dst[n++] = static_cast<char16_t>(value);
        }
        if (value == 0) return n;
        p += taken;
    }
}

bool narrowInputName(const char *&narrow, char *buf, const charU16 *name, size_t size, const ArrayNames &names) {
    narrow = nullptr;
    if (name == nullptr) return true;
    // A name whose whole UTF-8 form and terminator do not fit is not looked
    // up cut (the converter stops before a character that would not fit).
    if (U2sToUtf8s(nullptr, name, 0) < size) {
        U2sToUtf8s(buf, name, size);
        narrow = buf;
        return true;
    }
    traceArrayTooSmall(names.function, names.array, names.sizeName, __FILE__, __LINE__);
    errno = ENAMETOOLONG;
    return false;
}

bool widenSystemName(charU16 *dst, const char *name, size_t limit, const ArrayNames &names) {
    const size_t stored = Utf8sToU2s(dst, name, limit);
    if (stored == utf8Invalid) {
        traceInvalidUtf8U16(dst, name, limit, __FILE__, __LINE__, names.function);
        errno = EILSEQ;
        return false;
    }
    if (stored == limit) {
        traceArrayTooSmall(names.function, names.array, names.sizeName, __FILE__, __LINE__);
        errno = ENAMETOOLONG;
        return false;
    }
    return true;
}

bool widenOptionalName(charU16 *&field, charU16 *buf, const char *name, size_t limit, const ArrayNames &names) {
    field = nullptr;
    if (name == nullptr) return true;
    if (!widenSystemName(buf, name, limit, names)) return false;
    field = buf;
    return true;
}

bool widenAliasList(char *const *aliases, charU16 *buf, size_t slotUnits, charU16 **list,
                    const ArrayNames &slotNames, const ArrayNames &listNames) {
    size_t i = 0;
    for (; aliases != nullptr && aliases[i] != nullptr; ++i) {
        charU16 *slot = buf + i * slotUnits;
        if (!widenSystemName(slot, aliases[i], slotUnits, slotNames)) return false;
        list[i] = slot;
        // The closing null entry needs the last one.
        if (i + 1 == MAX_ALIASES) {
            traceArrayTooSmall(listNames.function, listNames.array, listNames.sizeName, __FILE__, __LINE__);
            return false;
        }
    }
    list[i] = nullptr;
    return true;
}

}  // namespace qoru
