// The ICU binder against test-double ICU libraries, in a build for an ICU version the system lacks. Everything
// that happens once per process runs in a child process with its own environment and working directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
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
#include "temp_path.h"
#include "utf8_text.h"

namespace {

using qoru_test::ChildOptions;
using Texts = std::vector<std::string>;
using qoru::config::icuCommonFile, qoru::config::icuDataFile, qoru::config::icuI18nFile;

bool onWindows() { return plat::pathSeparator() == '\\'; }
// The variable of the loader's search by bare name, and the reports' name for that search.
const char *searchVar() { return onWindows() ? "PATH" : "LD_LIBRARY_PATH"; }
const std::string searchName = onWindows() ? "environment path PATH" : "LD_LIBRARY_PATH and the loader cache";

// Prints "name=v1 v2 ..."; a braced list is evaluated in order, so the calls' reports come in that order too.
void show(const char *name, std::initializer_list<int64_t> values) {
    printf("%s", name);
    for (size_t i = 0; i < values.size(); ++i) printf(i ? " %lld" : "=%lld", static_cast<long long>(values.begin()[i]));
    printf("\n");
}

int gBoxes = 0, gEvents = 0;
const std::map<std::string, void (*)()> probeActions = {
    {"pid", [] { show("pid", {plat::processId()}); }},
    {"init", [] { show("init", {nlsui_initialize()}); }},
    {"upper", [] { show("upper", {toupperU('a')}); }},
    {"state",
     [] {  // where the pointers lead, the two handles, and per group 1 (all slots found), 0 (none) or 2 (some)
         const void *p = reinterpret_cast<void *>(isalnumU);
         std::string s = p == reinterpret_cast<void *>(qoru::lazyCharacterFunctions.isalnum)         ? "lazy "
                         : p == reinterpret_cast<void *>(qoru::sevenBitCharacterFunctions.isalnum) ? "7bit "
                         : p == qoru::icuGroupSlots(qoru::IcuGroup::ctype)[qoru::icuIsalnum]        ? "icu "
                                                                                                   : "other ";
         s += std::to_string(qoru::gIcuCommonHandle != nullptr) + std::to_string(qoru::gIcuI18nHandle != nullptr) + " ";
         for (size_t g = 0; g < qoru::icuGroupCount; ++g) {
             void *const *slots = qoru::icuGroupSlots(static_cast<qoru::IcuGroup>(g));
             const ptrdiff_t size = static_cast<ptrdiff_t>(qoru::icuGroupSize(static_cast<qoru::IcuGroup>(g))),
                             missing = std::count(slots, slots + size, nullptr);
             s += missing == 0 ? '1' : missing == size ? '0' : '2';
         }
         printf("%s\n", s.c_str());
     }},
    {"outputs", [] { show("boxes-events", {gBoxes, gEvents}); }},
    {"quiet-error-mode", [] { plat::setErrorMode(0x8003); }},
    // U+00E9 and U+00C4 are above the 7-bit range; 0x10041 has 'A' in its low 16 bits.
    {"wide", [] { show("wide", {(static_cast<void>(isalphaU(0xE9)), 1), isupperU(0x10041) != 0, tolowerU(0xC4)}); }},
    {"casecmp", [] { show("casecmp", {strcasecmpU16(u"\u00C4bc", u"\u00E4BC"), strcasecmpU16(u"abc", u"abd")}); }},
    {"no-load",  // none of these may run the initialization
     [] {
         const charU16 *s = u"Ab";
         show("no-load", {strcasecmpU16(s, s), strncasecmpU16(s, u"x", 0), isxdigitU('F'), isxdigitU('g')});
     }},
    {"host-tolower",
     [] {  // a function the host installs sees both units of every position
         static int calls = 0;
         tolowerU = [](int32_t c) -> int32_t { return ++calls, c; };
         show("host-tolower", {strcasecmpU16(u"ab", std::u16string(u"ab").c_str()), calls});
     }},
    {"levels", [] { show("levels", {qoru::gInitTraceLevel, qoru::traceLevel()}); }},
    {"exit-handler",  // runs inside the initialization that ends the process
     [] { atexit([] { printf("at-exit upper=%d\n", static_cast<int>(toupperU('a'))), fflush(stdout); }); }},
    {"host-level", [] { nlsui_set_trace(nullptr, qoru::traceHigh); }},
    {"threads",  // several first calls at once
     [] {
         std::vector<std::thread> threads;
         std::atomic<int> right{0};
         for (int i = 0; i < 8; ++i)
             threads.emplace_back([&right, i] { right += i % 2 ? toupperU('q') == 'Q' : isalphaU('q'); });
         for (auto &t : threads) t.join();
         show("threads", {right});
     }},
    {"range",
     [] {  // the nine pointers and the derived classes against the C library in the C locale
         const nlsui_class_func ours[] = {isalnumU, isalphaU, iscntrlU, islowerU, isprintU,
                                          isspaceU, isupperU, isgraphU, ispunctU};
         int (*const peers[])(int) = {isalnum, isalpha, iscntrl, islower, isprint, isspace, isupper, isgraph, ispunct};
         int wrong = 0;
         for (int c = 0; c < 0x80; ++c) {
             for (size_t i = 0; i < 9; ++i) wrong += (ours[i](c) != 0) != (peers[i](c) != 0);
             wrong += (tolowerU(c) != tolower(c)) + (toupperU(c) != toupper(c));
         }
         show("range-wrong", {wrong});
     }},
    {"limits",
     [] {  // a library name and a joined path (joined in place) at the limit of 260 bytes, each refused with a report
         char out[qoru::maxPathLn];
         const auto join = [&out](const std::string &dir, size_t n) {
             return qoru::joinPath(strcpy(out, dir.c_str()), std::string(n, 'f').c_str(), out), std::string(out);
         };
         const std::string dir(200, 'd'), sep(1, plat::pathSeparator());
         show("limits", {qoru::nlsui_dlopen(std::string(260, 'n').c_str()) == nullptr, join("d", 1) == "d" + sep + "f",
                         join("d" + sep, 1) == "d" + sep + "f", join(dir, 58).size() == 259, join(dir, 59).empty()});
     }},
};

qoru_test::Child probe("probe", [](const std::vector<std::string> &args) {
    qoru::gInitTraceMessageBox = [](const char *, const char *c) { gBoxes += !strcmp(c, "I18N Initialization"); };
    qoru::gInitTraceEvent = [](const char *source, const char *) { gEvents += !strcmp(source, "QOR-UNICODE"); };
    for (const std::string &a : args) probeActions.at(a)(), fflush(stdout);
    return 0;
});

std::optional<std::string> orUnset(const char *value) { return value ? std::optional<std::string>(value) : std::nullopt; }

// A child that finds the doubles of testCase (null: none) through the library search path, and the fixed
// directory only when asked; extra variables are set (a value) or removed (nullopt) on top.
ChildOptions icuOptions(const char *testCase, decltype(ChildOptions::env) extra = {}, bool fixedDirectory = false) {
    std::string search = testCase ? std::string(QORU_TEST_DOUBLES_DIR) + "/" + testCase : "";
    if (const char *old = getenv(searchVar())) search = search.empty() ? old : search + (onWindows() ? ";" : ":") + old;
    ChildOptions o;
    o.env = {{"NLSUI_INIT_TRACE_LEVEL", std::nullopt}, {"NLSUI_TRACE_LEVEL", std::nullopt},
             {"NLSUI_7BIT_FALLBACK", std::nullopt},    {"NO_QOR_ICU_PATH", orUnset(fixedDirectory ? nullptr : "1")},
             {searchVar(), orUnset(search.empty() ? nullptr : search.c_str())}};
    o.env.insert(o.env.end(), extra.begin(), extra.end());
    return o;
}

ChildOptions sevenBitOptions(const char *level = nullptr, bool closeStandardError = false) {
    ChildOptions o = icuOptions(nullptr, {{"NLSUI_7BIT_FALLBACK", "1"}, {"NLSUI_INIT_TRACE_LEVEL", orUnset(level)}});
    o.closeStandardError = closeStandardError;
    return o;
}

struct Outcome {
    qoru_test::ChildResult child;
    std::string out, traceFileName, reportText;  // reportText: the trace file if any, else standard error; no CRs
    Texts texts;  // the reports without suffix, padding and the line feeds written ahead of them
};

Outcome run(ChildOptions o, std::vector<std::string> actions) {
    const qoru_test::TempPath folder(u"-icu");  // the child's own working directory, where a trace file goes
    qoru_test::makeFolder(folder.u16());
    o.workingDirectory = folder.narrow();
    o.args = std::move(actions);
    Outcome r;
    r.child = qoru_test::runChild("probe", o);
    r.out = qoru_test::withoutCarriageReturns(r.child.standardOutput);
    r.reportText = r.child.standardError;
    for (const std::u16string &entry : qoru_test::folderEntries(folder.u16())) {
        r.traceFileName = qoru_test::utf8Of(entry);
        r.reportText.clear();
        if (FILE *f = fopen(qoru_test::narrowName(folder.u16() + u"/" + entry).c_str(), "rb")) {
            char buf[4096];
            for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) r.reportText.append(buf, n);
            fclose(f);
        }
    }
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

const std::string notLoaded = "ICU shared libraries are not loaded", i18nClosed = icuI18nFile + std::string(" is closed again");
const std::string badData = "ICU data shared lib does not behave correctly.";
const Texts fallback = {"Environment variable NLSUI_7BIT_FALLBACK is set.", notLoaded};

Texts notFoundReports() {
    const char *path = getenv(searchVar());
    const std::string place =
        onWindows() ? "the path described by\n   the environment variable \"PATH\""
                    : "a directory named by\n   the environment variable \"LD_LIBRARY_PATH\" or in the loader cache"
                      " (ldconfig)";
    return {"Could not open the ICU common library.\n   The following files must be in " + place + ":\n   " +
                icuCommonFile + ", " + icuDataFile + ", " + icuI18nFile,
            searchVar() + std::string(" is currently set to ") + (path ? path : "<not set>") + " ",
            "Set the environment variable NLSUI_INIT_TRACE_LEVEL to 'high' to see more details.",
            std::string("See the qorucum README, section \"ICU at run time\", for where ICU ") +
                qoru::config::icuVersionText + " is looked for."};
}

Texts missingSymbol(const char *name) {
    return {std::string("symbol load \"") + name + qoru::config::icuSuffix + "\" failed", "Last error number: 127 "};
}

// Each row: the doubles found, NLSUI_7BIT_FALLBACK set, the result of nlsui_initialize (-1: exit status -1),
// the state after two initializations and a call through toupperU, and the reports at the default level. An exit
// handler calls a character function: where ICU's absence ends the process inside the initialization, it gets the
// 7-bit answer instead of waiting for that initialization.
TEST(IcuBinder, OutcomeBySituation) {
    const struct { const char *doubles; bool fallback; int init; const char *state; Texts reports; } situations[] = {
        {"complete", false, 0, "icu 11 1111111111", {}},
        {"no_i18n", false, 0, "icu 10 1111111000", {"Could not open the ICU i18n library", i18nClosed}},
        {"no_ucol", false, 0, "icu 10 1111111000", missingSymbol("ucol_open") + Texts{i18nClosed}},
        {"no_shape", false, 1, "icu 11 1110000111", missingSymbol("u_shapeArabic") + Texts{notLoaded}},
        {nullptr, false, -1, nullptr, notFoundReports()},
        {nullptr, true, 1, "7bit 00 0000000000", notFoundReports() + fallback},
        {"no_upper", false, -1, nullptr, missingSymbol("u_isupper")},
        {"no_upper", true, 1, "7bit 00 1200000000", missingSymbol("u_isupper") + fallback},
        {"bad_data", false, -1, nullptr, {badData}},
        {"bad_data", true, 1, "7bit 00 1100000000", Texts{badData} + fallback},
    };
    for (const auto &s : situations) {
        SCOPED_TRACE(std::string(s.doubles ? s.doubles : "missing") + (s.fallback ? " with fallback" : ""));
        const Outcome r = run(icuOptions(s.doubles, {{"NLSUI_7BIT_FALLBACK", orUnset(s.fallback ? "" : nullptr)}}),
                              {"exit-handler", "init", "init", "upper", "state"});
        const std::string init = "init=" + std::to_string(s.init) + "\n";
        EXPECT_EQ(r.child.exitCode, s.init < 0 ? qoru_test::exitStatusMinusOne() : 0);
        EXPECT_EQ(r.out, (s.init < 0 ? "" : init + init + "upper=65\n" + s.state + "\n") + "at-exit upper=65\n");
        // Every later initialization after a failure says so again.
        EXPECT_EQ(r.texts, s.reports + (s.init == 1 ? Texts{notLoaded} : Texts{})) << r.reportText;
        // A console program writes no trace file (a program under plain Wine has no console).
        EXPECT_EQ(r.traceFileName.empty(), !onWindows() || s.reports.empty());
    }
}

// At level 4 each step of the search and the versions, padded up to column 79. Several threads make the
// first calls at once and ICU is loaded once, from the fixed directory, data library first.
TEST(IcuBinder, MediumLevelReportsTheSearchAndVersions) {
    const std::string fixed = qoru::config::icuFixedDir, sep(1, plat::pathSeparator()), dir = fixed + sep + "50.1" + sep;
    const std::string compiled = std::string("Compiled with ICU version ") + qoru::config::icuVersionText;
    const Outcome r = run(icuOptions(nullptr, {{"NLSUI_INIT_TRACE_LEVEL", "medium"}}, true), {"threads", "init"});
    EXPECT_EQ(r.out, "threads=8\ninit=0\n");
    const Texts expected = {"Searching for libicuuc in " + searchName, "Searching for libicuuc in " + fixed,
                            "Loaded ICU data lib: " + dir + icuDataFile, "Loaded ICU common lib: " + dir + icuCommonFile,
                            compiled, "Running with ICU version 50.1.2", "ICU uses Unicode version 6.2",
                            "Searching for libicui18n in " + searchName, "Searching for libicui18n in " + fixed,
                            "Loaded ICU i18n lib: " + dir + icuI18nFile};
    EXPECT_EQ(r.texts, expected) << r.reportText;
    EXPECT_NE(r.reportText.find(compiled + std::string(79 - compiled.size(), ' ') + " [nlsui0_search.cpp "),
              std::string::npos);
}

// At level 16 every lookup is shown, and without ICU the last report says why the process ends. The line feeds
// ahead of the first two reports reach standard error even when the reports go to the trace file.
TEST(IcuBinder, HighLevelShowsEveryLookupAndWhyItTerminates) {
    const Texts all = run(icuOptions("complete", {{"NLSUI_INIT_TRACE_LEVEL", "high"}}), {"init"}).texts;
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](auto &t) { return t.rfind("Function pointer for ", 0) == 0; }),
              86);
    const Outcome r = run(icuOptions(nullptr, {{"NLSUI_INIT_TRACE_LEVEL", "high"}}), {"upper"});
    EXPECT_EQ(r.child.exitCode, qoru_test::exitStatusMinusOne());
    ASSERT_GE(r.texts.size(), 5u);
    EXPECT_EQ(Texts(r.texts.begin(), r.texts.begin() + 4),
              (Texts{"NLSUI_INIT_TRACE_LEVEL set to 'high'", "loadIcuDo() is called",
                     "Program is compiled with ICU version 50.1",
                     std::string("Required ICU library files: ") + icuCommonFile + " " + icuDataFile + " " + icuI18nFile}));
    EXPECT_EQ(r.texts.back(), "Terminating.\n   You may set the environment variable NLSUI_7BIT_FALLBACK to run the "
                              "program\n   without the ICU libraries in an emergency mode.");
    const std::string err = qoru_test::withoutCarriageReturns(r.child.standardError);
    EXPECT_EQ(err.substr(0, 2), r.traceFileName.empty() ? "\nN" : "\n\n");
}

