// Host and service look-ups on POSIX: the C library's non-reentrant netdb
// calls, whose records the look-ups copy field by field into the neutral
// view. Names are UTF-8 here: there is no ANSI code page to convert from.
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/platform.h"

namespace plat {
namespace {

void copyHost(const hostent &h, HostRecord &record) {
    record.name = h.h_name;
    record.aliases = h.h_aliases;
    record.addrType = static_cast<int16_t>(h.h_addrtype);
    record.length = static_cast<int16_t>(h.h_length);
    record.addresses = h.h_addr_list;
}

bool copyService(const servent *s, ServiceRecord &record) {
    if (s == nullptr) return false;
    record.name = s->s_name;
    record.aliases = s->s_aliases;
    // The C library keeps the network-order 16 bits in an int.
    record.port = static_cast<int16_t>(static_cast<uint16_t>(s->s_port));
    record.proto = s->s_proto;
    return true;
}

}  // namespace

bool hostName(char *buf, size_t size) {
    if (size == 0 || gethostname(buf, size) != 0) return false;
    // POSIX leaves a cut name unterminated.
    buf[size - 1] = 0;
    return true;
}

bool hostByName(const char *name, HostRecord &record) {
    // Windows answers a null name with the local host; the C library would
    // read through the null pointer.
    char local[256];
    if (name == nullptr) {
        if (!hostName(local, sizeof local)) return false;
        name = local;
    }
    const hostent *h = gethostbyname(name);
    if (h == nullptr) return false;
    copyHost(*h, record);
    return true;
}

bool hostByAddr(const char *addr, int32_t len, int32_t type, HostRecord &record) {
    if (addr == nullptr || len < 0) return false;
    const hostent *h = gethostbyaddr(addr, static_cast<socklen_t>(len), type);
    if (h == nullptr) return false;
    copyHost(*h, record);
    return true;
}

bool serviceByName(const char *name, const char *proto, ServiceRecord &record) {
    // The C library compares the name without a null test.
    if (name == nullptr) return false;
    return copyService(getservbyname(name, proto), record);
}

bool serviceByPort(int32_t port, const char *proto, ServiceRecord &record) {
    return copyService(getservbyport(port, proto), record);
}

AnsiToUtf16 ansiToUtf16() { return nullptr; }

}  // namespace plat
