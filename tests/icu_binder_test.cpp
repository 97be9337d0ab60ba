// The ICU binder against test-double ICU libraries: a build of the library
// for an ICU version the system lacks, so that the doubles are the only ICU
// it can find (through the library search path or its fixed directory).
// Everything that happens once per process runs in a child process with its
// own environment and working directory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "child.h"
#include "flat/nlsui0.h"
#include "flat/nlsui0_trace.h"
#include "i18n/qoru16/u16_aux.h"
#include "i18n/qoru16/u16_cty.h"
#include "platform/platform.h"
#include "qorucum.h"
#include "qorucum_config.h"

namespace {

namespace fs = std::filesystem;
using qoru_test::ChildOptions;
using qoru_test::ChildResult;

bool onWindows() { return plat::pathSeparator() == '\\'; }

// ---- Child bodies ------------------------------------------------------------------

const char *pointerState() {
    if (isalnumU == qoru::lazyCharacterFunctions.isalnum) return "lazy";
    if (isalnumU == qoru::sevenBitCharacterFunctions.isalnum) return "7bit";
    if (reinterpret_cast<void *>(isalnumU) == qoru::icuGroupSlots(qoru::IcuGroup::ctype)[qoru::icuIsalnum])
        return "icu";
    return "other";
}

bool groupBound(qoru::IcuGroup group) {
    void *const *slots = qoru::icuGroupSlots(group);
    for (size_t i = 0; i < qoru::icuGroupSize(group); ++i)
        if (slots[i] == nullptr) return false;
    return true;
}

bool groupUntouched(qoru::IcuGroup group) {
    void *const *slots = qoru::icuGroupSlots(group);
    for (size_t i = 0; i < qoru::icuGroupSize(group); ++i)
        if (slots[i] != nullptr) return false;
    return true;
}

int gBoxes = 0;
int gEvents = 0;
void countBox(const char *, const char *caption) { gBoxes += strcmp(caption, "I18N Initialization") == 0; }
void countEvent(const char *source, const char *) { gEvents += strcmp(source, "QOR-UNICODE") == 0; }

// Runs the actions named by its arguments and prints one line per result.
qoru_test::Child probe("probe", [](const std::vector<std::string> &args) {
    printf("pid=%d\n", plat::processId());
    fflush(stdout);
    for (const std::string &a : args) {
        if (a == "init") {
            printf("init=%d\n", nlsui_initialize());
        } else if (a == "count-outputs") {
            qoru::gInitTraceMessageBox = countBox;
            qoru::gInitTraceEvent = countEvent;
        } else if (a == "quiet-error-mode") {
            plat::setErrorMode(0x8003);
        } else if (a == "upper") {
            printf("upper=%X\n", static_cast<unsigned>(toupperU('a')));
        } else if (a == "alpha-e9") {
            printf("alpha-e9=%d\n", isalphaU(0xE9) != 0);
        } else if (a == "upper-10041") {
            printf("upper-10041=%d\n", isupperU(0x10041) != 0);
        } else if (a == "lower-c4") {
            printf("lower-c4=%X\n", static_cast<unsigned>(tolowerU(0xC4)));
        } else if (a == "casecmp-same") {
            const charU16 *s = u"Abc";
            printf("casecmp-same=%d\n", strcasecmpU16(s, s) + strncasecmpU16(s, u"x", 0));
        } else if (a == "casecmp") {
            printf("casecmp=%d,%d\n", strcasecmpU16(u"\u00C4bc", u"\u00E4BC"), strcasecmpU16(u"abc", u"abd"));
        } else if (a == "host-tolower") {
            // A function the host installs sees both units of every position.
            static int calls = 0;
            tolowerU = [](int32_t c) -> int32_t {
                ++calls;
                return c;
            };
            const charU16 first[] = u"ab", second[] = u"ab";
            const int32_t r = strcasecmpU16(first, second);
            printf("host-tolower=%d calls=%d\n", r, calls);
        } else if (a == "xdigit") {
            printf("xdigit=%d%d%d\n", isxdigitU('F'), isxdigitU('g'), isxdigitU(0xFF10));
        } else if (a == "levels") {
            printf("init-level=%d trace-level=%d\n", qoru::gInitTraceLevel, qoru::traceLevel());
        } else if (a == "host-level") {
            nlsui_set_trace(nullptr, qoru::traceHigh);
        } else if (a == "state") {
            printf("ptr=%s common=%d i18n=%d bidi=%d shaping=%d normalization=%d transliteration=%d\n",
                   pointerState(), qoru::gIcuCommonHandle != nullptr, qoru::gIcuI18nHandle != nullptr,
                   groupBound(qoru::IcuGroup::bidi), groupBound(qoru::IcuGroup::shaping),
                   groupUntouched(qoru::IcuGroup::normalization) ? 0 : 1,
                   groupUntouched(qoru::IcuGroup::transliteration) ? 0 : 1);
        } else if (a == "outputs") {
            printf("boxes=%d events=%d\n", gBoxes, gEvents);
        } else if (a == "threads") {
            std::vector<std::thread> threads;
            std::vector<int32_t> results(8);
            for (size_t i = 0; i < results.size(); ++i)
                threads.emplace_back([&results, i] {
                    results[i] = i % 2 ? toupperU('q') : (isalphaU('q') != 0 ? 'Q' : 0);
                });
            for (auto &t : threads) t.join();
            int good = 0;
            for (int32_t r : results) good += r == 'Q';
            printf("threads=%d\n", good);
        }
        fflush(stdout);
    }
    return 0;
});

// The 7-bit fallbacks against the C locale's sets over the whole 7-bit range;
// prints the number of disagreements.
qoru_test::Child sevenBitRange("seven-bit-range", [](const std::vector<std::string> &) {
    nlsui_initialize();
    int wrong = 0;
    for (int32_t c = 0; c < 0x80; ++c) {
        const bool upper = c >= 'A' && c <= 'Z', lower = c >= 'a' && c <= 'z', digit = c >= '0' && c <= '9';
        wrong += (isalnumU(c) != 0) != (upper || lower || digit);
        wrong += (isalphaU(c) != 0) != (upper || lower);
        wrong += (iscntrlU(c) != 0) != (c < 0x20 || c == 0x7F);
        wrong += (islowerU(c) != 0) != lower;
        wrong += (isprintU(c) != 0) != (c >= 0x20 && c < 0x7F);
        wrong += (isspaceU(c) != 0) != ((c >= 9 && c <= 13) || c == ' ');
        wrong += (isupperU(c) != 0) != upper;
        wrong += tolowerU(c) != (upper ? c + 0x20 : c);
        wrong += toupperU(c) != (lower ? c - 0x20 : c);
        wrong += (isgraphU(c) != 0) != (c > 0x20 && c < 0x7F);
        wrong += (ispunctU(c) != 0) != (c > 0x20 && c < 0x7F && !(upper || lower || digit));
    }
    printf("wrong=%d\n", wrong);
    return 0;
});

// Library names and joined paths at the limit of 260 bytes.
qoru_test::Child pathLimits("path-limits", [](const std::vector<std::string> &) {
    const std::string name259(259, 'n'), name260(260, 'n');
    printf("open259=%d\n", qoru::nlsui_dlopen(name259.c_str()) == nullptr);
    printf("open260=%d\n", qoru::nlsui_dlopen(name260.c_str()) == nullptr);
    const std::string sep(1, plat::pathSeparator());
    char out[qoru::maxPathLn];
    qoru::joinPath(("dir" + sep).c_str(), "file", out);
    printf("ends=%d\n", std::string(out) == "dir" + sep + "file");
    qoru::joinPath("", "file", out);
    printf("empty=%d\n", std::string(out) == "file");
    const std::string dir200(200, 'd');
    qoru::joinPath(dir200.c_str(), std::string(58, 'f').c_str(), out);
    printf("fits=%zu\n", strlen(out));
    qoru::joinPath(dir200.c_str(), std::string(59, 'f').c_str(), out);
    printf("too-long=%zu\n", strlen(out));
    strcpy(out, "base");
    qoru::joinPath(out, "leaf", out);
    printf("in-place=%d\n", std::string(out) == "base" + sep + "leaf");
    return 0;
});

// ---- Running children ------------------------------------------------------------------

// The variable the platform's library search reads, and its list separator.
const char *libraryPathVar() { return onWindows() ? "PATH" : "LD_LIBRARY_PATH"; }
const char *pathListSeparator() { return onWindows() ? ";" : ":"; }

std::string doublesDir(const char *testCase) {
    return std::string(QORU_TEST_DOUBLES_DIR) + "/" + testCase;
}

std::string freshDirectory() {
    static int counter = 0;
    const fs::path dir = fs::temp_directory_path() /
                         ("qoru-icu-" + std::to_string(plat::processId()) + "-" + std::to_string(counter++));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

// Options for a child that finds the doubles of testCase (null: none) through
// the library search path; the fixed directory only when asked.
ChildOptions icuOptions(const char *testCase, bool fixedDirectory = false) {
    ChildOptions o;
    o.env = {{"NLSUI_INIT_TRACE_LEVEL", std::nullopt},
             {"NLSUI_TRACE_LEVEL", std::nullopt},
             {"NLSUI_7BIT_FALLBACK", std::nullopt},
             {"NO_QOR_ICU_PATH", fixedDirectory ? std::nullopt : std::optional<std::string>("1")}};
    std::string value = testCase ? doublesDir(testCase) : "";
    if (const char *old = getenv(libraryPathVar()))
        value = value.empty() ? old : value + pathListSeparator() + old;
    o.env.emplace_back(libraryPathVar(), value.empty() ? std::nullopt : std::optional<std::string>(value));
    o.workingDirectory = freshDirectory();
    return o;
}

void setEnv(ChildOptions &o, const std::string &name, std::optional<std::string> value) {
    o.env.emplace_back(name, std::move(value));
}

struct Report {
    std::string text;    // without the padding
    size_t paddedLength; // text and padding up to the suffix
    std::string source;
    int pid;
};

struct Outcome {
    ChildResult child;
    std::string traceFileName;  // empty when no trace file was written
    std::string reportText;     // the trace file, else standard error
    std::vector<Report> reports;
    std::string out;            // standard output without CRs

    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const Report &r : reports) t.push_back(r.text);
        return t;
    }
    bool has(const std::string &text) const {
        for (const Report &r : reports)
            if (r.text == text) return true;
        return false;
    }
    int count(const std::string &text) const {
        int n = 0;
        for (const Report &r : reports) n += r.text == text;
        return n;
    }
    bool printed(const std::string &line) const { return out.find(line + "\n") != std::string::npos; }
};

