// The ICU binder against test-double ICU libraries: a build of the library
// for an ICU version the system lacks, so that the doubles are the only ICU
// it can find (through the library search path or its fixed directory).
// Everything that happens once per process runs in a child process with its
// own environment and working directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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
using Texts = std::vector<std::string>;

bool onWindows() { return plat::pathSeparator() == '\\'; }

// Prints values in the order given (a braced list is evaluated in order, so
// the reports of the calls come in that order too).
void show(const char *name, std::initializer_list<int64_t> values) {
    printf("%s", name);
    for (size_t i = 0; i < values.size(); ++i) printf(i ? " %lld" : "=%lld", static_cast<long long>(values.begin()[i]));
    printf("\n");
}

// ---- The child: runs the actions named by its arguments --------------------------------

int gBoxes = 0, gEvents = 0;

const std::pair<const char *, void (*)()> probeActions[] = {
    {"pid", [] { show("pid", {plat::processId()}); }},
    {"init", [] { show("init", {nlsui_initialize()}); }},
    {"upper", [] { show("upper", {toupperU('a')}); }},
    {"state",
     [] {  // where the pointers lead, the handles, and per group 1 (all slots found), 0 (none) or 2 (some)
         const auto *p = reinterpret_cast<void *>(isalnumU);
         std::string groups;
         for (size_t g = 0; g < qoru::icuGroupCount; ++g) {
             const auto group = static_cast<qoru::IcuGroup>(g);
             size_t found = 0;
             for (size_t i = 0; i < qoru::icuGroupSize(group); ++i) found += qoru::icuGroupSlots(group)[i] != nullptr;
             groups += found == 0 ? '0' : found == qoru::icuGroupSize(group) ? '1' : '2';
         }
         printf("%s %d%d %s\n",
                p == reinterpret_cast<void *>(qoru::lazyCharacterFunctions.isalnum)        ? "lazy"
                : p == reinterpret_cast<void *>(qoru::sevenBitCharacterFunctions.isalnum) ? "7bit"
                : p == qoru::icuGroupSlots(qoru::IcuGroup::ctype)[qoru::icuIsalnum]       ? "icu"
                                                                                          : "other",
                qoru::gIcuCommonHandle != nullptr, qoru::gIcuI18nHandle != nullptr, groups.c_str());
     }},
    {"count-outputs",
     [] {
         qoru::gInitTraceMessageBox = [](const char *, const char *c) { gBoxes += !strcmp(c, "I18N Initialization"); };
         qoru::gInitTraceEvent = [](const char *source, const char *) { gEvents += !strcmp(source, "QOR-UNICODE"); };
     }},
    {"outputs", [] { show("boxes-events", {gBoxes, gEvents}); }},
    {"quiet-error-mode", [] { plat::setErrorMode(0x8003); }},
    // U+00E9 and U+00C4 are above the 7-bit range; 0x10041 has 'A' in its low 16 bits.
    {"wide", [] { show("wide", {(static_cast<void>(isalphaU(0xE9)), 1), isupperU(0x10041) != 0, tolowerU(0xC4)}); }},
    {"casecmp", [] { show("casecmp", {strcasecmpU16(u"\u00C4bc", u"\u00E4BC"), strcasecmpU16(u"abc", u"abd")}); }},
    {"no-load",  // none of these may run the initialization
     [] {
         const charU16 *s = u"Abc";
         show("no-load", {strcasecmpU16(s, s), strncasecmpU16(s, u"x", 0), isxdigitU('F'), isxdigitU('g'),
                          isxdigitU(0xFF10)});
     }},
    {"host-tolower",
     [] {  // a function the host installs sees both units of every position
         static int calls = 0;
         tolowerU = [](int32_t c) -> int32_t { return ++calls, c; };
         const charU16 first[] = u"ab", second[] = u"ab";
         show("host-tolower", {strcasecmpU16(first, second), calls});
     }},
    {"levels", [] { show("levels", {qoru::gInitTraceLevel, qoru::traceLevel()}); }},
    {"host-level", [] { nlsui_set_trace(nullptr, qoru::traceHigh); }},
    {"threads",
     [] {
         std::vector<std::thread> threads;
         std::vector<int32_t> results(8);
         for (size_t i = 0; i < results.size(); ++i)
             threads.emplace_back([&results, i] { results[i] = i % 2 ? toupperU('q') : isalphaU('q') ? 'Q' : 0; });
         for (auto &t : threads) t.join();
         show("threads", {std::count(results.begin(), results.end(), 'Q')});
     }},
    {"range",
     [] {  // the nine pointers and the derived classes against the C library in the C locale
         const nlsui_class_func ours[] = {isalnumU, isalphaU, iscntrlU, islowerU, isprintU,
                                          isspaceU, isupperU, isgraphU, ispunctU};
         int (*const peers[])(int) = {isalnum, isalpha, iscntrl, islower, isprint, isspace, isupper, isgraph, ispunct};
         int wrong = 0;
         for (int c = 0; c < 0x80; ++c) {
             for (size_t i = 0; i < std::size(ours); ++i) wrong += (ours[i](c) != 0) != (peers[i](c) != 0);
             wrong += (tolowerU(c) != tolower(c)) + (toupperU(c) != toupper(c));
         }
         show("range-wrong", {wrong});
     }},
    {"limits",
     [] {  // library names and joined paths at the limit of 260 bytes; joined in place
         auto join = [](const std::string &dir, size_t fileLength) {
             char out[qoru::maxPathLn];
             strcpy(out, dir.c_str());
             qoru::joinPath(out, std::string(fileLength, 'f').c_str(), out);
             return std::string(out);
         };
         const std::string sep(1, plat::pathSeparator()), dir(200, 'd');
         show("limits", {qoru::nlsui_dlopen(std::string(259, 'n').c_str()) == nullptr,
                         qoru::nlsui_dlopen(std::string(260, 'n').c_str()) == nullptr, join("d" + sep, 1) == "d" + sep + "f",
                         join("", 1) == "f", join("d", 1) == "d" + sep + "f", static_cast<int64_t>(join(dir, 58).size()),
                         static_cast<int64_t>(join(dir, 59).size())});
     }},
};

