// The seam between the name services and the system's look-ups.
#include "flat/nlsui2.h"

namespace qoru {

constinit NetLookups gNetLookups = systemNetLookups;

}  // namespace qoru