// The suffix " [source line] pid = N\n" at pos, if there is one: its length,
// and the source and pid it names.
size_t suffixAt(const std::string &text, size_t pos, std::string &source, int &pid) {
    if (text.compare(pos, 2, " [") != 0) return 0;
    const size_t close = text.find("] pid = ", pos);
    if (close == std::string::npos) return 0;
    const std::string inside = text.substr(pos + 2, close - pos - 2);
    const size_t blank = inside.find(' ');
    if (blank == std::string::npos || inside.find_first_of(" \n", blank + 1) != std::string::npos ||
        inside.find_first_not_of("0123456789", blank + 1) != std::string::npos)
        return 0;
    size_t end = close + 8;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    if (end == close + 8 || end >= text.size() || text[end] != '\n') return 0;
    source = inside.substr(0, blank);
    pid = std::stoi(text.substr(close + 8, end - close - 8));
    return end + 1 - pos;
}

// Splits report text at the suffixes. Line feeds written straight to
// standard error come before a report and are dropped.
std::vector<Report> splitReports(const std::string &text) {
    std::vector<Report> reports;
    size_t from = 0;
    for (size_t pos = 0; pos < text.size(); ++pos) {
        Report r;
        const size_t length = suffixAt(text, pos, r.source, r.pid);
        if (length == 0) continue;
        std::string chunk = text.substr(from, pos - from);
        from = pos + length;
        pos = from - 1;
        while (!chunk.empty() && chunk.front() == '\n') chunk.erase(0, 1);
        // Padding fills a shorter text up to column 79 exactly.
        r.paddedLength = chunk.size();
        if (chunk.size() == 79)
            while (!chunk.empty() && chunk.back() == ' ') chunk.pop_back();
        r.text = chunk;
        reports.push_back(r);
    }
    return reports;
}