TEST(IcuBinder, WindowsSearchesTheProgramsFolder) {
    if (!onWindows()) GTEST_SKIP() << "the program's folder is a Windows search place";
    ChildOptions o = icuOptions(nullptr);
    o.program = std::string(QORU_TEST_DOUBLES_DIR) + "/complete/test_icu_binder.exe";
    EXPECT_EQ(run(o, {"init"}).out, "init=0\n");
}

// The loader's limits are checked in the same child.
TEST(CharacterOperations, ComparisonAndDerivedClassesFollowThePointers) {
    const Outcome r = run(icuOptions("complete"), {"no-load", "state", "casecmp", "host-tolower", "limits"});
    EXPECT_EQ(r.out, "no-load=0 0 1 0\nlazy 00 0000000000\ncasecmp=0 -1\nhost-tolower=0 6\nlimits=1 1 1 1 1\n");
    EXPECT_EQ(r.texts.size(), 2u) << r.reportText;
}

TEST(TraceLevels, OnlyExactWordsCount) {
    const struct { const char *initLevel, *traceLevel, *levels; bool announced; } cases[] = {
        {"HIGH", nullptr, "1 4", false}, {"high ", nullptr, "1 4", false}, {"none", "none", "0 0", false},
        {"medium", "low", "4 1", true},  {"low", "bogus", "1 4", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.initLevel);
        const Outcome r = run(icuOptions("complete", {{"NLSUI_INIT_TRACE_LEVEL", c.initLevel},
                                                      {"NLSUI_TRACE_LEVEL", orUnset(c.traceLevel)}}),
                              {"init", "levels", "host-level", "init", "levels"});
        // A level the host set later is not overridden by a second initialization, and is announced.
        EXPECT_EQ(r.out, std::string("init=0\nlevels=") + c.levels + "\ninit=0\nlevels=" + c.levels[0] + " 16\n");
        const std::string &err = r.child.standardError, announced = "U16 trace level set to";
        EXPECT_EQ(err.find(announced) != err.rfind(announced), c.announced) << err;
    }
}

