// The narrow peer on Windows: Windows sockets, which the peer starts for
// itself when first asked (never before: a child process checks that the
// library starts them on its own).
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

std::string peerHost(const char *name) { return startSockets(), describeHost(gethostbyname(name)); }
std::string peerService(const char *name, const char *proto) {
    return startSockets(), describeService(getservbyname(name, proto));
}
std::string peerServiceByPort(int port, const char *proto) {
    return startSockets(), describeService(getservbyport(port, proto));
}

std::string peerHostName() {
    startSockets();
    char buf[256] = {};
    return gethostname(buf, sizeof buf - 1) == 0 ? buf : "";
}

}  // namespace qoru_test
