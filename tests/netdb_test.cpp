// Host and service look-ups: records fed through the seam at every limit of the static records, with their reports;
// input names too long for the system; and real look-ups compared field by field with the system's narrow ones.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>
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

using qoru_test::errnoAfter;
using qoru_test::text;
using Strings = std::vector<std::string>;

// What the system answers, kept as the system keeps it, and what it was last asked.
struct Fed {
    std::string name = "host", proto = "tcp";
    Strings aliases{"alias"}, addresses{"\x7f\x01\x02\x03"};
    int16_t type = 2, length = 4, port = -32768;
    bool found = true;
    std::string askedName = "unasked", askedProto = "unasked";
    std::vector<char *> aliasList, addressList;

    static char **list(Strings &from, std::vector<char *> &to) {
        to.clear();
        for (auto &s : from) to.push_back(s.data());
        to.push_back(nullptr);
        return to.data();
    }
    plat::HostRecord host() { return {name.c_str(), list(aliases, aliasList), type, length, list(addresses, addressList)}; }
    plat::ServiceRecord service() { return {name.c_str(), list(aliases, aliasList), port, proto.c_str()}; }
    // The fed record as describeHost and describeService write it.
    std::string described(bool isService) const {
        std::string s = name;
        for (const auto &a : aliases) s += " [" + a + "]";
        if (isService) return s + " port " + std::to_string(port) + ' ' + proto;
        s += " type " + std::to_string(type) + " length " + std::to_string(length);
        for (const auto &a : addresses)
            for (int k = 0; k < length; ++k) s += ' ' + std::to_string(static_cast<uint8_t>(a[k]));
        return s;
    }
};
Fed fed;

