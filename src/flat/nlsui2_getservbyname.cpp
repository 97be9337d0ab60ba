// getservbynameU16: a service by its UTF-16 name and protocol into the
// operation's own record.
#include "flat/nlsui2.h"

namespace qoru {
namespace {

ServiceStorage byName;

}  // namespace
}  // namespace qoru

extern "C" QORUCUM_API serventU16 *getservbynameU16(const charU16 *name, const charU16 *proto) {
    using namespace qoru;
    constexpr char function[] = "getservbynameU16";
    char cname[MAX_SERVNAME_LN];
    char cproto[MAX_SERVPROTONAME_LN];
    const char *narrowName;
    const char *narrowProto;
    if (!narrowInputName(narrowName, cname, name, sizeof cname, {function, "cname", "MAX_SERVNAME_LN"}) ||
        !narrowInputName(narrowProto, cproto, proto, sizeof cproto, {function, "cproto", "MAX_SERVPROTONAME_LN"}))
        return nullptr;
    plat::ServiceRecord system;
    if (!gNetLookups.serviceByName(narrowName, narrowProto, system)) return nullptr;
    return convertServiceRecord(system, byName, function);
}
