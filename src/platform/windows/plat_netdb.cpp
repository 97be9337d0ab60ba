// Host and service look-ups on Windows sockets. The library starts Windows
// sockets itself, version 2.2, once per process on the first look-up, and
// never cleans them up: the host may use sockets of its own, and a clean-up
// at exit would gain nothing.
#include <winsock2.h>
#include <windows.h>

#include "platform/platform.h"

namespace plat {
namespace {

OnceFlag gSocketsStarted;

void startSockets() {
    WSADATA data;
    // A failure shows in the look-ups themselves (WSANOTINITIALISED).
    WSAStartup(MAKEWORD(2, 2), &data);
}

void ensureSockets() { runOnce(gSocketsStarted, startSockets); }

bool copyHost(const hostent *h, HostRecord &record) {
    if (h == nullptr) return false;
    record.name = h->h_name;
    record.aliases = h->h_aliases;
    record.addrType = h->h_addrtype;
    record.length = h->h_length;
    record.addresses = h->h_addr_list;
    return true;
}

bool copyService(const servent *s, ServiceRecord &record) {
    if (s == nullptr) return false;
    record.name = s->s_name;
    record.aliases = s->s_aliases;
    record.port = s->s_port;
    record.proto = s->s_proto;
    return true;
}

}  // namespace

bool hostName(char *buf, size_t size) {
    ensureSockets();
    if (size == 0 || size > INT32_MAX) return false;
    if (gethostname(buf, static_cast<int>(size)) != 0) return false;
    buf[size - 1] = 0;
    return true;
}

bool hostByName(const char *name, HostRecord &record) {
    ensureSockets();
    return copyHost(gethostbyname(name), record);
}

bool hostByAddr(const char *addr, int32_t len, int32_t type, HostRecord &record) {
    // Refused here rather than left to the sockets layer, which not every
    // implementation guards.
    if (addr == nullptr || len < 0) return false;
    ensureSockets();
    return copyHost(gethostbyaddr(addr, len, type), record);
}

bool serviceByName(const char *name, const char *proto, ServiceRecord &record) {
    if (name == nullptr) return false;
    ensureSockets();
    return copyService(getservbyname(name, proto), record);
}

bool serviceByPort(int32_t port, const char *proto, ServiceRecord &record) {
    ensureSockets();
    return copyService(getservbyport(port, proto), record);
}

namespace {

size_t convertAnsi(const char *src, char16_t *dst, size_t capacity) {
    const int room = capacity > INT32_MAX ? INT32_MAX : static_cast<int>(capacity);
    const int stored = MultiByteToWideChar(CP_ACP, 0, src, -1, reinterpret_cast<wchar_t *>(dst), room);
    return stored > 0 ? static_cast<size_t>(stored) : 0;
}

}  // namespace

AnsiToUtf16 ansiToUtf16() { return convertAnsi; }

}  // namespace plat