qoru_test::Child probe("probe", [](const std::vector<std::string> &args) {
    for (const std::string &a : args) {
        const auto *action = std::find_if(std::begin(probeActions), std::end(probeActions),
                                          [&a](const auto &p) { return a == p.first; });
        if (action == std::end(probeActions)) return 2;
        action->second();
        fflush(stdout);
    }
    return 0;
});

// ---- Running the child and reading its reports ----------------------------------------

// A variable's value, or unset for null.
std::optional<std::string> orUnset(const char *value) { return value ? std::optional<std::string>(value) : std::nullopt; }

std::string doublesDir(const char *testCase) { return std::string(QORU_TEST_DOUBLES_DIR) + "/" + testCase; }

// A child that finds the doubles of testCase (null: none) through the library
// search path, and the fixed directory only when asked; extra variables are
// set (a value) or removed (nullopt) on top.
ChildOptions icuOptions(const char *testCase, decltype(ChildOptions::env) extra = {}, bool fixedDirectory = false) {
    const char *searchVar = onWindows() ? "PATH" : "LD_LIBRARY_PATH";
    std::string search = testCase ? doublesDir(testCase) : "";
    if (const char *old = getenv(searchVar)) search = search.empty() ? old : search + (onWindows() ? ";" : ":") + old;
    ChildOptions o;
    o.env = {{"NLSUI_INIT_TRACE_LEVEL", std::nullopt},
             {"NLSUI_TRACE_LEVEL", std::nullopt},
             {"NLSUI_7BIT_FALLBACK", std::nullopt},
             {"NO_QOR_ICU_PATH", orUnset(fixedDirectory ? nullptr : "1")},
             {searchVar, orUnset(search.empty() ? nullptr : search.c_str())}};
    o.env.insert(o.env.end(), extra.begin(), extra.end());
    static int counter = 0;
    const std::string leaf = "qoru-icu-" + std::to_string(plat::processId()) + "-" + std::to_string(counter++);
    o.workingDirectory = (fs::temp_directory_path() / leaf).string();
    return o;
}

