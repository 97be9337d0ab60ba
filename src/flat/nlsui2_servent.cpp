// The converter that fills a service record from the system's record; each
// service operation hands it its own storage and its own name for reports.
#include "flat/nlsui2.h"
#include "i18n/qoru16/u16_aux.h"

namespace qoru {
namespace {

bool convertAliases(char *const *aliases, ServiceStorage &storage, const char *function) {
    size_t i = 0;
    for (; aliases != nullptr && aliases[i] != nullptr; ++i) {
        charU16 *slot = &storage.s_aliases_buf[i * MAX_SERVNAME_LN];
        if (!widenSystemName(slot, aliases[i], MAX_SERVNAME_LN,
                             {function, "&s_aliases_buf[i * MAX_SERVNAME_LN]", "MAX_SERVNAME_LN"}))
            return false;
        storage.record.s_aliases[i] = slot;
        // The closing null entry needs the last one.
        if (i + 1 == MAX_ALIASES) {
            traceArrayTooSmall(function, "s_aliases_buf", "MAX_ALIASES", __FILE__, __LINE__);
            return false;
        }
    }
    storage.record.s_aliases[i] = nullptr;
    return true;
}

}  // namespace

serventU16 *convertServiceRecord(const plat::ServiceRecord &system, ServiceStorage &storage,
                                 const char *function) {
    serventU16 &record = storage.record;
    record.s_name = nullptr;
    if (system.name != nullptr) {
        if (!widenSystemName(storage.s_name_buf, system.name, MAX_SERVNAME_LN,
                             {function, "s_name_buf", "MAX_SERVNAME_LN"}))
            return nullptr;
        record.s_name = storage.s_name_buf;
    }
    if (!convertAliases(system.aliases, storage, function)) return nullptr;
    record.s_proto = nullptr;
    if (system.proto != nullptr) {
        if (!widenSystemName(storage.s_proto_buf, system.proto, MAX_SERVPROTONAME_LN,
                             {function, "s_proto_buf", "MAX_SERVPROTONAME_LN"}))
            return nullptr;
        record.s_proto = storage.s_proto_buf;
    }
    record.s_port = system.port;
    return &record;
}

}  // namespace qoru