Outcome run(const ChildOptions &options, std::vector<std::string> actions, const char *child = "probe") {
    ChildOptions o = options;
    o.args = std::move(actions);
    Outcome result;
    result.child = qoru_test::runChild(child, o);
    result.out = qoru_test::withoutCarriageReturns(result.child.standardOutput);
    result.reportText = qoru_test::withoutCarriageReturns(result.child.standardError);
    for (const auto &entry : fs::directory_iterator(o.workingDirectory)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("nlsui_init_trc_file_", 0) != 0) continue;
        result.traceFileName = name;
        FILE *f = fopen(entry.path().string().c_str(), "rb");
        std::string content;
        char buf[4096];
        for (size_t n; f && (n = fread(buf, 1, sizeof buf, f)) > 0;) content.append(buf, n);
        if (f) fclose(f);
        result.reportText = qoru_test::withoutCarriageReturns(content);
    }
    result.reports = splitReports(result.reportText);
    fs::remove_all(o.workingDirectory);
    return result;
}

std::string pathShown() {
    const char *path = getenv("PATH");
    return path ? path : "<not set>";
}

std::vector<std::string> notFoundReports() {
    return {std::string("Could not open the ICU common library.\n"
                        "   The following files must be in the path described by\n"
                        "   the environment variable \"PATH\":\n   ") +
                qoru::config::icuCommonFile + ", " + qoru::config::icuDataFile + ", " + qoru::config::icuI18nFile,
            "PATH is currently set to " + pathShown() + " ",
            "Set the environment variable NLSUI_INIT_TRACE_LEVEL to 'high' to see more details.",
            std::string("See the qorucum README, section \"ICU at run time\", for where ICU ") +
                qoru::config::icuVersionText + " is looked for."};
}

