// The converter that fills a service record from the system's record; each
// service operation hands it its own storage and its own name for reports.
#include "flat/nlsui2.h"

namespace qoru {

serventU16 *convertServiceRecord(const plat::ServiceRecord &system, ServiceStorage &storage,
                                 const char *function) {
    serventU16 &record = storage.record;
    if (!widenOptionalName(record.s_name, storage.s_name_buf, system.name, MAX_SERVNAME_LN,
                           {function, "s_name_buf", "MAX_SERVNAME_LN"}) ||
        !widenAliasList(system.aliases, storage.s_aliases_buf, MAX_SERVNAME_LN, record.s_aliases,
                        {function, "&s_aliases_buf[i * MAX_SERVNAME_LN]", "MAX_SERVNAME_LN"},
                        {function, "s_aliases_buf", "MAX_ALIASES"}) ||
        !widenOptionalName(record.s_proto, storage.s_proto_buf, system.proto, MAX_SERVPROTONAME_LN,
                           {function, "s_proto_buf", "MAX_SERVPROTONAME_LN"}))
        return nullptr;
    record.s_port = system.port;
    return &record;
}

}  // namespace qoru
