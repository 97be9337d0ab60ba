// Host and service look-ups: records fed through the seam at every limit of the
// static records, with their reports; input names too long for the system;
// and real look-ups compared field by field with the system's narrow ones.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "child.h"
#include "errno_after.h"
#include "flat/nlsui1_utf8.h"
#include "flat/nlsui2.h"
#include "netdb_peer.h"
#include "qorucum.h"
#include "trace_capture.h"

namespace {

using qoru_test::errnoAfter;
using qoru_test::PeerHost;
using qoru_test::PeerService;
using qoru_test::TraceCapture;

std::string narrow(const charU16 *s) {
    if (s == nullptr) return "(null)";
    std::string out(U2sToUtf8s(nullptr, s, 0) + 1, '\0');
    out.resize(U2sToUtf8s(out.data(), s, out.size()));
    return out;
}

std::string list(const std::vector<std::string> &items) {
    std::string s;
    for (const auto &item : items) s += "[" + item + "]";
    return s;
}

std::string describe(const PeerHost &h) {
    std::string addresses;
    for (const auto &a : h.addresses)
        for (unsigned char b : a) addresses += std::to_string(b) + ".";
    return h.name + " aliases " + list(h.aliases) + " type " + std::to_string(h.addrType) + " length " +
           std::to_string(h.length) + " addresses " + addresses;
}
std::string describe(const PeerService &s) {
    return s.name + " aliases " + list(s.aliases) + " port " + std::to_string(s.port) + " proto " + s.proto;
}

PeerHost fromOurs(const hostentU16 *h) {
    PeerHost p;
    if (h == nullptr) return p;
    p = {true, narrow(h->h_name), {}, static_cast<int16_t>(h->h_addrtype), static_cast<int16_t>(h->h_length), {}};
    for (size_t i = 0; h->h_aliases[i] != nullptr; ++i) p.aliases.push_back(narrow(h->h_aliases[i]));
    for (size_t i = 0; h->h_addr_list[i] != nullptr; ++i)
        p.addresses.emplace_back(h->h_addr_list[i], static_cast<size_t>(h->h_length));
    return p;
}
PeerService fromOurs(const serventU16 *s) {
    PeerService p;
    if (s == nullptr) return p;
    p = {true, narrow(s->s_name), {}, static_cast<int16_t>(s->s_port), narrow(s->s_proto)};
    for (size_t i = 0; s->s_aliases[i] != nullptr; ++i) p.aliases.push_back(narrow(s->s_aliases[i]));
    EXPECT_EQ(s->s_port, static_cast<int16_t>(s->s_port)) << "the port is sign-extended";
    return p;
}

// ---- The seam fed with records of the test's own --------------------------------

struct FakeSystem {
    PeerHost host;
    PeerService service;
    std::vector<char *> aliasPointers, addressPointers;
    int calls = 0;
    std::optional<std::string> askedName, askedProto;
} fake;

std::optional<std::string> asked(const char *p) { return p ? std::optional<std::string>(p) : std::nullopt; }

char *const *pointers(std::vector<std::string> &items, std::vector<char *> &to) {
    to.clear();
    for (auto &item : items) to.push_back(item.data());
    to.push_back(nullptr);
    return to.data();
}

bool fillHost(plat::HostRecord &r) {
    PeerHost &h = fake.host;
    r = {h.name.c_str(), pointers(h.aliases, fake.aliasPointers), h.addrType, h.length,
         pointers(h.addresses, fake.addressPointers)};
    return h.found;
}
bool fillService(const char *name, const char *proto, plat::ServiceRecord &r) {
    ++fake.calls;
    fake.askedName = asked(name);
    fake.askedProto = asked(proto);
    PeerService &s = fake.service;
    r = {s.name.c_str(), pointers(s.aliases, fake.aliasPointers), s.port, s.proto.c_str()};
    return s.found;
}

constexpr qoru::NetLookups fakeLookups{
    [](char *buf, size_t size) { return fake.host.found && snprintf(buf, size, "%s", fake.host.name.c_str()) >= 0; },
    [](const char *name, plat::HostRecord &r) {
        ++fake.calls;
        fake.askedName = asked(name);
        return fillHost(r);
    },
    [](const char *, int32_t, int32_t, plat::HostRecord &r) { return ++fake.calls, fillHost(r); },
    fillService,
    [](int32_t, const char *proto, plat::ServiceRecord &r) { return fillService("", proto, r); },
    // The host name's code page is UTF-8 here, so that pairs can be cut.
    [](const char *src, char16_t *dst, size_t capacity) {
        const size_t n = qoru::Utf8sToU2s(dst, src, capacity);
        return n >= capacity ? 0 : n + 1;
    }};

class Fed : public ::testing::Test {
protected:
    void SetUp() override {
        fake = {};
        fake.host = {true, "host", {"alias"}, 2, 4, {"\x7f\x01\x02\x03"}};
        fake.service = {true, "svc", {"alt"}, static_cast<int16_t>(0x8000), "tcp"};
        qoru::gNetLookups = fakeLookups;
    }
    void TearDown() override { qoru::gNetLookups = qoru::systemNetLookups; }
};

std::string repeated(size_t n, const std::string &unit) {
    std::string s;
    while (n-- > 0) s += unit;
    return s;
}
std::vector<std::string> names(size_t n) {
    std::vector<std::string> v;
    for (size_t i = 0; i < n; ++i) v.push_back(std::to_string(1000 + i));
    return v;
}

std::string tooSmall(const std::string &function, const std::string &array, const std::string &constant) {
    return "Function " + function + " :\nArray " + array.substr(0, 32) + " length " + constant + " is too small.";
}

// A record shape, and the report it gives (no array: accepted).
struct Limit {
    std::function<void()> shape;
    const char *array;
    const char *constant;
    int error;
};

// Runs each shape, on the record as first fed, at trace levels 0 and 1: the same result and errno, a
// report only at 1; an accepted record reads back as it was fed.
template <class Record, class Call>
void checkLimits(const std::vector<Limit> &limits, const std::string &function, Record &fed, Call call) {
    const Record base = fed;
    for (const Limit &limit : limits) {
        for (int level : {0, 1}) {
            fed = base;
            limit.shape();
            TraceCapture capture(level);
            decltype(call()) result = nullptr;
            const int error = errnoAfter([&] { result = call(); });
            const std::string shown = limit.array ? limit.array : "(accepted)";
            EXPECT_EQ(error, limit.error) << shown;
            if (limit.array == nullptr) {
                EXPECT_EQ(describe(fromOurs(result)), describe(fed)) << shown;
                EXPECT_EQ(capture.joined(), "");
                continue;
            }
            EXPECT_EQ(result, nullptr) << shown;
            const std::string expected =
                limit.error == EILSEQ ? function + " encountered invalid UTF-8" : tooSmall(function, shown, limit.constant);
            EXPECT_EQ(capture.joined().find(expected) != std::string::npos, level > 0) << capture.joined();
        }
    }
    fed = base;
}

TEST_F(Fed, HostRecordLimits) {
    PeerHost &h = fake.host;
    const std::string alias255 = repeated(255, "\xc3\xa9");
    const std::vector<Limit> limits = {
        {[&] { h.aliases = names(63); }, nullptr, nullptr, 0},
        {[&] { h.aliases = names(64); }, "h_aliases_buf", "MAX_ALIASES", 0},
        {[&] { h.addresses.assign(63, "abcd"); }, nullptr, nullptr, 0},
        {[&] { h.addresses.assign(64, "abcd"); }, "h_addr_list_buf", "MAX_ADDRESSES", 0},
        {[&] { h.length = 16, h.addresses = {repeated(16, "x")}; }, nullptr, nullptr, 0},
        {[&] { h.length = 17, h.addresses = {repeated(17, "x")}; }, "h_length", "MAX_IPADDR_LN", 0},
        {[&] { h.length = -1; }, "h_length", "MAX_IPADDR_LN", 0},
        {[&] { h.name = alias255; }, nullptr, nullptr, 0},
        {[&] { h.name = alias255 + "z"; }, "h_name_buf", "MAX_HOSTNAME_LN", ENAMETOOLONG},
        {[&] { h.aliases = {"a", alias255}; }, nullptr, nullptr, 0},
        {[&] { h.aliases = {"a", alias255 + "\xf0\x9f\x98\x80"}; }, "&h_aliases_buf[i*MAX_HOSTNAME_LN]",
         "MAX_HOSTNAME_LN", ENAMETOOLONG},
        {[&] { h.aliases = {"a\xc3("}; }, "invalid alias", nullptr, EILSEQ},
        {[&] { h.name = "\x80"; }, "invalid name", nullptr, EILSEQ},
    };
    checkLimits(limits, "gethostbynameU16", h, [] { return gethostbynameU16(u"host"); });
    // Through the address too, the reports name gethostbynameU16.
    checkLimits(limits, "gethostbynameU16", h, [] { return gethostbyaddrU16("\x7f\0\0\1", 4, 2); });
}

TEST_F(Fed, ServiceRecordLimits) {
    PeerService &s = fake.service;
    const std::string name31 = repeated(31, "\xe2\x82\xac");
    const std::vector<Limit> limits = {
        {[&] { s.name = name31; }, nullptr, nullptr, 0},
        {[&] { s.name = name31 + "z"; }, "s_name_buf", "MAX_SERVNAME_LN", ENAMETOOLONG},
        {[&] { s.aliases = {name31}; }, nullptr, nullptr, 0},
        {[&] { s.aliases = {"b", name31 + "z"}; }, "&s_aliases_buf[i * MAX_SERVNAME_LN]", "MAX_SERVNAME_LN",
         ENAMETOOLONG},
        {[&] { s.aliases = names(63); }, nullptr, nullptr, 0},
        {[&] { s.aliases = names(64); }, "s_aliases_buf", "MAX_ALIASES", 0},
        {[&] { s.proto = "p234567"; }, nullptr, nullptr, 0},
        {[&] { s.proto = "p2345678"; }, "s_proto_buf", "MAX_SERVPROTONAME_LN", ENAMETOOLONG},
        {[&] { s.proto = "\xed\xa0"; }, "invalid proto", nullptr, EILSEQ},
    };
    checkLimits(limits, "getservbynameU16", s, [] { return getservbynameU16(u"svc", u"tcp"); });
    checkLimits(limits, "getservbyportU16", s, [] { return getservbyportU16(0x5000, nullptr); });
}

// Input names whose UTF-8 form does not fit are reported and never looked up.
TEST_F(Fed, InputNamesTooLong) {
    const auto units = [](size_t n, const char16_t *tail = u"") { return std::u16string(n, u'n') + tail; };
    struct Case {
        std::function<bool()> call;
        std::optional<std::string> name, proto;  // as the system is asked; no name: not asked
        const char *report;
    };
    const std::string host = "unasked";  // the host look-ups ask no protocol
    const std::vector<Case> cases = {
        {[&] { return gethostbynameU16(units(255).c_str()); }, std::string(255, 'n'), host, nullptr},
        {[&] { return gethostbynameU16(units(255, u"\u00e9").c_str()); }, std::string(255, 'n'), host, nullptr},
        {[&] { return gethostbynameU16(units(256).c_str()); }, {}, {}, "gethostbynameU16 cname MAX_HOSTNAME_LN"},
        {[&] { return gethostbynameU16(nullptr); }, std::nullopt, host, nullptr},
        {[&] { return getservbynameU16(units(31).c_str(), nullptr); }, std::string(31, 'n'), std::nullopt, nullptr},
        {[&] { return getservbynameU16(units(32).c_str(), u"tcp"); }, {}, {}, "getservbynameU16 cname MAX_SERVNAME_LN"},
        {[&] { return getservbynameU16(u"s", units(7).c_str()); }, "s", std::string(7, 'n'), nullptr},
        {[&] { return getservbynameU16(u"s", units(8).c_str()); }, {}, {}, "getservbynameU16 cproto MAX_SERVPROTONAME_LN"},
        {[&] { return getservbyportU16(1, units(7).c_str()); }, "", std::string(7, 'n'), nullptr},
        {[&] { return getservbyportU16(1, units(8).c_str()); }, {}, {}, "getservbyportU16 s_proto_char MAX_SERVPROTONAME_LN"},
    };
    for (const Case &c : cases) {
        fake.calls = 0;
        fake.askedName = fake.askedProto = "unasked";
        TraceCapture capture(1);
        bool found = false;
        const int error = errnoAfter([&] { found = c.call(); });
        EXPECT_EQ(found, c.report == nullptr);
        EXPECT_EQ(fake.calls, c.report ? 0 : 1);
        if (c.report) {
            char function[32], array[16], constant[32];
            ASSERT_EQ(sscanf(c.report, "%31s %15s %31s", function, array, constant), 3);
            EXPECT_NE(capture.joined().find(tooSmall(function, array, constant)), std::string::npos) << c.report;
            EXPECT_EQ(error, ENAMETOOLONG);
            continue;
        }
        EXPECT_EQ(capture.joined(), "");
        EXPECT_EQ(fake.askedName, c.name);
        EXPECT_EQ(fake.askedProto, c.proto);
    }
}

TEST_F(Fed, RecordsAreStaticAndSystemFailuresLeaveErrno) {
    hostentU16 *first = gethostbynameU16(u"a");
    fake.host.name = "second";
    EXPECT_EQ(gethostbyaddrU16("abcd", 4, 2), first);
    EXPECT_EQ(narrow(first->h_name), "second");
    serventU16 *byName = getservbynameU16(u"a", u"tcp");
    EXPECT_EQ(byName->s_port, -32768);
    EXPECT_NE(getservbyportU16(1, nullptr), byName);
    EXPECT_EQ(getservbynameU16(u"b", nullptr), byName);
    fake.host.found = fake.service.found = false;
    errno = 12345;
    EXPECT_EQ(gethostbynameU16(u"a"), nullptr);
    EXPECT_EQ(getservbyportU16(1, u"udp"), nullptr);
    EXPECT_EQ(errno, 12345);
}

TEST_F(Fed, HostNameFitsOrIsCut) {
    fake.host.name = "ab\xf0\x9f\x98\x80";  // a, b and a pair: five units with the terminator
    struct Case {
        int32_t len, result, error;
        std::u16string stored;
    } cases[] = {{5, 0, 0, u"ab\U0001F600"}, {4, -1, ENAMETOOLONG, u"ab"}, {3, -1, ENAMETOOLONG, u"ab"},
                 {2, -1, ENAMETOOLONG, u"a"}, {1, -1, ENAMETOOLONG, u""}, {0, -1, EINVAL, u"~"}};
    for (const Case &c : cases) {
        char16_t buf[8] = u"~";
        int32_t result = 0;
        EXPECT_EQ(errnoAfter([&] { result = gethostnameU16(buf, c.len); }), c.error) << c.len;
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(std::u16string(buf), c.stored) << c.len;
    }
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(gethostnameU16(nullptr, 5), -1); }), EINVAL);
    fake.host.found = false;
    char16_t buf[8];
    EXPECT_EQ(gethostnameU16(buf, 8), -1);
}