std::string missingSymbol(const char *name) {
    return std::string("symbol load \"") + name + qoru::config::icuSuffix + "\" failed";
}

const std::string lastErrorMissingEntry = "Last error number: 127 ";
const std::string notLoaded = "ICU shared libraries are not loaded";
const std::string fallbackSet = "Environment variable NLSUI_7BIT_FALLBACK is set.";
const std::string i18nClosed = std::string(qoru::config::icuI18nFile) + " is closed again";

// ---- Outcomes by situation -----------------------------------------------------------

TEST(IcuBinder, CompleteLibrariesBindEverythingSilently) {
    const Outcome r = run(icuOptions("complete"), {"init", "init", "upper", "state"});
    EXPECT_EQ(r.child.exitCode, 0);
    EXPECT_EQ(r.out.find("init=0\ninit=0\n") != std::string::npos, true) << r.out;
    EXPECT_TRUE(r.printed("upper=41"));
    EXPECT_TRUE(r.printed("ptr=icu common=1 i18n=1 bidi=1 shaping=1 normalization=1 transliteration=1")) << r.out;
    EXPECT_TRUE(r.reports.empty()) << r.reportText;
}

TEST(IcuBinder, MediumLevelReportsTheSearchAndVersionsPadded) {
    ChildOptions o = icuOptions("complete");
    setEnv(o, "NLSUI_INIT_TRACE_LEVEL", "medium");
    const Outcome r = run(o, {"init"});
    const std::vector<std::string> expected = {
        "Searching for libicuuc in environment path PATH",
        std::string("Loaded ICU common lib: ") + qoru::config::icuCommonFile,
        "Compiled with ICU version 50.1",
        "Running with ICU version 50.1.2",
        "ICU uses Unicode version 6.2",
        "Searching for libicui18n in environment path PATH",
        std::string("Loaded ICU i18n lib: ") + qoru::config::icuI18nFile + " from environment path"};
    EXPECT_EQ(r.texts(), expected) << r.reportText;
    for (const Report &rep : r.reports) {
        EXPECT_EQ(rep.paddedLength, 79u) << rep.text;
        EXPECT_EQ(rep.source, "nlsui0_search.cpp");
    }
    EXPECT_TRUE(r.printed("init=0"));
}

TEST(IcuBinder, HighLevelShowsEveryLookupAndLineFeeds) {
    ChildOptions o = icuOptions("complete");
    setEnv(o, "NLSUI_INIT_TRACE_LEVEL", "high");
    const Outcome r = run(o, {"init"});
    ASSERT_GE(r.reports.size(), 2u);
    EXPECT_EQ(r.reports[0].text, "NLSUI_INIT_TRACE_LEVEL set to 'high'");
    EXPECT_EQ(r.reports[1].text, "loadIcuDo() is called");
    EXPECT_TRUE(r.has("Program is compiled with ICU version 50.1"));
    EXPECT_TRUE(r.has(std::string("Required ICU library files: ") + qoru::config::icuCommonFile + " " +
                      qoru::config::icuDataFile + " " + qoru::config::icuI18nFile));
    int lookups = 0;
    for (const Report &rep : r.reports) lookups += rep.text.rfind("Function pointer for ", 0) == 0;
    EXPECT_EQ(lookups, 86);
    EXPECT_NE(r.reportText.find(std::string("Library handle for ") + qoru::config::icuCommonFile + ": "),
              std::string::npos);
    // The two line feeds ahead of the first two reports reach standard error
    // even when the reports go to the trace file.
    const std::string err = qoru_test::withoutCarriageReturns(r.child.standardError);
    if (r.traceFileName.empty()) {
        EXPECT_EQ(err.rfind("\nNLSUI_INIT_TRACE_LEVEL set to 'high'", 0), 0u);
        EXPECT_NE(err.find("\nloadIcuDo() is called"), std::string::npos);
    } else {
        EXPECT_EQ(err.substr(0, 2), "\n\n");
    }
}

