// The narrow peer on POSIX: the C library's netdb calls.
#include <netdb.h>
#include <unistd.h>

#include "netdb_peer.h"

namespace qoru_test {

std::string peerHost(const char *name) { return describeHost(gethostbyname(name)); }

std::string peerService(const char *name, int port, const char *proto) {
    return describeService(name ? getservbyname(name, proto) : getservbyport(port, proto));
}

std::string peerHostName() {
    char buf[256] = {};
    return gethostname(buf, sizeof buf - 1) == 0 ? buf : "";
}

}  // namespace qoru_test
