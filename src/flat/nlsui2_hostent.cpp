// The host record shared by gethostbynameU16 and gethostbyaddrU16, and the
// converter that fills it from the system's record. Its reports name
// gethostbynameU16 whichever operation asked.
#include <cstring>

#include "flat/nlsui2.h"
#include "i18n/qoru16/u16_aux.h"

namespace qoru {
namespace {

hostentU16 hostRecord;
charU16 h_name_buf[MAX_HOSTNAME_LN];
charU16 h_aliases_buf[MAX_ALIASES * MAX_HOSTNAME_LN];
char h_addr_list_buf[MAX_ADDRESSES * MAX_IPADDR_LN];

constexpr char function[] = "gethostbynameU16";

void reportList(const char *array, const char *sizeName, int32_t line) {
    traceArrayTooSmall(function, array, sizeName, __FILE__, line);
}

bool copyAddresses(char *const *addresses, int16_t length) {
    // A negative length would copy without bound: it is refused like one
    // that exceeds the slot.
    if (length < 0 || length > MAX_IPADDR_LN) {
        reportList("h_length", "MAX_IPADDR_LN", __LINE__);
        return false;
    }
    size_t i = 0;
    for (; addresses != nullptr && addresses[i] != nullptr; ++i) {
        char *slot = &h_addr_list_buf[i * MAX_IPADDR_LN];
        std::memcpy(slot, addresses[i], static_cast<size_t>(length));
        hostRecord.h_addr_list[i] = slot;
        if (i + 1 == MAX_ADDRESSES) {
            reportList("h_addr_list_buf", "MAX_ADDRESSES", __LINE__);
            return false;
        }
    }
    hostRecord.h_addr_list[i] = nullptr;
    return true;
}

}  // namespace

hostentU16 *convertHostRecord(const plat::HostRecord &system) {
    if (!widenOptionalName(hostRecord.h_name, h_name_buf, system.name, MAX_HOSTNAME_LN,
                           {function, "h_name_buf", "MAX_HOSTNAME_LN"}) ||
        !widenAliasList(system.aliases, h_aliases_buf, MAX_HOSTNAME_LN, hostRecord.h_aliases,
                        {function, "&h_aliases_buf[i*MAX_HOSTNAME_LN]", "MAX_HOSTNAME_LN"},
                        {function, "h_aliases_buf", "MAX_ALIASES"}) ||
        !copyAddresses(system.addresses, system.length))
        return nullptr;
    hostRecord.h_addrtype = system.addrType;
    hostRecord.h_length = system.length;
    return &hostRecord;
}

}  // namespace qoru