TEST(IcuBinder, FixedDirectoryLoadsDataCommonAndI18n) {
    const Outcome r0 = run(icuOptions(nullptr, true), {"init", "state"});
    EXPECT_TRUE(r0.printed("init=0")) << r0.out << r0.reportText;
    ChildOptions o = icuOptions(nullptr, true);
    setEnv(o, "NLSUI_INIT_TRACE_LEVEL", "medium");
    const Outcome r = run(o, {"init"});
    std::string dir = std::string(qoru::config::icuFixedDir) + plat::pathSeparator() + "50.1" + plat::pathSeparator();
    EXPECT_TRUE(r.has(std::string("Searching for libicuuc in ") + qoru::config::icuFixedDir)) << r.reportText;
    EXPECT_TRUE(r.has("Loaded ICU data lib: " + dir + qoru::config::icuDataFile));
    EXPECT_TRUE(r.has("Loaded ICU common lib: " + dir + qoru::config::icuCommonFile));
    EXPECT_TRUE(r.has(std::string("Searching for libicui18n in ") + qoru::config::icuFixedDir));
    EXPECT_TRUE(r.has("Loaded ICU i18n lib: " + dir + qoru::config::icuI18nFile));
}

TEST(IcuBinder, ProgramFolderIsSearchedOnWindows) {
    if (!onWindows()) GTEST_SKIP() << "the POSIX loader does not search the program's folder";
    ChildOptions o = icuOptions(nullptr);
    o.program = doublesDir("complete") + "/test_icu_binder.exe";
    const Outcome r = run(o, {"init", "state"});
    EXPECT_TRUE(r.printed("init=0")) << r.out << r.reportText;
}

TEST(IcuBinder, MissingLibraryEndsTheProcessAfterFourReports) {
    const Outcome r = run(icuOptions(nullptr), {"init"});
    EXPECT_EQ(r.child.exitCode, qoru_test::exitStatusMinusOne());
    EXPECT_EQ(r.texts(), notFoundReports()) << r.reportText;
    EXPECT_FALSE(r.printed("init=1"));
}

TEST(IcuBinder, MissingLibraryAtHighLevelSaysWhyItTerminates) {
    ChildOptions o = icuOptions(nullptr);
    setEnv(o, "NLSUI_INIT_TRACE_LEVEL", "high");
    const Outcome r = run(o, {"upper"});
    EXPECT_EQ(r.child.exitCode, qoru_test::exitStatusMinusOne());
    EXPECT_FALSE(r.has(notFoundReports()[2]));
    EXPECT_TRUE(r.has(notFoundReports()[3]));
    EXPECT_TRUE(r.has(std::string("Could not open ICU shared library ") + qoru::config::icuCommonFile));
    ASSERT_FALSE(r.reports.empty());
    EXPECT_EQ(r.reports.back().text,
              "Terminating.\n   You may set the environment variable NLSUI_7BIT_FALLBACK to run the program\n"
              "   without the ICU libraries in an emergency mode.");
}

TEST(IcuBinder, MissingLibraryWithFallbackRunsInSevenBitMode) {
    ChildOptions o = icuOptions(nullptr);
    setEnv(o, "NLSUI_7BIT_FALLBACK", "");
    const Outcome r = run(o, {"init", "init", "state", "upper"});
    EXPECT_EQ(r.child.exitCode, 0);
    EXPECT_NE(r.out.find("init=1\ninit=1\n"), std::string::npos) << r.out;
    EXPECT_TRUE(r.printed("ptr=7bit common=0 i18n=0 bidi=0 shaping=0 normalization=0 transliteration=0"));
    EXPECT_TRUE(r.printed("upper=41"));
    std::vector<std::string> expected = notFoundReports();
    expected.insert(expected.end(), {fallbackSet, notLoaded, notLoaded});
    EXPECT_EQ(r.texts(), expected) << r.reportText;
}

TEST(IcuBinder, UnsetPathIsShownAsNotSet) {
    if (onWindows()) GTEST_SKIP() << "PATH is the library search path there";
    ChildOptions o = icuOptions(nullptr);
    setEnv(o, "PATH", std::nullopt);
    setEnv(o, "NLSUI_7BIT_FALLBACK", "1");
    const Outcome r = run(o, {"init"});
    EXPECT_TRUE(r.has("PATH is currently set to <not set> ")) << r.reportText;
}

TEST(IcuBinder, MissingShapingLeavesIcuInPlaceAndReturnsOne) {
    const Outcome r = run(icuOptions("no_shape"), {"init", "state", "upper"});
    EXPECT_EQ(r.child.exitCode, 0);
    EXPECT_TRUE(r.printed("init=1"));
    EXPECT_TRUE(r.printed("ptr=icu common=1 i18n=1 bidi=1 shaping=0 normalization=0 transliteration=1")) << r.out;
    EXPECT_TRUE(r.printed("upper=41"));
    const std::vector<std::string> expected = {missingSymbol("u_shapeArabic"), lastErrorMissingEntry, notLoaded};
    EXPECT_EQ(r.texts(), expected) << r.reportText;
}