ChildOptions sevenBitOptions(const char *level = nullptr, bool closeStandardError = false) {
    ChildOptions o = icuOptions(nullptr, {{"NLSUI_7BIT_FALLBACK", "1"}});
    if (level) o.env.emplace_back("NLSUI_INIT_TRACE_LEVEL", level);
    o.closeStandardError = closeStandardError;
    return o;
}

struct Outcome {
    qoru_test::ChildResult child;
    std::string out;            // standard output without CRs
    std::string traceFileName;  // empty when no trace file was written
    std::string reportText;     // the trace file, else standard error, without CRs
    Texts texts;                // the reports without suffix, padding and line feeds written ahead of them
    int count(const std::string &text) const { return static_cast<int>(std::count(texts.begin(), texts.end(), text)); }
};

Outcome run(ChildOptions o, std::vector<std::string> actions) {
    fs::create_directories(o.workingDirectory);
    o.args = std::move(actions);
    Outcome r;
    r.child = qoru_test::runChild("probe", o);
    r.out = qoru_test::withoutCarriageReturns(r.child.standardOutput);
    r.reportText = r.child.standardError;
    for (const auto &entry : fs::directory_iterator(o.workingDirectory)) {
        r.traceFileName = entry.path().filename().string();
        r.reportText.clear();
        char buf[4096];
        FILE *f = fopen(entry.path().string().c_str(), "rb");
        for (size_t n; f && (n = fread(buf, 1, sizeof buf, f)) > 0;) r.reportText.append(buf, n);
        if (f) fclose(f);
    }
    fs::remove_all(o.workingDirectory);
    r.reportText = qoru_test::withoutCarriageReturns(r.reportText);
    // Each report ends in the suffix " [source line] pid = N\n"; padding fills up to column 79.
    for (size_t from = 0, close; (close = r.reportText.find("] pid = ", from)) != std::string::npos;) {
        std::string text = r.reportText.substr(from, r.reportText.rfind(" [", close) - from);
        text.erase(0, text.find_first_not_of('\n'));
        if (text.size() == qoru::initTracePadColumn) text.erase(text.find_last_not_of(' ') + 1);
        r.texts.push_back(text);
        from = r.reportText.find('\n', close) + 1;
    }
    return r;
}

