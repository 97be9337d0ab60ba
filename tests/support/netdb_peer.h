// Host and service records described as one text, so that the system's narrow records and the UTF-16 ones compare field
// by field; and the system's narrow look-ups, described.
#ifndef QORU_TEST_NETDB_PEER_H
#define QORU_TEST_NETDB_PEER_H

#include <cstdint>
#include <string>

#include "qorucum.h"
#include "utf8_text.h"

namespace qoru_test {

inline std::string text(const char *s) { return s ? s : "(null)"; }
inline std::string text(const charU16 *s) { return s ? utf8Of(s) : "(null)"; }

// The 16-bit fields as the system keeps them; each address as its bytes.
template <class Host>
std::string describeHost(const Host *h) {
    if (h == nullptr) return "none";
    std::string s = text(h->h_name);
    for (size_t i = 0; h->h_aliases && h->h_aliases[i]; ++i) s += " [" + text(h->h_aliases[i]) + "]";
    s += " type " + std::to_string(static_cast<int16_t>(h->h_addrtype));
    s += " length " + std::to_string(static_cast<int16_t>(h->h_length));
    for (size_t i = 0; h->h_addr_list[i]; ++i)
        for (int k = 0; k < h->h_length; ++k) s += ' ' + std::to_string(static_cast<uint8_t>(h->h_addr_list[i][k]));
    return s;
}

template <class Service>
std::string describeService(const Service *s) {
    if (s == nullptr) return "none";
    std::string d = text(s->s_name);
    for (size_t i = 0; s->s_aliases && s->s_aliases[i]; ++i) d += " [" + text(s->s_aliases[i]) + "]";
    return d + " port " + std::to_string(static_cast<int16_t>(s->s_port)) + ' ' + text(s->s_proto);
}

std::string peerHost(const char *name);
// A service by name, or by port (network order) when name is null.
std::string peerService(const char *name, int port, const char *proto);
// The narrow host name; empty when the system fails.
std::string peerHostName();

}  // namespace qoru_test

#endif
