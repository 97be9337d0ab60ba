// getservbyportU16: a service by its port (network byte order) and protocol
// into the operation's own record.
#include "flat/nlsui2.h"

namespace qoru {
namespace {

ServiceStorage byPort;

}  // namespace
}  // namespace qoru

extern "C" QORUCUM_API serventU16 *getservbyportU16(int32_t port, const charU16 *proto) {
    using namespace qoru;
    constexpr char function[] = "getservbyportU16";
    char s_proto_char[MAX_SERVPROTONAME_LN];
    const char *narrowProto;
    if (!narrowInputName(narrowProto, s_proto_char, proto, sizeof s_proto_char,
                         {function, "s_proto_char", "MAX_SERVPROTONAME_LN"}))
        return nullptr;
    plat::ServiceRecord system;
    if (!gNetLookups.serviceByPort(port, narrowProto, system)) return nullptr;
    return convertServiceRecord(system, byPort, function);
}
