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
#include <tuple>
#include <vector>

#include "child.h"
#include "errno_after.h"
#include "flat/nlsui1_utf8.h"
#include "flat/nlsui2.h"
#include "netdb_peer.h"
#include "trace_capture.h"

namespace {

using qoru_test::describeHost;
using qoru_test::describeService;
using qoru_test::errnoAfter;
using Strings = std::vector<std::string>;

// What the system answers, kept as the system keeps it, and what it was asked.
struct Fed {
    std::string name = "host", proto = "tcp";
    Strings aliases{"alias"}, addresses{"\x7f\x01\x02\x03"};
    int16_t type = 2, length = 4, port = -32768;
    bool found = true;
    std::vector<char *> aliasList, addressList;
    int calls = 0;
    std::optional<std::string> askedName, askedProto;

    static char **list(Strings &from, std::vector<char *> &to) {
        to.clear();
        for (auto &s : from) to.push_back(s.data());
        to.push_back(nullptr);
        return to.data();
    }
    struct Host {
        const char *h_name;
        char **h_aliases;
        int16_t h_addrtype, h_length;
        char **h_addr_list;
    };
    Host host() { return {name.c_str(), list(aliases, aliasList), type, length, list(addresses, addressList)}; }
    struct Service {
        const char *s_name;
        char **s_aliases;
        int16_t s_port;
        const char *s_proto;
    };
    Service service() { return {name.c_str(), list(aliases, aliasList), port, proto.c_str()}; }
};
Fed fed;

std::optional<std::string> asked(const char *p) { return p ? std::optional<std::string>(p) : std::nullopt; }

bool answerHost(const char *name, plat::HostRecord &r) {
    ++fed.calls;
    fed.askedName = asked(name);
    const Fed::Host h = fed.host();
    r = {h.h_name, h.h_aliases, h.h_addrtype, h.h_length, h.h_addr_list};
    return fed.found;
}
bool answerService(const char *name, const char *proto, plat::ServiceRecord &r) {
    ++fed.calls;
    fed.askedName = asked(name);
    fed.askedProto = asked(proto);
    const Fed::Service s = fed.service();
    r = {s.s_name, s.s_aliases, s.s_port, s.s_proto};
    return fed.found;
}

constexpr qoru::NetLookups fedLookups{
    [](char *buf, size_t size) { return fed.found && snprintf(buf, size, "%s", fed.name.c_str()) >= 0; },
    answerHost,
    [](const char *, int32_t, int32_t, plat::HostRecord &r) { return answerHost("by address", r); },
    answerService,
    [](int32_t, const char *proto, plat::ServiceRecord &r) { return answerService("by port", proto, r); },
    // The code page is UTF-8 here, so that a pair can be cut.
    [](const char *src, char16_t *dst, size_t capacity) {
        const size_t n = qoru::Utf8sToU2s(dst, src, capacity);
        return n >= capacity ? 0 : n + 1;
    }};

class Seam : public ::testing::Test {
protected:
    void SetUp() override { fed = Fed(), qoru::gNetLookups = fedLookups; }
    void TearDown() override { qoru::gNetLookups = qoru::systemNetLookups; }
};

std::string repeated(size_t n, const std::string &unit) {
    std::string s;
    while (n-- > 0) s += unit;
    return s;
}
Strings numbered(size_t n) {
    Strings v;
    for (size_t i = 0; i < n; ++i) v.push_back(std::to_string(1000 + i));
    return v;
}
std::string tooSmall(const std::string &function, const std::string &array, const std::string &constant) {
    return "Function " + function + " :\nArray " + array.substr(0, 32) + " length " + constant + " is too small.";
}

// A shape of the fed record and its report: no array, accepted as fed;
// errno EILSEQ, the conversion report.
struct Limit {
    std::function<void()> shape;
    const char *array, *constant;
    int error;
};

// Each shape at trace levels 0 and 1: the same result and errno, the report
// only at 1.
template <class Call, class Expected>
void checkLimits(const std::vector<Limit> &limits, const std::string &function, Call call, Expected expected) {
    for (const Limit &limit : limits) {
        for (int level : {0, 1}) {
            fed = Fed();
            limit.shape();
            qoru_test::TraceCapture capture(level);
            decltype(call()) result = nullptr;
            EXPECT_EQ(errnoAfter([&] { result = call(); }), limit.error) << (limit.array ? limit.array : "accepted");
            if (limit.array == nullptr) {
                EXPECT_EQ(expected(result), "") << capture.joined();
                continue;
            }
            EXPECT_EQ(result, nullptr) << limit.array;
            const std::string report = limit.error == EILSEQ ? function + " encountered invalid UTF-8"
                                                             : tooSmall(function, limit.array, limit.constant);
            EXPECT_EQ(capture.joined().find(report) != std::string::npos, level > 0) << capture.joined();
        }
    }
}

// The difference between what came back and what was fed, with any report.
std::string mismatch(const std::string &ours, const std::string &fedText) {
    return ours == fedText ? "" : ours + " instead of " + fedText;
}

TEST_F(Seam, HostRecordLimits) {
    const std::string units255 = repeated(255, "\xc3\xa9");
    const std::vector<Limit> limits = {
        {[] { fed.aliases = numbered(63); }, nullptr, nullptr, 0},
        {[] { fed.aliases = numbered(64); }, "h_aliases_buf", "MAX_ALIASES", 0},
        {[] { fed.addresses.assign(63, "abcd"); }, nullptr, nullptr, 0},
        {[] { fed.addresses.assign(64, "abcd"); }, "h_addr_list_buf", "MAX_ADDRESSES", 0},
        {[] { fed.length = 16, fed.addresses = {repeated(16, "x")}; }, nullptr, nullptr, 0},
        {[] { fed.length = 17, fed.addresses = {repeated(17, "x")}; }, "h_length", "MAX_IPADDR_LN", 0},
        {[] { fed.length = -1; }, "h_length", "MAX_IPADDR_LN", 0},
        {[&] { fed.name = units255; }, nullptr, nullptr, 0},
        {[&] { fed.name = units255 + "z"; }, "h_name_buf", "MAX_HOSTNAME_LN", ENAMETOOLONG},
        {[&] { fed.aliases = {"a", units255}; }, nullptr, nullptr, 0},
        {[&] { fed.aliases = {"a", units255 + "\xf0\x9f\x98\x80"}; }, "&h_aliases_buf[i*MAX_HOSTNAME_LN]",
         "MAX_HOSTNAME_LN", ENAMETOOLONG},
        {[] { fed.aliases = {"a\xc3("}; }, "invalid alias", nullptr, EILSEQ},
        {[] { fed.name = "\x80"; }, "invalid name", nullptr, EILSEQ},
    };
    const auto expected = [](const hostentU16 *h) {
        const Fed::Host fedHost = fed.host();
        return mismatch(describeHost(h), describeHost(&fedHost));
    };
    checkLimits(limits, "gethostbynameU16", [] { return gethostbynameU16(u"host"); }, expected);
    // Through the address too, the reports name gethostbynameU16.
    checkLimits(limits, "gethostbynameU16", [] { return gethostbyaddrU16("\x7f\0\0\1", 4, 2); }, expected);
}

TEST_F(Seam, ServiceRecordLimits) {
    const std::string units31 = repeated(31, "\xe2\x82\xac");
    const std::vector<Limit> limits = {
        {[&] { fed.name = units31; }, nullptr, nullptr, 0},
        {[&] { fed.name = units31 + "z"; }, "s_name_buf", "MAX_SERVNAME_LN", ENAMETOOLONG},
        {[&] { fed.aliases = {units31}; }, nullptr, nullptr, 0},
        {[&] { fed.aliases = {"b", units31 + "z"}; }, "&s_aliases_buf[i * MAX_SERVNAME_LN]", "MAX_SERVNAME_LN",
         ENAMETOOLONG},
        {[] { fed.aliases = numbered(63); }, nullptr, nullptr, 0},
        {[] { fed.aliases = numbered(64); }, "s_aliases_buf", "MAX_ALIASES", 0},
        {[] { fed.proto = "p234567"; }, nullptr, nullptr, 0},
        {[] { fed.proto = "p2345678"; }, "s_proto_buf", "MAX_SERVPROTONAME_LN", ENAMETOOLONG},
        {[] { fed.proto = "\xed\xa0"; }, "invalid proto", nullptr, EILSEQ},
    };
    const auto expected = [](const serventU16 *s) {
        const Fed::Service fedService = fed.service();
        return mismatch(describeService(s), describeService(&fedService));
    };
    checkLimits(limits, "getservbynameU16", [] { return getservbynameU16(u"svc", u"tcp"); }, expected);
    checkLimits(limits, "getservbyportU16", [] { return getservbyportU16(0x5000, nullptr); }, expected);
}

// Input names whose UTF-8 form does not fit are reported and never looked up.
TEST_F(Seam, InputNamesTooLong) {
    const auto n = [](size_t count, const char16_t *tail = u"") { return std::u16string(count, u'n') + tail; };
    const auto ns = [](size_t count) { return std::optional<std::string>(std::string(count, 'n')); };
    const std::optional<std::string> none, host = "unasked";  // the host look-ups ask no protocol
    struct Case {
        std::function<bool()> call;
        std::optional<std::string> name, proto;  // as the system is asked
        const char *report;                      // function, array, constant: the system is not asked
    } cases[] = {
        {[&] { return gethostbynameU16(n(255).c_str()); }, ns(255), host, nullptr},
        {[&] { return gethostbynameU16(n(255, u"\u00e9").c_str()); }, ns(255), host, nullptr},
        {[&] { return gethostbynameU16(n(256).c_str()); }, {}, {}, "gethostbynameU16 cname MAX_HOSTNAME_LN"},
        {[&] { return gethostbynameU16(nullptr); }, none, host, nullptr},
        {[&] { return getservbynameU16(n(31).c_str(), nullptr); }, ns(31), none, nullptr},
        {[&] { return getservbynameU16(n(32).c_str(), u"t"); }, {}, {}, "getservbynameU16 cname MAX_SERVNAME_LN"},
        {[&] { return getservbynameU16(u"s", n(7).c_str()); }, "s", ns(7), nullptr},
        {[&] { return getservbynameU16(u"s", n(8).c_str()); }, {}, {}, "getservbynameU16 cproto MAX_SERVPROTONAME_LN"},
        {[&] { return getservbyportU16(1, n(7).c_str()); }, "by port", ns(7), nullptr},
        {[&] { return getservbyportU16(1, n(8).c_str()); }, {}, {}, "getservbyportU16 s_proto_char MAX_SERVPROTONAME_LN"},
    };
    for (const Case &c : cases) {
        fed.calls = 0;
        fed.askedName = fed.askedProto = "unasked";
        qoru_test::TraceCapture capture(1);
        bool found = false;
        const int error = errnoAfter([&] { found = c.call(); });
        EXPECT_EQ(found, c.report == nullptr);
        EXPECT_EQ(fed.calls, c.report ? 0 : 1);
        if (c.report) {
            char function[32], array[16], constant[32];
            ASSERT_EQ(sscanf(c.report, "%31s %15s %31s", function, array, constant), 3);
            EXPECT_NE(capture.joined().find(tooSmall(function, array, constant)), std::string::npos) << c.report;
            EXPECT_EQ(error, ENAMETOOLONG);
        } else {
            EXPECT_EQ(capture.joined(), "");
            EXPECT_EQ(fed.askedName, c.name);
            EXPECT_EQ(fed.askedProto, c.proto);
        }
    }
}

TEST_F(Seam, RecordsAreStaticAndSystemFailuresLeaveErrno) {
    hostentU16 *first = gethostbynameU16(u"a");
    fed.name = "second";
    EXPECT_EQ(gethostbyaddrU16("abcd", 4, 2), first);
    EXPECT_EQ(qoru_test::text(first->h_name), "second");
    serventU16 *byName = getservbynameU16(u"a", u"tcp");
    EXPECT_EQ(byName->s_port, -32768);  // sign-extended
    EXPECT_NE(getservbyportU16(1, nullptr), byName);
    EXPECT_EQ(getservbynameU16(u"b", nullptr), byName);
    fed.found = false;
    errno = 12345;
    EXPECT_EQ(gethostbynameU16(u"a"), nullptr);
    EXPECT_EQ(getservbyportU16(1, u"udp"), nullptr);
    EXPECT_EQ(errno, 12345);
}

TEST_F(Seam, HostNameFitsOrIsCut) {
    fed.name = "ab\xf0\x9f\x98\x80";  // a, b and a pair: five units with the terminator
    const struct {
        int32_t len, result, error;
        std::u16string stored;
    } cases[] = {{5, 0, 0, u"ab\U0001F600"}, {4, -1, ENAMETOOLONG, u"ab"}, {3, -1, ENAMETOOLONG, u"ab"},
                 {2, -1, ENAMETOOLONG, u"a"}, {1, -1, ENAMETOOLONG, u""},  {0, -1, EINVAL, u"~"}};
    for (const auto &c : cases) {
        char16_t buf[8] = u"~";
        int32_t result = 0;
        EXPECT_EQ(errnoAfter([&] { result = gethostnameU16(buf, c.len); }), c.error) << c.len;
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(std::u16string(buf), c.stored) << c.len;
    }
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(gethostnameU16(nullptr, 5), -1); }), EINVAL);
    fed.found = false;
    char16_t buf[8];
    EXPECT_EQ(gethostnameU16(buf, 8), -1);
}

