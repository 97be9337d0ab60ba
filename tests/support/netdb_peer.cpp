// The narrow peer: the C library's netdb calls, or Windows sockets, which the peer starts when first asked, never
// before (a child process checks that the library starts them itself).
#ifdef _WIN32
#include <winsock2.h>
#else
#include <netdb.h>
#include <unistd.h>
#endif

#include "netdb_peer.h"

namespace qoru_test {

static void startSockets() {
#ifdef _WIN32
    static WSADATA data;
    [[maybe_unused]] static const int started = WSAStartup(MAKEWORD(2, 2), &data);
#endif
}

std::string peerHost(const char *name) { return startSockets(), describeHost(gethostbyname(name)); }

std::string peerService(const char *name, int port, const char *proto) {
    startSockets();
    return describeService(name ? getservbyname(name, proto) : getservbyport(port, proto));
}

std::string peerHostName() {
    startSockets();
    char buf[256] = {};
    return gethostname(buf, sizeof buf - 1) == 0 ? buf : "";
}

}  // namespace qoru_test
