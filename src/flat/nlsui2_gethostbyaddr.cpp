// gethostbyaddrU16: a host by its address into the shared host record.
#include "flat/nlsui2.h"

extern "C" QORUCUM_API hostentU16 *gethostbyaddrU16(const char *addr, int32_t len, int32_t type) {
    using namespace qoru;
    plat::HostRecord system;
    if (!gNetLookups.hostByAddr(addr, len, type, system)) return nullptr;
    return convertHostRecord(system);
}