Texts operator+(Texts a, const Texts &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Texts notFoundReports() {
    const char *path = getenv("PATH");
    return {std::string("Could not open the ICU common library.\n"
                        "   The following files must be in the path described by\n"
                        "   the environment variable \"PATH\":\n   ") +
                qoru::config::icuCommonFile + ", " + qoru::config::icuDataFile + ", " + qoru::config::icuI18nFile,
            std::string("PATH is currently set to ") + (path ? path : "<not set>") + " ",
            "Set the environment variable NLSUI_INIT_TRACE_LEVEL to 'high' to see more details.",
            std::string("See the qorucum README, section \"ICU at run time\", for where ICU ") +
                qoru::config::icuVersionText + " is looked for."};
}

Texts missingSymbol(const char *name) {
    return {std::string("symbol load \"") + name + qoru::config::icuSuffix + "\" failed", "Last error number: 127 "};
}

Texts sevenBitReports(const char *unit, const char *function) {
    return {std::string("ERROR: Non 7-bit character U+") + unit + " encountered in function " + function + "\n",
            "This is not supported in 7-bit mode.\n"};
}

const std::string notLoaded = "ICU shared libraries are not loaded";
const std::string fallbackSet = "Environment variable NLSUI_7BIT_FALLBACK is set.";
const std::string i18nClosed = std::string(qoru::config::icuI18nFile) + " is closed again";
const std::string badData = "ICU data shared lib does not behave correctly.";

// ---- Outcomes by situation -------------------------------------------------------------

TEST(IcuBinder, OutcomeBySituation) {
    struct Situation {
        const char *doubles;
        bool fallback;
        int init;           // -1: the process ends with exit status -1
        const char *state;  // after two initializations and a call through toupperU
        Texts reports;      // of the first initialization, at the default level
    };
    const Situation situations[] = {
        {"complete", false, 0, "icu 11 1111111111", {}},
        {"no_i18n", false, 0, "icu 10 1111111000", {"Could not open the ICU i18n library", i18nClosed}},
        {"no_ucol", false, 0, "icu 10 1111111000", missingSymbol("ucol_open") + Texts{i18nClosed}},
        {"no_shape", false, 1, "icu 11 1110000111", missingSymbol("u_shapeArabic") + Texts{notLoaded}},
        {nullptr, false, -1, nullptr, notFoundReports()},
        {nullptr, true, 1, "7bit 00 0000000000", notFoundReports() + Texts{fallbackSet, notLoaded}},
        {"no_upper", false, -1, nullptr, missingSymbol("u_isupper")},
        {"no_upper", true, 1, "7bit 00 1200000000", missingSymbol("u_isupper") + Texts{fallbackSet, notLoaded}},
        {"bad_data", false, -1, nullptr, {badData}},
        {"bad_data", true, 1, "7bit 00 1100000000", {badData, fallbackSet, notLoaded}},
    };
    for (const Situation &s : situations) {
        SCOPED_TRACE(std::string(s.doubles ? s.doubles : "missing") + (s.fallback ? " with fallback" : ""));
        const Outcome r = run(icuOptions(s.doubles, {{"NLSUI_7BIT_FALLBACK", orUnset(s.fallback ? "" : nullptr)}}),
                              {"init", "init", "upper", "state"});
        if (s.init < 0) {
            EXPECT_EQ(r.child.exitCode, qoru_test::exitStatusMinusOne());
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.texts, s.reports) << r.reportText;
            continue;
        }
        const std::string init = "init=" + std::to_string(s.init) + "\n";
        EXPECT_EQ(r.out, init + init + "upper=65\n" + s.state + "\n");
        // Every later initialization after a failure says so again.
        EXPECT_EQ(r.texts, s.reports + (s.init ? Texts{notLoaded} : Texts{})) << r.reportText;
        // A console program writes no trace file (a program under plain Wine has no console).
        EXPECT_EQ(r.traceFileName.empty(), !onWindows() || s.reports.empty());
    }
}

// At level 4: each step of the search and the versions, padded up to column 79,
// named after the search's source file. In the first case several threads
// make the first calls at once and ICU is loaded once; in the second the
// library search fails and the fixed directory serves, data library first.
TEST(IcuBinder, MediumLevelReportsTheSearchAndVersions) {
    const std::string fixed = qoru::config::icuFixedDir, sep(1, plat::pathSeparator());
    const std::string dir = fixed + sep + "50.1" + sep, common = qoru::config::icuCommonFile;
    const Texts versions = {"Compiled with ICU version 50.1", "Running with ICU version 50.1.2",
                            "ICU uses Unicode version 6.2"};
    const Texts searchCommon = {"Searching for libicuuc in environment path PATH"},
                searchI18n = {"Searching for libicui18n in environment path PATH"};
    const struct {
        const char *doubles;
        std::vector<std::string> actions;
        const char *out;
        Texts reports;
    } cases[] = {
        {"complete", {"threads", "init"}, "threads=8\ninit=0\n",
         searchCommon + Texts{"Loaded ICU common lib: " + common} + versions + searchI18n +
             Texts{std::string("Loaded ICU i18n lib: ") + qoru::config::icuI18nFile + " from environment path"}},
        {nullptr, {"init"}, "init=0\n",
         searchCommon +
             Texts{"Searching for libicuuc in " + fixed, "Loaded ICU data lib: " + dir + qoru::config::icuDataFile,
                   "Loaded ICU common lib: " + dir + common} +
             versions + searchI18n +
             Texts{"Searching for libicui18n in " + fixed, "Loaded ICU i18n lib: " + dir + qoru::config::icuI18nFile}},
    };
    for (const auto &c : cases) {
        const Outcome r = run(icuOptions(c.doubles, {{"NLSUI_INIT_TRACE_LEVEL", "medium"}}, !c.doubles), c.actions);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.texts, c.reports) << r.reportText;
        size_t suffixes = 0;
        for (size_t at = 0; (at = r.reportText.find(" [nlsui0_search.cpp ", at)) != std::string::npos; ++at) {
            EXPECT_GE(at - r.reportText.rfind('\n', at), 80u);  // longer texts are not padded
            ++suffixes;
        }
        EXPECT_EQ(suffixes, c.reports.size());
    }
}

