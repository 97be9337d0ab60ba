// The character operations with the real ICU (Linux, where ICU is installed
// and linked into the tests as a peer): the nine pointers answer as ICU's own
// entry points, and the comparison and derived classes build on them.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "child.h"
#include "qorucum.h"

#ifdef QORU_TEST_HAS_ICU
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/uversion.h>
#endif

namespace {

#ifdef QORU_TEST_HAS_ICU

// Reports of one initialization at level 4, and its result.
qoru_test::Child firstUse("first-use", [](const std::vector<std::string> &args) {
    if (!args.empty() && args[0] == "toupper") printf("upper=%X\n", static_cast<unsigned>(toupperU('a')));
    printf("init=%d\n", nlsui_initialize());
    printf("init=%d\n", nlsui_initialize());
    return 0;
});

std::string versionText(void (*get)(UVersionInfo)) {
    UVersionInfo v;
    get(v);
    char text[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(v, text);
    return text;
}

// The sample: every BMP code point and a stride through the supplementary
// planes, plus values outside the code space.
std::vector<int32_t> sample() {
    std::vector<int32_t> cps;
    for (int32_t c = 0; c <= 0xFFFF; ++c) cps.push_back(c);
    for (int32_t c = 0x10000; c <= 0x10FFFF; c += 97) cps.push_back(c);
    cps.insert(cps.end(), {0x110000, -1, 0x7FFFFFFF});
    return cps;
}

TEST(RealIcu, InitializationReportsTheRunningVersionOnce) {
    qoru_test::ChildOptions o;
    o.env = {{"NLSUI_INIT_TRACE_LEVEL", "medium"}, {"NLSUI_7BIT_FALLBACK", std::nullopt}};
    o.args = {"toupper"};
    const qoru_test::ChildResult r = qoru_test::runChild("first-use", o);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.standardOutput, "upper=41\ninit=0\ninit=0\n");
    const std::string &err = r.standardError;
    EXPECT_NE(err.find("Running with ICU version " + versionText(u_getVersion) + " "), std::string::npos) << err;
    EXPECT_NE(err.find("ICU uses Unicode version " + versionText(u_getUnicodeVersion) + " "), std::string::npos);
    EXPECT_NE(err.find(std::string("Compiled with ICU version ") + U_ICU_VERSION), std::string::npos);
    const std::string loaded = "Loaded ICU common lib: libicuuc.so." + std::to_string(U_ICU_VERSION_MAJOR_NUM);
    EXPECT_EQ(err.find(loaded), err.rfind(loaded));
    EXPECT_NE(err.find(loaded), std::string::npos);
    EXPECT_EQ(err.find("not loaded"), std::string::npos);
}

class RealIcuInProcess : public testing::Test {
protected:
    // Every test of this program accepts an initialized process.
    static void SetUpTestSuite() { ASSERT_EQ(nlsui_initialize(), 0); }
};

TEST_F(RealIcuInProcess, PointersAnswerAsIcu) {
    int wrong = 0;
    for (int32_t c : sample()) {
        wrong += (isalnumU(c) != 0) != (u_isalnum(c) != 0);
        wrong += (isalphaU(c) != 0) != (u_isalpha(c) != 0);
        wrong += (iscntrlU(c) != 0) != (u_iscntrl(c) != 0);
        wrong += (islowerU(c) != 0) != (u_islower(c) != 0);
        wrong += (isprintU(c) != 0) != (u_isprint(c) != 0);
        wrong += (isspaceU(c) != 0) != (u_isspace(c) != 0);
        wrong += (isupperU(c) != 0) != (u_isupper(c) != 0);
        wrong += tolowerU(c) != u_tolower(c);
        wrong += toupperU(c) != u_toupper(c);
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_NE(toupperU(0x0101), 0x0101);  // the data check's probe
}

TEST_F(RealIcuInProcess, DerivedClassesBuildOnIcu) {
    int wrong = 0;
    for (int32_t c : sample()) {
        const bool print = u_isprint(c) != 0, alnum = u_isalnum(c) != 0;
        wrong += (isgraphU(c) != 0) != (print && c != 0x20);
        wrong += (ispunctU(c) != 0) != (print && !alnum && c != 0x20);
        wrong += (isxdigitU(c) != 0) != ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'));
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_FALSE(isgraphU(' '));
    EXPECT_TRUE(ispunctU('_'));
    EXPECT_FALSE(ispunctU('a'));
    EXPECT_TRUE(isgraphU(0x0416));   // Cyrillic Zhe
    EXPECT_TRUE(ispunctU(0x3001));   // ideographic comma
    EXPECT_FALSE(isxdigitU(0xFF10)); // fullwidth digit zero
}

int sign(int32_t v) { return (v > 0) - (v < 0); }

// Random mixed-script words whose simple lower case is also ICU's case
// folding, compared with u_strcasecmp; equal pairs differ only in case.
TEST_F(RealIcuInProcess, CaseInsensitiveComparisonAgreesWithIcu) {
    const std::u16string alphabet =
        u"abcxyzABCXYZ\u00E0\u00C0\u00E9\u00C9\u03B1\u0391\u03C9\u03A9\u0436\u0416\u044F\u042F"
        u"\u0561\u0531\u4E2D\u0627\u05D0 -_09";
    std::mt19937 rng(1234);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1), len(0, 12);
    auto flipCase = [](char16_t u) {
        const int32_t up = u_toupper(u), low = u_tolower(u);
        return static_cast<char16_t>(up != u ? up : low);
    };
    int wrong = 0;
    for (int i = 0; i < 20000; ++i) {
        std::u16string a, b;
        for (size_t n = len(rng); n > 0; --n) a += alphabet[pick(rng)];
        if (i % 3 == 0) {
            b = a;
            for (auto &u : b)
                if (rng() % 2) u = flipCase(u);
        } else {
            for (size_t n = len(rng); n > 0; --n) b += alphabet[pick(rng)];
        }
        const int32_t peer = u_strcasecmp(reinterpret_cast<const UChar *>(a.c_str()),
                                          reinterpret_cast<const UChar *>(b.c_str()), U_FOLD_CASE_DEFAULT);
        wrong += sign(strcasecmpU16(a.c_str(), b.c_str())) != sign(peer);
        const size_t n = i % 7;
        const int32_t peerN = u_strncasecmp(reinterpret_cast<const UChar *>(a.c_str()),
                                            reinterpret_cast<const UChar *>(b.c_str()), static_cast<int32_t>(n),
                                            U_FOLD_CASE_DEFAULT);
        wrong += sign(strncasecmpU16(a.c_str(), b.c_str(), n)) != sign(peerN);
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(strcasecmpU16(u"ABC", u"abc"), 0);
    EXPECT_EQ(strcasecmpU16(u"abc", u"abd"), -1);
    EXPECT_EQ(strncasecmpU16(u"abcX", u"ABCy", 3), 0);
    EXPECT_EQ(strncasecmpU16(u"abcX", u"ABCy", 4), -1);
    EXPECT_EQ(strcasecmpU16(u"\u0416\u0418\u0412", u"\u0436\u0438\u0432"), 0);
}

#else

TEST(RealIcu, NeedsIcuAsAPeer) {
    GTEST_SKIP() << "ICU is a test peer only where it is installed (Linux builds); the binder's tests use doubles";
}

#endif

}  // namespace