TEST(IcuBinder, IncompleteCharacterGroupOrBadDataFallsBackOrTerminates) {
    struct Case {
        const char *testCase;
        std::vector<std::string> reports;
    };
    const Case cases[] = {
        {"no_upper", {missingSymbol("u_isupper"), lastErrorMissingEntry}},
        {"bad_data", {"ICU data shared lib does not behave correctly."}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.testCase);
        const Outcome ended = run(icuOptions(c.testCase), {"init"});
        EXPECT_EQ(ended.child.exitCode, qoru_test::exitStatusMinusOne());
        EXPECT_EQ(ended.texts(), c.reports) << ended.reportText;

        ChildOptions o = icuOptions(c.testCase);
        setEnv(o, "NLSUI_7BIT_FALLBACK", "yes");
        const Outcome fell = run(o, {"init", "state"});
        EXPECT_TRUE(fell.printed("init=1"));
        EXPECT_TRUE(fell.printed("ptr=7bit common=0 i18n=0 bidi=0 shaping=0 normalization=0 transliteration=0"));
        std::vector<std::string> expected = c.reports;
        expected.insert(expected.end(), {fallbackSet, notLoaded});
        EXPECT_EQ(fell.texts(), expected) << fell.reportText;
    }
}

TEST(IcuBinder, IncompleteOrMissingI18nLibraryIsClosedAndChangesNothing) {
    const Outcome noUcol = run(icuOptions("no_ucol"), {"init", "state"});
    EXPECT_TRUE(noUcol.printed("init=0"));
    EXPECT_TRUE(noUcol.printed("ptr=icu common=1 i18n=0 bidi=1 shaping=1 normalization=1 transliteration=0"))
        << noUcol.out;
    const std::vector<std::string> ucolReports = {missingSymbol("ucol_open"), lastErrorMissingEntry, i18nClosed};
    EXPECT_EQ(noUcol.texts(), ucolReports) << noUcol.reportText;

    const Outcome noI18n = run(icuOptions("no_i18n"), {"init", "state"});
    EXPECT_TRUE(noI18n.printed("init=0"));
    EXPECT_TRUE(noI18n.printed("ptr=icu common=1 i18n=0 bidi=1 shaping=1 normalization=1 transliteration=0"));
    const std::vector<std::string> i18nReports = {"Could not open the ICU i18n library", i18nClosed};
    EXPECT_EQ(noI18n.texts(), i18nReports) << noI18n.reportText;
}

TEST(IcuBinder, ConcurrentFirstUseLoadsOnce) {
    ChildOptions o = icuOptions("complete");
    setEnv(o, "NLSUI_INIT_TRACE_LEVEL", "medium");
    const Outcome r = run(o, {"threads", "init"});
    EXPECT_TRUE(r.printed("threads=8")) << r.out;
    EXPECT_TRUE(r.printed("init=0"));
    EXPECT_EQ(r.count(std::string("Loaded ICU common lib: ") + qoru::config::icuCommonFile), 1) << r.reportText;
}

// ---- 7-bit mode ------------------------------------------------------------------------------

ChildOptions sevenBitOptions(const char *level = nullptr) {
    ChildOptions o = icuOptions(nullptr);
    setEnv(o, "NLSUI_7BIT_FALLBACK", "1");
    if (level) setEnv(o, "NLSUI_INIT_TRACE_LEVEL", level);
    return o;
}

std::vector<std::string> sevenBitReports(const char *unit, const char *function) {
    return {std::string("ERROR: Non 7-bit character U+") + unit + " encountered in function " + function + "\n",
            "This is not supported in 7-bit mode.\n"};
}

TEST(SevenBitMode, AnswersTheSevenBitRangeSilently) {
    const Outcome r = run(sevenBitOptions(), {}, "seven-bit-range");
    EXPECT_TRUE(r.printed("wrong=0")) << r.out;
    EXPECT_EQ(r.reports.size(), notFoundReports().size() + 2) << r.reportText;
}

TEST(SevenBitMode, ReportsEachUnitAboveTheRangeTwice) {
    const Outcome r = run(sevenBitOptions("none"), {"init"});
    EXPECT_TRUE(r.reports.empty()) << r.reportText;

    const Outcome low = run(sevenBitOptions(), {"init", "alpha-e9", "upper-10041", "lower-c4"});
    EXPECT_TRUE(low.printed("upper-10041=1"));
    EXPECT_TRUE(low.printed("lower-c4=C4"));
    std::vector<std::string> expected = notFoundReports();
    expected.insert(expected.end(), {fallbackSet, notLoaded});
    for (const auto &[unit, function] : {std::pair{"00E9", "isalphaU"}, std::pair{"00C4", "tolowerU"}})
        for (const std::string &t : sevenBitReports(unit, function)) expected.push_back(t);
    EXPECT_EQ(low.texts(), expected) << low.reportText;

    // At level 4 the padding begins the line after the text's own line feed.
    const Outcome medium = run(sevenBitOptions("medium"), {"init", "lower-c4"});
    ASSERT_GE(medium.reports.size(), 2u);
    const Report &last = medium.reports.back();
    EXPECT_EQ(last.text, "This is not supported in 7-bit mode.\n");
    EXPECT_EQ(last.paddedLength, 79u);
}

