// The name services: where the system's records come from, the converters
// that copy them into the static UTF-16 records, and the name checks shared
// by the five entry points.
#ifndef QORU_NLSUI2_H
#define QORU_NLSUI2_H

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "qorucum/netdb.h"

namespace qoru {

// The system look-ups, the platform's by default; tests replace them to feed
// records the system never gives and to see whether the system was asked.
struct NetLookups {
    bool (*hostName)(char *buf, size_t size);
    bool (*hostByName)(const char *name, plat::HostRecord &record);
    bool (*hostByAddr)(const char *addr, int32_t len, int32_t type, plat::HostRecord &record);
    bool (*serviceByName)(const char *name, const char *proto, plat::ServiceRecord &record);
    bool (*serviceByPort)(int32_t port, const char *proto, plat::ServiceRecord &record);
    size_t (*ansiToUtf16)(const char *src, char16_t *dst, size_t capacity);
};
// The system's host name in UTF-16, terminator included, into dst: the
// system's code-page conversion where it has one, else the name decoded as
// UTF-8 with each invalid sequence replaced by U+FFFD, as Windows does.
// Returns the units stored with the terminator, or 0 when they do not fit.
size_t systemNameToUtf16(const char *src, char16_t *dst, size_t capacity);
inline constexpr NetLookups systemNetLookups{plat::hostName,      plat::hostByName,    plat::hostByAddr,
                                             plat::serviceByName, plat::serviceByPort, systemNameToUtf16};
extern NetLookups gNetLookups;

// A service record with its own buffers; each service operation has one.
struct ServiceStorage {
    serventU16 record;
    charU16 s_name_buf[MAX_SERVNAME_LN];
    charU16 s_aliases_buf[MAX_ALIASES * MAX_SERVNAME_LN];
    charU16 s_proto_buf[MAX_SERVPROTONAME_LN];
};

// Names of a report: the operation, the array and the constant that sizes it.
struct ArrayNames {
    const char *function;
    const char *array;
    const char *sizeName;
};

// An input name for the system: narrow becomes null for a null name, or
// points at buf (size bytes) holding its UTF-8 form. False, after the
// array-too-small report and with errno ENAMETOOLONG, when that does not
// fit with its terminator: the name is then not looked up at all.
bool narrowInputName(const char *&narrow, char *buf, const charU16 *name, size_t size, const ArrayNames &names);

// A system name into dst (limit units). False with errno EILSEQ after the
// conversion report when it is invalid UTF-8, or with errno ENAMETOOLONG
// after the array-too-small report when it does not fit with its terminator.
bool widenSystemName(charU16 *dst, const char *name, size_t limit, const ArrayNames &names);

// A system name that may be null: field becomes null, or points at buf
// holding the name widened as widenSystemName does. False when it does not.
bool widenOptionalName(charU16 *&field, charU16 *buf, const char *name, size_t limit, const ArrayNames &names);

// A system alias list (null counts as empty) widened into the slots of buf,
// slotUnits each, and entered in list (MAX_ALIASES entries), which a null
// entry closes. False after the report of the slot (slotNames) or, when the
// 64th entry has been stored, of the list (listNames).
bool widenAliasList(char *const *aliases, charU16 *buf, size_t slotUnits, charU16 **list,
                    const ArrayNames &slotNames, const ArrayNames &listNames);

// Fill the shared host record, or a service storage, from the system's
// record; null on the first field that does not fit (fields written before
// it stay).
hostentU16 *convertHostRecord(const plat::HostRecord &system);
serventU16 *convertServiceRecord(const plat::ServiceRecord &system, ServiceStorage &storage,
                                 const char *function);

}  // namespace qoru

#endif
