// gethostbynameU16: a host by its UTF-16 name into the shared host record.
#include "flat/nlsui2.h"

extern "C" QORUCUM_API hostentU16 *gethostbynameU16(const charU16 *name) {
    using namespace qoru;
    char cname[MAX_HOSTNAME_LN];
    const char *narrow;
    if (!narrowInputName(narrow, cname, name, sizeof cname, {"gethostbynameU16", "cname", "MAX_HOSTNAME_LN"}))
        return nullptr;
    plat::HostRecord system;
    if (!gNetLookups.hostByName(narrow, system)) return nullptr;
    return convertHostRecord(system);
}