// In 7-bit mode the functions answer the range as the C library does, with two diagnostics for each unit above;
// the fallback folds ASCII only, so U+00C4 and U+00E4 stay apart. Without a console the reports go to a file named
// by the process, and each level-1 report to a message box (outside services) and an event: 6 for the missing ICU
// and the fallback, 8 for the units above.
TEST(InitTraceOutputs, SevenBitModeWithoutConsoleReportsToTheFileBoxesAndEvents) {
    const Outcome r = run(sevenBitOptions(nullptr, true), {"pid", "init", "range", "wide", "casecmp", "outputs"});
    const std::string pid = r.out.substr(4, r.out.find('\n') - 4);
    EXPECT_EQ(r.traceFileName, "nlsui_init_trc_file_" + pid + ".trc") << r.out;
    Texts expected = notFoundReports() + fallback;
    for (std::string at : {"00E9 isalphaU", "00C4 tolowerU", "00C4 tolowerU", "00E4 tolowerU"})
        expected = expected + Texts{"ERROR: Non 7-bit character U+" + at.replace(4, 1, " encountered in function ") + "\n",
                                    "This is not supported in 7-bit mode.\n"};
    EXPECT_EQ(r.texts, expected) << r.reportText;
    EXPECT_EQ(r.reportText.find("] pid = "), r.reportText.find("] pid = " + pid + "\n"));
    // The process counts as a service only where its ancestry says so.
    EXPECT_EQ(r.out, "pid=" + pid + "\ninit=1\nrange-wrong=0\nwide=1 1 196\ncasecmp=-32 -1\nboxes-events=" +
                         (qoru::isServiceProcess() == 0 ? "14" : "0") + " 14\n");
    // At level 16 the hint to raise the level is left out: five level-1 reports. Level 0 reports nothing.
    const Outcome q = run(sevenBitOptions("high", true), {"quiet-error-mode", "init", "outputs"});
    EXPECT_EQ(q.out, "init=1\nboxes-events=0 5\n");
    EXPECT_NE(q.reportText.find("Unicode ctype functions are replaced with 7bit fallback functions"), std::string::npos);
    EXPECT_EQ(run(sevenBitOptions("none"), {"init", "wide"}).reportText, "");
}