// ---- The system's own look-ups ----------------------------------------------------

TEST(System, LocalhostAndHostNameMatchTheNarrowLookups) {
    const std::string ours = describeHost(gethostbynameU16(u"localhost"));
    EXPECT_EQ(ours, qoru_test::peerHost("localhost"));
    EXPECT_NE(ours, "none");
    char16_t name[MAX_HOSTNAME_LN];
    ASSERT_EQ(gethostnameU16(name, MAX_HOSTNAME_LN), 0);
    EXPECT_EQ(qoru_test::text(name), qoru_test::peerHostName());
    EXPECT_NE(gethostbynameU16(nullptr), nullptr);
    char16_t wide[4];
    EXPECT_EQ(plat::ansiToUtf16("abc", wide, 4), 4u);
    EXPECT_EQ(std::u16string(wide), u"abc");
    EXPECT_EQ(plat::ansiToUtf16("abcd", wide, 4), 0u);
}

TEST(System, ServicesMatchTheNarrowLookups) {
    // The first of these that the system's services database has.
    for (const auto &[name, proto, port] : {std::tuple{"http", "tcp", 80}, {"domain", "udp", 53}, {"ssh", "tcp", 22}}) {
        const std::string peer = qoru_test::peerService(name, proto);
        if (peer == "none") continue;
        const std::u16string wideName(name, name + strlen(name)), wideProto(proto, proto + strlen(proto));
        EXPECT_EQ(describeService(getservbynameU16(wideName.c_str(), wideProto.c_str())), peer);
        EXPECT_EQ(describeService(getservbynameU16(wideName.c_str(), nullptr)), qoru_test::peerService(name, nullptr));
        const int networkPort = static_cast<int>((port >> 8) | ((port & 0xFF) << 8));
        EXPECT_EQ(describeService(getservbyportU16(networkPort, wideProto.c_str())),
                  qoru_test::peerServiceByPort(networkPort, proto));
        return;
    }
    GTEST_SKIP() << "the system's services database has none of http, domain and ssh";
}

// Windows sockets need starting: the library does it on its first look-up.
qoru_test::Child firstLookup("first-lookup", [](const std::vector<std::string> &) {
    char16_t name[MAX_HOSTNAME_LN];
    return gethostnameU16(name, MAX_HOSTNAME_LN) == 0 && gethostbynameU16(u"localhost") != nullptr ? 0 : 1;
});

TEST(System, FirstLookupStartsTheSystemItself) { EXPECT_EQ(qoru_test::runChild("first-lookup").exitCode, 0); }

}  // namespace
