// The character operations against the real ICU, linked into the tests as a peer where it is installed (Linux).
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>

#include "child.h"
#include "qorucum.h"

#ifdef QORU_TEST_HAS_ICU
#include <unicode/uchar.h>
#include <unicode/ustring.h>

namespace {

qoru_test::Child firstUse("first-use", [](const std::vector<std::string> &) {
    const int32_t upper = toupperU('a'), first = nlsui_initialize();
    return printf("upper=%X\ninit=%d,%d\n", static_cast<unsigned>(upper), first, nlsui_initialize()) < 0;
});

// The first call through a pointer loads ICU once; later initializations report its outcome.
TEST(RealIcu, FirstUseLoadsIcuOnceAndReportsItsVersions) {
    const qoru_test::ChildResult r = qoru_test::runChild(
        "first-use", {.env = {{"NLSUI_INIT_TRACE_LEVEL", "medium"}, {"NLSUI_7BIT_FALLBACK", std::nullopt}}});
    EXPECT_EQ(r.standardOutput, "upper=41\ninit=0,0\n");
    UVersionInfo v[2];
    char version[2][U_MAX_VERSION_STRING_LENGTH];
    u_getVersion(v[0]), u_getUnicodeVersion(v[1]), u_versionToString(v[0], version[0]), u_versionToString(v[1], version[1]);
    const std::string &err = r.standardError, loaded = "Loaded ICU common lib: libicuuc.so." U_ICU_VERSION_SHORT;
    for (const std::string &text : {"Running with ICU version " + std::string(version[0]) + " ", loaded,
                                    "ICU uses Unicode version " + std::string(version[1]) + " ",
                                    std::string("Compiled with ICU version ") + U_ICU_VERSION})
        EXPECT_NE(err.find(text), std::string::npos) << text << "\n" << err;
    EXPECT_EQ(err.find(loaded), err.rfind(loaded));
}

// The pointers at every BMP code point, a stride through the other planes and values outside, the derived classes
// by their definition. Then random mixed-script words whose simple lower case is also ICU's case folding, every third
// pair differing only in case: the value of a comparison is the difference of the first lowered units that differ,
// its sign that of u_strcasecmp.
TEST(RealIcu, CharacterFunctionsAndCaseInsensitiveComparisonAnswerAsIcu) {
    ASSERT_EQ(nlsui_initialize(), 0);
    const std::pair<nlsui_class_func, UBool (*)(UChar32)> classes[] = {
        {isalnumU, u_isalnum}, {isalphaU, u_isalpha}, {iscntrlU, u_iscntrl}, {islowerU, u_islower},
        {isprintU, u_isprint}, {isspaceU, u_isspace}, {isupperU, u_isupper}};
    int wrong = 0;
    const auto check = [&](int32_t c) {
        for (const auto &[ours, icu] : classes) wrong += (ours(c) != 0) != (icu(c) != 0);
        const bool print = u_isprint(c) && c != ' ', hex = c >= 0 && c < 0x80 && isxdigit(c);
        wrong += (tolowerU(c) != u_tolower(c)) + (toupperU(c) != u_toupper(c)) + ((isxdigitU(c) != 0) != hex);
        wrong += ((isgraphU(c) != 0) != print) + ((ispunctU(c) != 0) != (print && !u_isalnum(c)));
    };
    for (int32_t c = -1; c <= 0x10FFFF; c += c < 0xFFFF ? 1 : 97) check(c);
    for (int32_t c : {0x10030, 0x10041, 0x110000, 0x7FFFFFFF}) check(c);
    EXPECT_EQ(wrong, 0) << "character functions";
    const std::u16string alphabet = u"abzABZ\u00E0\u00C9\u03B1\u03A9\u0436\u042F\u0561\u0531\u4E2D\u0627 -_09";
    const auto reference = [](const char16_t *a, const char16_t *b, size_t n) {
        for (size_t i = 0; i < n; ++i)
            if (int32_t la = u_tolower(a[i]) & 0xFFFF, lb = u_tolower(b[i]) & 0xFFFF; la == 0 || la != lb) return la - lb;
        return 0;
    };
    const auto sign = [](int32_t v) { return (v > 0) - (v < 0); };
    std::mt19937 rng(1234);
    for (size_t i = 0, n = 0; i < 20000; ++i, n = i % 7) {
        std::u16string a(rng() % 13, u' '), b(rng() % 13, u' ');
        for (std::u16string *word : {&a, &b})
            for (char16_t &unit : *word) unit = alphabet[rng() % alphabet.size()];
        if (i % 3 == 0)
            for (b = a; char16_t &unit : b) unit = static_cast<char16_t>(rng() % 2 ? u_toupper(unit) : u_tolower(unit));
        const int32_t all = strcasecmpU16(a.c_str(), b.c_str()), some = strncasecmpU16(a.c_str(), b.c_str(), n);
        wrong += all != reference(a.c_str(), b.c_str(), SIZE_MAX) || some != reference(a.c_str(), b.c_str(), n) ||
                 sign(all) != sign(u_strcasecmp(a.c_str(), b.c_str(), U_FOLD_CASE_DEFAULT)) ||
                 sign(some) != sign(u_strncasecmp(a.c_str(), b.c_str(), static_cast<int32_t>(n), U_FOLD_CASE_DEFAULT));
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
#else
TEST(RealIcu, NeedsIcuAsAPeer) {
    GTEST_SKIP() << "ICU is a test peer only where it is installed (Linux builds); the binder's tests use doubles";
}
#endif
