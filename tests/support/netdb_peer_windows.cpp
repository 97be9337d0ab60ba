// The narrow peer on Windows: Windows sockets, started by the peer for its
// own use.
#include <winsock2.h>

#include "netdb_peer.h"

namespace qoru_test {
namespace {

void startSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

}  // namespace

PeerHost peerHostByName(const char *name) {
    startSockets();
    return copyPeerHost(gethostbyname(name));
}
PeerService peerServiceByName(const char *name, const char *proto) {
    startSockets();
    return copyPeerService(getservbyname(name, proto));
}
PeerService peerServiceByPort(int port, const char *proto) {
    startSockets();
    return copyPeerService(getservbyport(port, proto));
}

std::string peerHostName() {
    startSockets();
    char buf[256] = {};
    return gethostname(buf, sizeof buf - 1) == 0 ? buf : "";
}

}  // namespace qoru_test