TEST(SevenBitMode, CaseInsensitiveComparisonLowersEveryUnit) {
    const Outcome r = run(sevenBitOptions(), {"init", "casecmp"});
    // The fallback folds ASCII only: U+00C4 and U+00E4 stay apart.
    EXPECT_TRUE(r.printed("casecmp=-32,-1")) << r.out;
    int diagnostics = 0;
    for (const Report &rep : r.reports) diagnostics += rep.text.rfind("ERROR: Non 7-bit character", 0) == 0;
    EXPECT_EQ(diagnostics, 2);  // U+00C4 and U+00E4, each lowered once
}

// ---- Character operations with the doubles ------------------------------------------------

TEST(CharacterOperations, ComparisonAndDerivedClassesFollowThePointers) {
    const Outcome r = run(icuOptions("complete"), {"casecmp-same", "xdigit", "state", "casecmp", "state"});
    EXPECT_EQ(r.child.exitCode, 0);
    // Same pointer and n of 0 answer without loading; isxdigitU never loads.
    EXPECT_TRUE(r.printed("casecmp-same=0"));
    EXPECT_TRUE(r.printed("xdigit=100"));
    EXPECT_NE(r.out.find("ptr=lazy"), std::string::npos) << r.out;
    EXPECT_TRUE(r.printed("casecmp=0,-1"));
    EXPECT_NE(r.out.find("ptr=icu"), std::string::npos);

    const Outcome host = run(icuOptions("complete"), {"init", "host-tolower"});
    EXPECT_TRUE(host.printed("host-tolower=0 calls=6")) << host.out;
}

// ---- Trace levels from the environment ---------------------------------------------------

TEST(TraceLevels, OnlyExactWordsCount) {
    struct Case {
        const char *initLevel;
        const char *traceLevel;
        const char *expected;
        bool announced;
    };
    const Case cases[] = {
        {"HIGH", nullptr, "init-level=1 trace-level=4", false},
        {"high ", nullptr, "init-level=1 trace-level=4", false},
        {"", nullptr, "init-level=1 trace-level=4", false},
        {"none", "none", "init-level=0 trace-level=0", false},
        {"medium", "low", "init-level=4 trace-level=1", true},
        {"low", "bogus", "init-level=1 trace-level=4", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.initLevel) + "/" + (c.traceLevel ? c.traceLevel : "-"));
        ChildOptions o = icuOptions("complete");
        setEnv(o, "NLSUI_INIT_TRACE_LEVEL", c.initLevel);
        if (c.traceLevel) setEnv(o, "NLSUI_TRACE_LEVEL", c.traceLevel);
        const Outcome r = run(o, {"init", "levels"});
        EXPECT_TRUE(r.printed(c.expected)) << r.out;
        const std::string err = qoru_test::withoutCarriageReturns(r.child.standardError);
        EXPECT_EQ(err.find("U16 trace level set to") != std::string::npos, c.announced) << err;
    }
    // A level the host set later is not overridden by a second initialization.
    ChildOptions o = icuOptions("complete");
    setEnv(o, "NLSUI_TRACE_LEVEL", "none");
    const Outcome r = run(o, {"init", "host-level", "init", "levels"});
    EXPECT_TRUE(r.printed("init-level=1 trace-level=16")) << r.out;
}

// ---- Where the reports land --------------------------------------------------------------------

TEST(InitTraceOutputs, WithoutConsoleReportsGoToTheFileBoxesAndEvents) {
    ChildOptions o = sevenBitOptions();
    o.closeStandardError = true;
    const Outcome r = run(o, {"count-outputs", "init", "outputs"});
    const std::string pid = r.out.substr(4, r.out.find('\n') - 4);
    EXPECT_EQ(r.traceFileName, "nlsui_init_trc_file_" + pid + ".trc") << r.out;
    EXPECT_EQ(r.reports.size(), 6u) << r.reportText;
    for (const Report &rep : r.reports) EXPECT_EQ(std::to_string(rep.pid), pid);
    // The process counts as a service only where its ancestry says so.
    const int expectedBoxes = qoru::isServiceProcess() == 0 ? 6 : 0;
    EXPECT_TRUE(r.printed("boxes=" + std::to_string(expectedBoxes) + " events=6")) << r.out;

    ChildOptions quiet = sevenBitOptions("high");
    quiet.closeStandardError = true;
    const Outcome q = run(quiet, {"count-outputs", "quiet-error-mode", "init", "outputs"});
    // At level 16 the hint to raise the level is left out: five level-1 reports.
    EXPECT_TRUE(q.printed("boxes=0 events=5")) << q.out;
    EXPECT_TRUE(q.has("Unicode ctype functions are replaced with 7bit fallback functions"));
}