TEST(IcuBinder, HighLevelShowsEveryLookupAndWhyItTerminates) {
    const Outcome r = run(icuOptions("complete", {{"NLSUI_INIT_TRACE_LEVEL", "high"}}), {"init"});
    ASSERT_GE(r.texts.size(), 4u);
    EXPECT_EQ(Texts(r.texts.begin(), r.texts.begin() + 4),
              (Texts{"NLSUI_INIT_TRACE_LEVEL set to 'high'", "loadIcuDo() is called",
                     "Program is compiled with ICU version 50.1",
                     std::string("Required ICU library files: ") + qoru::config::icuCommonFile + " " +
                         qoru::config::icuDataFile + " " + qoru::config::icuI18nFile}));
    EXPECT_EQ(std::count_if(r.texts.begin(), r.texts.end(),
                            [](const std::string &t) { return t.rfind("Function pointer for ", 0) == 0; }),
              86);
    EXPECT_NE(r.reportText.find(std::string("Library handle for ") + qoru::config::icuCommonFile + ": "),
              std::string::npos);
    // The line feeds ahead of the first two reports reach standard error even
    // when the reports go to the trace file.
    const std::string err = qoru_test::withoutCarriageReturns(r.child.standardError);
    EXPECT_EQ(err.substr(0, 2), r.traceFileName.empty() ? "\nN" : "\n\n");
    EXPECT_EQ(err.find("\nloadIcuDo() is called") != std::string::npos, r.traceFileName.empty());

    // Without ICU the hint to raise the level is left out, the loader's
    // refusal is shown, and the last report says why the process ends.
    const Outcome missing = run(icuOptions(nullptr, {{"NLSUI_INIT_TRACE_LEVEL", "high"}}), {"upper"});
    EXPECT_EQ(missing.child.exitCode, qoru_test::exitStatusMinusOne());
    EXPECT_EQ(missing.count(notFoundReports()[2]), 0);
    EXPECT_EQ(missing.count(notFoundReports()[3]), 1);
    EXPECT_EQ(missing.count(std::string("Could not open ICU shared library ") + qoru::config::icuCommonFile), 1);
    ASSERT_FALSE(missing.texts.empty());
    EXPECT_EQ(missing.texts.back(),
              "Terminating.\n   You may set the environment variable NLSUI_7BIT_FALLBACK to run the program\n"
              "   without the ICU libraries in an emergency mode.");
}

TEST(IcuBinder, SearchPathDetails) {
    if (onWindows()) {  // the program's own folder is searched; PATH is the search path there
        ChildOptions o = icuOptions(nullptr);
        o.program = doublesDir("complete") + "/test_icu_binder.exe";
        EXPECT_EQ(run(o, {"init"}).out, "init=0\n");
    } else {
        const Outcome r = run(icuOptions(nullptr, {{"PATH", std::nullopt}, {"NLSUI_7BIT_FALLBACK", "1"}}), {"init"});
        EXPECT_EQ(r.count("PATH is currently set to <not set> "), 1) << r.reportText;
    }
}

// ---- Character operations ---------------------------------------------------------------

