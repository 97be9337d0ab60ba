// The system's own narrow look-ups, copied out of their static records, as
// the peer of the UTF-16 ones.
#ifndef QORU_TEST_NETDB_PEER_H
#define QORU_TEST_NETDB_PEER_H

#include <cstdint>
#include <string>
#include <vector>

namespace qoru_test {

struct PeerHost {
    bool found = false;
    std::string name;
    std::vector<std::string> aliases;
    int16_t addrType = 0;
    int16_t length = 0;
    std::vector<std::string> addresses;  // length bytes each
};

struct PeerService {
    bool found = false;
    std::string name;
    std::vector<std::string> aliases;
    int16_t port = 0;  // network byte order, as the system stores it
    std::string proto;
};

PeerHost peerHostByName(const char *name);
PeerService peerServiceByName(const char *name, const char *proto);
PeerService peerServiceByPort(int port, const char *proto);
// The narrow host name; empty when the system fails.
std::string peerHostName();

// Fills a peer record from the common field layout of hostent and servent.
template <class Host>
PeerHost copyPeerHost(const Host *h) {
    PeerHost p;
    if (h == nullptr) return p;
    p.found = true;
    p.name = h->h_name ? h->h_name : "";
    for (size_t i = 0; h->h_aliases && h->h_aliases[i]; ++i) p.aliases.emplace_back(h->h_aliases[i]);
    p.addrType = static_cast<int16_t>(h->h_addrtype);
    p.length = static_cast<int16_t>(h->h_length);
    for (size_t i = 0; h->h_addr_list && h->h_addr_list[i]; ++i)
        p.addresses.emplace_back(h->h_addr_list[i], static_cast<size_t>(h->h_length));
    return p;
}

template <class Service>
PeerService copyPeerService(const Service *s) {
    PeerService p;
    if (s == nullptr) return p;
    p.found = true;
    p.name = s->s_name ? s->s_name : "";
    for (size_t i = 0; s->s_aliases && s->s_aliases[i]; ++i) p.aliases.emplace_back(s->s_aliases[i]);
    p.port = static_cast<int16_t>(static_cast<uint16_t>(s->s_port));
    p.proto = s->s_proto ? s->s_proto : "";
    return p;
}

}  // namespace qoru_test

#endif