TEST(InitTraceOutputs, TraceFileRefusesAPlantedLink) {
    if (onWindows()) GTEST_SKIP() << "the Windows runtime's fopen decides there";
    const qoru_test::TempPath target, link(u".trc"), second(u"-2.trc"), fresh(u"-3.trc");
    ASSERT_TRUE(target.write("keep"));
    ASSERT_TRUE(qoru_test::makeLink(target.u16(), link.u16(), true));
    ASSERT_TRUE(qoru_test::makeLink(target.u16(), second.u16(), false));
    EXPECT_EQ(plat::createTraceFile(link.narrow().c_str()), nullptr);
    EXPECT_EQ(plat::createTraceFile(second.narrow().c_str()), nullptr);
    EXPECT_EQ(target.contents(), "keep");
    FILE *f = plat::createTraceFile(fresh.narrow().c_str());
    ASSERT_NE(f, nullptr);
    fclose(f);
}

// The own process is 40; names compare without regard to case; each ancestor must come before its child.
TEST(InitTraceOutputs, ServiceDetectionFollowsTheAncestry) {
    const plat::ProcessEntry winlogon{10, 1, u"winlogon.exe"}, services{20, 10, u"Services.EXE"},
        orphan{20, 11, u"services.exe"}, svc{30, 20, u"svc.exe"}, me{40, 30, u"me.exe"};
    for (auto [procs, expected] : {std::pair<std::vector<plat::ProcessEntry>, int32_t>{{winlogon, services, svc, me}, 1},
                                   {{winlogon, orphan, svc, me}, 0}, {{winlogon, services, me, svc}, 0}}) {
        const auto next = [](void *context, bool first, plat::ProcessEntry &e) {
            static size_t at;
            const auto &p = *static_cast<std::vector<plat::ProcessEntry> *>(context);
            return (at = first ? 0 : at) < p.size() && (e = p[at++], true);
        };
        EXPECT_EQ(qoru::findServiceAncestry(next, &procs, 40), expected);
    }
}

}  // namespace