TEST(InitTraceOutputs, ConsoleProgramWritesNoTraceFile) {
    if (onWindows()) GTEST_SKIP() << "a program under plain Wine has no console window";
    const Outcome r = run(sevenBitOptions(), {"count-outputs", "init", "outputs"});
    EXPECT_TRUE(r.traceFileName.empty());
    EXPECT_EQ(r.reports.size(), 6u);
    EXPECT_TRUE(r.printed("boxes=0 events=0"));
}

TEST(InitTraceOutputs, TraceFileRefusesAPlantedLink) {
    if (onWindows()) GTEST_SKIP() << "the Windows runtime's fopen decides there";
    const fs::path dir = freshDirectory();
    const fs::path target = dir / "target", link = dir / "nlsui_init_trc_file_1.trc";
    FILE *t = fopen(target.string().c_str(), "w");
    fputs("keep", t);
    fclose(t);
    fs::create_symlink(target, link);
    EXPECT_EQ(plat::createTraceFile(link.string().c_str()), nullptr);
    EXPECT_EQ(fs::file_size(target), 4u);
    fs::create_hard_link(target, dir / "second");
    EXPECT_EQ(plat::createTraceFile((dir / "second").string().c_str()), nullptr);
    FILE *fresh = plat::createTraceFile((dir / "fresh.trc").string().c_str());
    ASSERT_NE(fresh, nullptr);
    EXPECT_GT(fileno(fresh), 2);
    fclose(fresh);
    fs::remove_all(dir);
}

TEST(InitTraceOutputs, ServiceDetectionFollowsTheAncestry) {
    struct Walk {
        std::vector<plat::ProcessEntry> entries;
        size_t at = 0;
        static bool next(void *context, bool first, plat::ProcessEntry &e) {
            auto *w = static_cast<Walk *>(context);
            if (first) w->at = 0;
            if (w->at >= w->entries.size()) return false;
            e = w->entries[w->at++];
            return true;
        }
    };
    auto entry = [](uint32_t id, uint32_t parent, const char16_t *name) {
        plat::ProcessEntry e{id, parent, {}};
        for (size_t i = 0; name[i]; ++i) e.exeName[i] = name[i];
        return e;
    };
    struct Case {
        std::vector<plat::ProcessEntry> entries;
        int32_t expected;
    };
    const Case cases[] = {
        {{entry(10, 1, u"winlogon.exe"), entry(20, 10, u"Services.EXE"), entry(30, 20, u"svc.exe"),
          entry(40, 30, u"me.exe")}, 1},
        {{entry(10, 1, u"winlogon.exe"), entry(20, 11, u"services.exe"), entry(30, 20, u"svc.exe"),
          entry(40, 30, u"me.exe")}, 0},
        {{entry(20, 10, u"services.exe"), entry(10, 1, u"winlogon.exe"), entry(40, 20, u"me.exe")}, 0},
        {{entry(10, 1, u"winlogon.exe"), entry(20, 10, u"services.exe"), entry(40, 30, u"me.exe"),
          entry(30, 20, u"svc.exe")}, 0},
        {{entry(10, 1, u"winlogon.exe")}, 0},
    };
    for (const Case &c : cases) {
        Walk w{c.entries};
        EXPECT_EQ(qoru::findServiceAncestry(Walk::next, &w, 40), c.expected);
    }
}

// ---- Loader limits -------------------------------------------------------------------------------

TEST(IcuLoader, NamesAndPathsStopAt260Bytes) {
    const Outcome r = run(icuOptions(nullptr), {}, "path-limits");
    EXPECT_TRUE(r.printed("open259=1"));
    EXPECT_TRUE(r.printed("open260=1"));
    EXPECT_TRUE(r.printed("ends=1"));
    EXPECT_TRUE(r.printed("empty=1"));
    EXPECT_TRUE(r.printed("fits=259"));
    EXPECT_TRUE(r.printed("too-long=0"));
    EXPECT_TRUE(r.printed("in-place=1"));
    const std::string sep(1, plat::pathSeparator());
    const std::vector<std::string> expected = {
        "Length of libname " + std::string(260, 'n') + " exceeds MAX_PATH_LN 260. nlsui_dlopen failed.",
        "Path " + std::string(200, 'd') + sep + std::string(59, 'f') + " exceeds MAX_PATH_LN"};
    EXPECT_EQ(r.texts(), expected) << r.reportText;
}

}  // namespace
