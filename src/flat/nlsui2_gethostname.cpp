// gethostnameU16: the system's host name, read in its ANSI code page.
#include <cerrno>

#include "flat/nlsui2.h"
#include "i18n/qoru16/u16_utf8.h"

extern "C" QORUCUM_API int32_t gethostnameU16(charU16 *name, int32_t len) {
    using namespace qoru;
    if (name == nullptr || len <= 0) {
        errno = EINVAL;
        return -1;
    }
    char narrow[MAX_HOSTNAME_LN];
    if (!gNetLookups.hostName(narrow, sizeof narrow)) return -1;
    // Each byte gives at most one unit, so the whole name always fits here.
    charU16 wide[MAX_HOSTNAME_LN];
    const size_t stored = gNetLookups.ansiToUtf16(narrow, wide, MAX_HOSTNAME_LN);
    if (stored == 0) {
        name[0] = 0;
        errno = EILSEQ;
        return -1;
    }
    const size_t room = static_cast<size_t>(len);
    if (stored <= room) {
        for (size_t i = 0; i < stored; ++i) name[i] = wide[i];
        return 0;
    }
    // Too long: a terminated cut that does not split a surrogate pair.
    size_t cut = room - 1;
    if (cut > 0 && isHighSurrogate(wide[cut - 1])) --cut;
    for (size_t i = 0; i < cut; ++i) name[i] = wide[i];
    name[cut] = 0;
    errno = ENAMETOOLONG;
    return -1;
}
