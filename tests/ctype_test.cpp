// The character operations with the real ICU (Linux, where ICU is installed
// and linked into the tests as a peer): the nine pointers answer as ICU's own
// entry points, and the comparison and derived classes build on them.
#include <gtest/gtest.h>

#include <cstdint>
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

// The first call through a pointer loads ICU; later initializations report its outcome.
qoru_test::Child firstUse("first-use", [](const std::vector<std::string> &) {
    printf("upper=%X\n", static_cast<unsigned>(toupperU('a')));
    const int32_t first = nlsui_initialize();
    printf("init=%d,%d\n", first, nlsui_initialize());
    return 0;
});

std::string versionText(void (*get)(UVersionInfo)) {
    UVersionInfo v;
    get(v);
    char text[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(v, text);
    return text;
}

TEST(RealIcu, InitializationReportsTheRunningVersionOnce) {
    qoru_test::ChildOptions o;
    o.env = {{"NLSUI_INIT_TRACE_LEVEL", "medium"}, {"NLSUI_7BIT_FALLBACK", std::nullopt}};
    const qoru_test::ChildResult r = qoru_test::runChild("first-use", o);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.standardOutput, "upper=41\ninit=0,0\n");
    const std::string &err = r.standardError;
    const std::string loaded = "Loaded ICU common lib: libicuuc.so." U_ICU_VERSION_SHORT;
    for (const std::string &text : {"Running with ICU version " + versionText(u_getVersion) + " ",
                                    "ICU uses Unicode version " + versionText(u_getUnicodeVersion) + " ",
                                    std::string("Compiled with ICU version ") + U_ICU_VERSION, loaded})
        EXPECT_NE(err.find(text), std::string::npos) << text << "\n" << err;
    EXPECT_EQ(err.find(loaded), err.rfind(loaded));
    EXPECT_EQ(err.find("not loaded"), std::string::npos);
}

// Every test below runs in a process that has loaded ICU.
class RealIcuInProcess : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(nlsui_initialize(), 0); }
};

// Every BMP code point, a stride through the supplementary planes and values
// outside the code space; the derived classes against their definition on ICU.
TEST_F(RealIcuInProcess, PointersAndDerivedClassesAnswerAsIcu) {
    const std::pair<nlsui_class_func, UBool (*)(UChar32)> classes[] = {
        {isalnumU, u_isalnum}, {isalphaU, u_isalpha}, {iscntrlU, u_iscntrl}, {islowerU, u_islower},
        {isprintU, u_isprint}, {isspaceU, u_isspace}, {isupperU, u_isupper}};
    std::vector<int32_t> sample = {-1, 0x10030, 0x10041, 0x110000, 0x7FFFFFFF};
    for (int32_t c = 0; c <= 0x10FFFF; c += c < 0xFFFF ? 1 : 97) sample.push_back(c);
    int wrong = 0;
    for (int32_t c : sample) {
        for (const auto &[ours, icu] : classes) wrong += (ours(c) != 0) != (icu(c) != 0);
        wrong += (tolowerU(c) != u_tolower(c)) + (toupperU(c) != u_toupper(c));
        const bool print = u_isprint(c) && c != ' ', hex = c < 0x80 && isxdigit(c);
        wrong += ((isgraphU(c) != 0) != print) + ((ispunctU(c) != 0) != (print && !u_isalnum(c)));
        wrong += (isxdigitU(c) != 0) != hex;
    }
    EXPECT_EQ(wrong, 0);
}

// Random mixed-script words whose simple lower case is also ICU's case
// folding: the sign agrees with u_strcasecmp, the value is the difference of
// the first lowered units that differ. Every third pair differs only in case.
TEST_F(RealIcuInProcess, CaseInsensitiveComparisonAgreesWithIcu) {
    const std::u16string alphabet = u"abcxyzABCXYZ\u00E0\u00C0\u00E9\u00C9\u03B1\u0391\u03C9\u03A9\u0436\u0416\u044F"
                                    u"\u042F\u0561\u0531\u4E2D\u0627\u05D0 -_09";
    auto reference = [](const char16_t *a, const char16_t *b, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            const int32_t la = u_tolower(a[i]) & 0xFFFF, lb = u_tolower(b[i]) & 0xFFFF;
            if (la == 0 || la != lb) return la - lb;
        }
        return 0;
    };
    std::mt19937 rng(1234);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1), len(0, 12);
    auto u = [](const std::u16string &s) { return reinterpret_cast<const UChar *>(s.c_str()); };
    auto sign = [](int32_t v) { return (v > 0) - (v < 0); };
    int wrong = 0;
    for (int i = 0; i < 20000; ++i) {
        std::u16string a, b;
        for (size_t n = len(rng); n > 0; --n) a += alphabet[pick(rng)];
        for (size_t n = len(rng); n > 0; --n) b += alphabet[pick(rng)];
        if (i % 3 == 0) {
            b = a;
            for (char16_t &unit : b) unit = static_cast<char16_t>(rng() % 2 ? u_toupper(unit) : u_tolower(unit));
        }
        const size_t n = i % 7;
        const int32_t all = strcasecmpU16(a.c_str(), b.c_str()), some = strncasecmpU16(a.c_str(), b.c_str(), n);
        wrong += all != reference(a.c_str(), b.c_str(), SIZE_MAX) || some != reference(a.c_str(), b.c_str(), n);
        wrong += sign(all) != sign(u_strcasecmp(u(a), u(b), U_FOLD_CASE_DEFAULT));
        wrong += sign(some) != sign(u_strncasecmp(u(a), u(b), static_cast<int32_t>(n), U_FOLD_CASE_DEFAULT));
    }
    EXPECT_EQ(wrong, 0);
}

#else

TEST(RealIcu, NeedsIcuAsAPeer) {
    GTEST_SKIP() << "ICU is a test peer only where it is installed (Linux builds); the binder's tests use doubles";
}

#endif

}  // namespace