// ---- The system's own look-ups ----------------------------------------------------

TEST(System, LocalhostAndHostNameMatchTheNarrowLookups) {
    const PeerHost ours = fromOurs(gethostbynameU16(u"localhost"));
    const PeerHost peer = qoru_test::peerHostByName("localhost");
    ASSERT_TRUE(peer.found);
    EXPECT_EQ(describe(ours), describe(peer));
    char16_t name[MAX_HOSTNAME_LN];
    ASSERT_EQ(gethostnameU16(name, MAX_HOSTNAME_LN), 0);
    EXPECT_EQ(narrow(name), qoru_test::peerHostName());
    EXPECT_EQ(fromOurs(gethostbynameU16(nullptr)).found, true);
    char16_t wide[4];
    EXPECT_EQ(plat::ansiToUtf16("abc", wide, 4), 4u);
    EXPECT_EQ(std::u16string(wide), u"abc");
    EXPECT_EQ(plat::ansiToUtf16("abcd", wide, 4), 0u);
}

TEST(System, ServicesMatchTheNarrowLookups) {
    // The first entry the system's services database has.
    const char *const candidates[][2] = {{"http", "tcp"}, {"domain", "udp"}, {"ssh", "tcp"}, {"ftp", "tcp"}};
    for (const auto &[name, proto] : candidates) {
        std::u16string wideName(name, name + strlen(name)), wideProto(proto, proto + strlen(proto));
        const PeerService ours = fromOurs(getservbynameU16(wideName.c_str(), wideProto.c_str()));
        const PeerService peer = qoru_test::peerServiceByName(name, proto);
        if (!peer.found) continue;
        EXPECT_EQ(describe(ours), describe(peer));
        const PeerService anyProto = fromOurs(getservbynameU16(wideName.c_str(), nullptr));
        EXPECT_EQ(describe(anyProto), describe(qoru_test::peerServiceByName(name, nullptr)));
        const int port = static_cast<uint16_t>(peer.port);
        EXPECT_EQ(describe(fromOurs(getservbyportU16(port, wideProto.c_str()))),
                  describe(qoru_test::peerServiceByPort(port, proto)));
        return;
    }
    GTEST_SKIP() << "the system's services database knows none of the usual services";
}

// Windows sockets need starting: the library does it on its first look-up.
qoru_test::Child firstLookup("first-lookup", [](const std::vector<std::string> &) {
    char16_t name[MAX_HOSTNAME_LN];
    return gethostnameU16(name, MAX_HOSTNAME_LN) == 0 && gethostbynameU16(u"localhost") != nullptr ? 0 : 1;
});

TEST(System, FirstLookupStartsTheSystemItself) { EXPECT_EQ(qoru_test::runChild("first-lookup").exitCode, 0); }

}  // namespace
