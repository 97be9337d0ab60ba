// The narrow peer on POSIX: the C library's netdb calls.
#include <netdb.h>
#include <unistd.h>

#include "netdb_peer.h"

namespace qoru_test {

PeerHost peerHostByName(const char *name) { return copyPeerHost(gethostbyname(name)); }
PeerService peerServiceByName(const char *name, const char *proto) {
    return copyPeerService(getservbyname(name, proto));
}
PeerService peerServiceByPort(int port, const char *proto) { return copyPeerService(getservbyport(port, proto)); }

std::string peerHostName() {
    char buf[256] = {};
    return gethostname(buf, sizeof buf - 1) == 0 ? buf : "";
}

}  // namespace qoru_test