TEST(CharacterOperations, SevenBitModeAnswersTheRangeAndReportsEachUnitAbove) {
    const Outcome r = run(sevenBitOptions(), {"init", "range", "wide", "casecmp"});
    // The fallback folds ASCII only: U+00C4 and U+00E4 stay apart.
    EXPECT_EQ(r.out, "init=1\nrange-wrong=0\nwide=1 1 196\ncasecmp=-32 -1\n");
    const Texts expected = notFoundReports() + Texts{fallbackSet, notLoaded} + sevenBitReports("00E9", "isalphaU") +
                           sevenBitReports("00C4", "tolowerU") + sevenBitReports("00C4", "tolowerU") +
                           sevenBitReports("00E4", "tolowerU");
    EXPECT_EQ(r.texts, expected) << r.reportText;

    EXPECT_EQ(run(sevenBitOptions("none"), {"init", "wide"}).reportText, "");
    // At level 4 the padding begins the line after the text's own line feed.
    const Outcome medium = run(sevenBitOptions("medium"), {"init", "wide"});
    EXPECT_NE(medium.reportText.find("This is not supported in 7-bit mode.\n" + std::string(42, ' ') + " ["),
              std::string::npos);
}

TEST(CharacterOperations, ComparisonAndDerivedClassesFollowThePointers) {
    const Outcome r = run(icuOptions("complete"), {"no-load", "state", "casecmp", "state", "host-tolower"});
    EXPECT_EQ(r.out, "no-load=0 0 1 0 0\nlazy 00 0000000000\ncasecmp=0 -1\nicu 11 1111111111\n"
                     "host-tolower=0 6\n");
}

// ---- Trace levels from the environment ---------------------------------------------------

TEST(TraceLevels, OnlyExactWordsCount) {
    struct Case {
        const char *initLevel, *traceLevel, *levels;
        bool announced;
    };
    const Case cases[] = {
        {"HIGH", nullptr, "1 4", false}, {"high ", nullptr, "1 4", false}, {"", nullptr, "1 4", false},
        {"none", "none", "0 0", false},  {"medium", "low", "4 1", true},   {"low", "bogus", "1 4", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.initLevel) + "/" + (c.traceLevel ? c.traceLevel : "-"));
        const Outcome r = run(icuOptions("complete", {{"NLSUI_INIT_TRACE_LEVEL", c.initLevel},
                                                      {"NLSUI_TRACE_LEVEL", orUnset(c.traceLevel)}}),
                              {"init", "levels"});
        EXPECT_EQ(r.out, std::string("init=0\nlevels=") + c.levels + "\n");
        EXPECT_EQ(r.child.standardError.find("U16 trace level set to") != std::string::npos, c.announced);
    }
    // A level the host set later is not overridden by a second initialization.
    const Outcome r = run(icuOptions("complete", {{"NLSUI_TRACE_LEVEL", "none"}}), {"init", "host-level", "init", "levels"});
    EXPECT_EQ(r.out, "init=0\ninit=0\nlevels=1 16\n");
}

// ---- Where the reports land --------------------------------------------------------------------

TEST(InitTraceOutputs, WithoutConsoleReportsGoToTheFileBoxesAndEvents) {
    const Outcome r = run(sevenBitOptions(nullptr, true), {"pid", "count-outputs", "init", "outputs"});
    const std::string pid = r.out.substr(4, r.out.find('\n') - 4);
    EXPECT_EQ(r.traceFileName, "nlsui_init_trc_file_" + pid + ".trc") << r.out;
    EXPECT_EQ(r.texts.size(), 6u) << r.reportText;
    size_t suffixes = 0;
    for (size_t at = 0; (at = r.reportText.find("] pid = " + pid + "\n", at)) != std::string::npos; ++at) ++suffixes;
    EXPECT_EQ(suffixes, 6u);
    // The process counts as a service only where its ancestry says so.
    EXPECT_EQ(r.out, "pid=" + pid + "\ninit=1\nboxes-events=" + (qoru::isServiceProcess() == 0 ? "6" : "0") + " 6\n");

    // At level 16 the hint to raise the level is left out: five level-1 reports.
    const Outcome q = run(sevenBitOptions("high", true), {"count-outputs", "quiet-error-mode", "init", "outputs"});
    EXPECT_EQ(q.out, "init=1\nboxes-events=0 5\n");
    EXPECT_EQ(q.count("Unicode ctype functions are replaced with 7bit fallback functions"), 1);

    if (onWindows()) return;  // a program under plain Wine has no console
    EXPECT_EQ(run(sevenBitOptions(), {"count-outputs", "init", "outputs"}).out, "init=1\nboxes-events=0 0\n");
}