bool answerHost(const char *name, plat::HostRecord &r) {
    fed.askedName = text(name);
    r = fed.host();
    return fed.found;
}
bool answerService(const char *name, const char *proto, plat::ServiceRecord &r) {
    fed.askedName = text(name);
    fed.askedProto = text(proto);
    r = fed.service();
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

std::string tooSmall(const std::string &function, const std::string &array, const std::string &constant) {
    return "Function " + function + " :\nArray " + array.substr(0, 32) + " length " + constant + " is too small.";
}

// n numbered aliases, then more.
Strings numbered(size_t n, Strings more = {}) {
    while (n-- > 0) more.insert(more.begin(), std::to_string(1000 + n));
    return more;
}

// Each shape of the fed record, through both look-ups of its kind at trace levels 0 and 1: the record as fed, or null
// with errno and the report (the conversion report for EILSEQ) at level 1 only.
TEST_F(Seam, RecordLimits) {
    const std::string units255 = text(std::u16string(255, u'\u00e9').c_str());
    const std::string units31 = text(std::u16string(31, u'\u20ac').c_str());
    const struct {
        bool isService;
        std::function<void()> shape;
        const char *array, *constant;  // none: accepted
        int error;
    } limits[] = {
        {false, [&] { fed.name = units255, fed.aliases = numbered(62, {units255}); }, nullptr, nullptr, 0},
        {false, [] { fed.length = 16, fed.addresses.assign(63, std::string(16, 'x')); }, nullptr, nullptr, 0},
        {false, [] { fed.aliases = numbered(64); }, "h_aliases_buf", "MAX_ALIASES", 0},
        {false, [] { fed.addresses.assign(64, "abcd"); }, "h_addr_list_buf", "MAX_ADDRESSES", 0},
        {false, [] { fed.length = 17, fed.addresses = {std::string(17, 'x')}; }, "h_length", "MAX_IPADDR_LN", 0},
        {false, [] { fed.length = -1; }, "h_length", "MAX_IPADDR_LN", 0},
        {false, [&] { fed.name = units255 + "z"; }, "h_name_buf", "MAX_HOSTNAME_LN", ENAMETOOLONG},
        {false, [&] { fed.aliases = {"a", units255 + "\xf0\x9f\x98\x80"}; }, "&h_aliases_buf[i*MAX_HOSTNAME_LN]",
         "MAX_HOSTNAME_LN", ENAMETOOLONG},
        {false, [] { fed.aliases = {"a\xc3("}; }, "invalid alias", nullptr, EILSEQ},
        {false, [] { fed.name = "\x80"; }, "invalid name", nullptr, EILSEQ},
        {true, [&] { fed.name = units31, fed.aliases = numbered(62, {units31}), fed.proto = "p234567"; }, nullptr,
         nullptr, 0},
        {true, [&] { fed.name = units31 + "z"; }, "s_name_buf", "MAX_SERVNAME_LN", ENAMETOOLONG},
        {true, [&] { fed.aliases = {"b", units31 + "z"}; }, "&s_aliases_buf[i * MAX_SERVNAME_LN]", "MAX_SERVNAME_LN",
         ENAMETOOLONG},
        {true, [] { fed.aliases = numbered(64); }, "s_aliases_buf", "MAX_ALIASES", 0},
        {true, [] { fed.proto = "p2345678"; }, "s_proto_buf", "MAX_SERVPROTONAME_LN", ENAMETOOLONG},
        {true, [] { fed.proto = "\xed\xa0"; }, "invalid proto", nullptr, EILSEQ},
    };
    // Through the address too, the reports name gethostbynameU16.
    const std::tuple<bool, std::string, std::function<std::string()>> calls[] = {
        {false, "gethostbynameU16", [] { return qoru_test::describeHost(gethostbynameU16(u"host")); }},
        {false, "gethostbynameU16", [] { return qoru_test::describeHost(gethostbyaddrU16("\x7f\0\0\1", 4, 2)); }},
        {true, "getservbynameU16", [] { return qoru_test::describeService(getservbynameU16(u"svc", u"tcp")); }},
        {true, "getservbyportU16", [] { return qoru_test::describeService(getservbyportU16(0x5000, nullptr)); }},
    };
    for (const auto &limit : limits) {
        for (const auto &[isService, function, call] : calls) {
            for (int level = 0; level < 2 && isService == limit.isService; ++level) {
                fed = Fed();
                limit.shape();
                qoru_test::TraceCapture capture(level);
                std::string result;
                EXPECT_EQ(errnoAfter([&] { result = call(); }), limit.error) << function << " " << text(limit.array);
                EXPECT_EQ(result, limit.array ? "none" : fed.described(isService)) << capture.joined();
                if (limit.array == nullptr) continue;
                const std::string report = limit.error == EILSEQ ? function + " encountered invalid UTF-8"
                                                                 : tooSmall(function, limit.array, limit.constant);
                EXPECT_EQ(capture.joined().find(report) != std::string::npos, level > 0) << capture.joined();
            }
        }
    }
}

// Input names whose UTF-8 form does not fit are reported (function, array, constant) and never looked up; an unpaired
// surrogate goes as its own three-byte form.
TEST_F(Seam, InputNamesTooLong) {
    const auto n = [](size_t count, const char16_t *tail = u"") { return std::u16string(count, u'n') + tail; };
    const std::string n255(255, 'n'), n31(31, 'n'), n7(7, 'n'), unasked = "unasked unasked";
    const struct {
        std::function<const void *()> call;
        std::string asked;  // name and protocol as the system is asked
        const char *report;
    } cases[] = {
        {[&] { return gethostbynameU16(n(255).c_str()); }, n255 + " unasked", nullptr},
        {[&] { return gethostbynameU16(n(254, u"\u00e9").c_str()); }, unasked, "gethostbynameU16 cname MAX_HOSTNAME_LN"},
        {[&] { return gethostbynameU16(nullptr); }, "(null) unasked", nullptr},
        {[&] { return gethostbynameU16(u"a\xD800"); }, "a\xED\xA0\x80 unasked", nullptr},
        {[&] { return getservbynameU16(n(31).c_str(), nullptr); }, n31 + " (null)", nullptr},
        {[&] { return getservbynameU16(n(32).c_str(), u"t"); }, unasked, "getservbynameU16 cname MAX_SERVNAME_LN"},
        {[&] { return getservbynameU16(u"s", n(7).c_str()); }, "s " + n7, nullptr},
        {[&] { return getservbynameU16(u"s", n(8).c_str()); }, unasked, "getservbynameU16 cproto MAX_SERVPROTONAME_LN"},
        {[&] { return getservbyportU16(1, n(7).c_str()); }, "by port " + n7, nullptr},
        {[&] { return getservbyportU16(1, n(8).c_str()); }, unasked, "getservbyportU16 s_proto_char MAX_SERVPROTONAME_LN"},
    };
    for (const auto &c : cases) {
        fed.askedName = fed.askedProto = "unasked";
        qoru_test::TraceCapture capture(1);
        const void *found = nullptr;
        const int error = errnoAfter([&] { found = c.call(); });
        EXPECT_EQ(fed.askedName + " " + fed.askedProto, c.asked);
        EXPECT_EQ(found != nullptr, c.report == nullptr) << c.asked;
        if (c.report == nullptr) {
            EXPECT_EQ(capture.joined(), "");
            continue;
        }
        char function[32], array[16], constant[32];
        ASSERT_EQ(sscanf(c.report, "%31s %15s %31s", function, array, constant), 3);
        EXPECT_NE(capture.joined().find(tooSmall(function, array, constant)), std::string::npos) << c.report;
        EXPECT_EQ(error, ENAMETOOLONG);
    }
}

TEST_F(Seam, RecordsAreStaticAndSystemFailuresLeaveErrno) {
    hostentU16 *first = gethostbynameU16(u"a");
    fed.name = "second";
    EXPECT_EQ(gethostbyaddrU16("abcd", 4, 2), first);
    EXPECT_EQ(text(first->h_name), "second");
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
    const std::tuple<int32_t, int32_t, int, std::u16string> cases[] = {
        {5, 0, 0, u"ab\U0001F600"}, {4, -1, ENAMETOOLONG, u"ab"}, {3, -1, ENAMETOOLONG, u"ab"},
        {2, -1, ENAMETOOLONG, u"a"}, {1, -1, ENAMETOOLONG, u""},  {0, -1, EINVAL, u"~"}};
    for (const auto &[length, result, error, stored] : cases) {
        char16_t buf[8] = u"~";
        EXPECT_EQ(errnoAfter([&] { EXPECT_EQ(gethostnameU16(buf, length), result); }), error) << length;
        EXPECT_EQ(std::u16string(buf), stored) << length;
    }
    EXPECT_EQ(errnoAfter([] { EXPECT_EQ(gethostnameU16(nullptr, 5), -1); }), EINVAL);
    fed.found = false;
    EXPECT_EQ(gethostnameU16(std::u16string(8, u' ').data(), 8), -1);
}

// ---- The system's own look-ups ----------------------------------------------------

TEST(System, LocalhostAndHostNameMatchTheNarrowLookups) {
    EXPECT_EQ(qoru_test::describeHost(gethostbynameU16(u"localhost")), qoru_test::peerHost("localhost"));
    EXPECT_NE(qoru_test::peerHost("localhost"), "none");
    char16_t name[MAX_HOSTNAME_LN];
    ASSERT_EQ(gethostnameU16(name, MAX_HOSTNAME_LN), 0);
    EXPECT_EQ(text(name), qoru_test::peerHostName());
    EXPECT_NE(gethostbynameU16(nullptr), nullptr);
    char16_t wide[4];
    EXPECT_EQ(qoru::systemNameToUtf16("abc", wide, 4), 4u);
    EXPECT_EQ(qoru::systemNameToUtf16("abcd", wide, 4), 0u);
}

TEST(System, ServicesMatchTheNarrowLookups) {
    // The first of these that the system's services database has.
    for (const auto &[name, proto, port] : {std::tuple{"http", "tcp", 80}, {"domain", "udp", 53}, {"ssh", "tcp", 22}}) {
        if (qoru_test::peerService(name, 0, proto) == "none") continue;
        const std::u16string wideName = qoru_test::utf16Of(name), wideProto = qoru_test::utf16Of(proto);
        const int networkPort = (port >> 8) | ((port & 0xFF) << 8);  // 16 bits in network order
        EXPECT_EQ(qoru_test::describeService(getservbynameU16(wideName.c_str(), wideProto.c_str())),
                  qoru_test::peerService(name, 0, proto));
        EXPECT_EQ(qoru_test::describeService(getservbynameU16(wideName.c_str(), nullptr)),
                  qoru_test::peerService(name, 0, nullptr));
        EXPECT_EQ(qoru_test::describeService(getservbyportU16(networkPort, wideProto.c_str())),
                  qoru_test::peerService(nullptr, networkPort, proto));
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
