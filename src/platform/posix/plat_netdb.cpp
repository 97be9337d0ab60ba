// Host and service look-ups on POSIX: the C library's non-reentrant netdb
// calls, whose records the look-ups copy field by field into the neutral
// view. Names are UTF-8 here, so the ANSI conversion decodes UTF-8.
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include "i18n/qoru16/u16_utf8.h"
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

size_t ansiToUtf16(const char *src, char16_t *dst, size_t capacity) {
    const auto *p = reinterpret_cast<const uint8_t *>(src);
    size_t n = 0;
    for (;;) {
        const qoru::Utf8Step step = qoru::decodeUtf8(p[0], [p](uint32_t i) { return p[i]; });
        char32_t value = step.value;
        uint32_t taken = step.length;
        if (!step.valid) {
            // The bad byte may begin the next sequence: only what came
            // before it is replaced.
            value = 0xFFFD;
            if (taken > 1) --taken;
        }
        const size_t units = value >= 0x10000 ? 2 : 1;
        if (capacity - n < units) return 0;
        if (units == 2) {
            dst[n++] = qoru::highSurrogate(value);
            dst[n++] = qoru::lowSurrogate(value);
        } else {
            dst[n++] = static_cast<char16_t>(value);
        }
        if (value == 0) return n;
        p += taken;
    }
}

}  // namespace plat