TEST(InitTraceOutputs, TraceFileRefusesAPlantedLink) {
    if (onWindows()) GTEST_SKIP() << "the Windows runtime's fopen decides there";
    const fs::path dir = icuOptions(nullptr).workingDirectory, target = dir / "target";
    fs::create_directories(dir);
    FILE *t = fopen(target.string().c_str(), "w");
    fputs("keep", t);
    fclose(t);
    fs::create_symlink(target, dir / "link.trc");
    fs::create_hard_link(target, dir / "second.trc");
    EXPECT_EQ(plat::createTraceFile((dir / "link.trc").string().c_str()), nullptr);
    EXPECT_EQ(plat::createTraceFile((dir / "second.trc").string().c_str()), nullptr);
    EXPECT_EQ(fs::file_size(target), 4u);
    FILE *fresh = plat::createTraceFile((dir / "fresh.trc").string().c_str());
    ASSERT_NE(fresh, nullptr);
    EXPECT_GT(fileno(fresh), 2);
    fclose(fresh);
    fs::remove_all(dir);
}

TEST(InitTraceOutputs, ServiceDetectionFollowsTheAncestry) {
    struct Proc {
        uint32_t id, parent;
        const char16_t *name;
    };
    struct Walk {
        std::vector<Proc> procs;
        size_t at = 0;
        static bool next(void *context, bool first, plat::ProcessEntry &e) {
            auto *w = static_cast<Walk *>(context);
            if (first) w->at = 0;
            if (w->at >= w->procs.size()) return false;
            const Proc &p = w->procs[w->at++];
            e = {p.id, p.parent, {}};
            std::char_traits<char16_t>::copy(e.exeName, p.name, std::char_traits<char16_t>::length(p.name));
            return true;
        }
    };
    // The own process is 40; names compare without regard to case.
    const std::pair<std::vector<Proc>, int32_t> cases[] = {
        {{{10, 1, u"winlogon.exe"}, {20, 10, u"Services.EXE"}, {30, 20, u"svc.exe"}, {40, 30, u"me.exe"}}, 1},
        {{{10, 1, u"winlogon.exe"}, {20, 11, u"services.exe"}, {30, 20, u"svc.exe"}, {40, 30, u"me.exe"}}, 0},
        {{{20, 10, u"services.exe"}, {10, 1, u"winlogon.exe"}, {40, 20, u"me.exe"}}, 0},
        {{{10, 1, u"winlogon.exe"}, {20, 10, u"services.exe"}, {40, 30, u"me.exe"}, {30, 20, u"svc.exe"}}, 0},
        {{{10, 1, u"winlogon.exe"}}, 0},
    };
    for (const auto &[procs, expected] : cases) {
        Walk w{procs};
        EXPECT_EQ(qoru::findServiceAncestry(Walk::next, &w, 40), expected);
    }
}

TEST(IcuLoader, NamesAndPathsStopAt260Bytes) {
    const Outcome r = run(icuOptions(nullptr), {"limits"});
    EXPECT_EQ(r.out, "limits=1 1 1 1 1 259 0\n");
    const Texts expected = {
        "Length of libname " + std::string(260, 'n') + " exceeds MAX_PATH_LN 260. nlsui_dlopen failed.",
        "Path " + std::string(200, 'd') + plat::pathSeparator() + std::string(59, 'f') + " exceeds MAX_PATH_LN"};
    EXPECT_EQ(r.texts, expected) << r.reportText;
}

}  // namespace
