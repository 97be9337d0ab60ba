// The trace channel byte for byte through a capturing sink: frame, cuts, source names, dumps, announcements,
// the array-too-small report; once-per-process state (command line, default sink) in child processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "child.h"
#include "i18n/qoru16/u16_aux.h"
#include "qorucum.h"
#include "random_units.h"
#include "trace_frame.h"

namespace {

using namespace qoru_test;

// The length of the header line with its line feed.
size_t headerLength(const std::string &message) { return message.find(":\n") + 2; }

class Trace : public testing::Test {
protected:
    void SetUp() override { showCommandLineOnce(); }
};

// Random source names (up to 60 characters shown whole, longer ones as "..." and their last 57), lines, and texts
// that fit or are cut to the room the frame leaves: the message is then 1020 bytes with the trailer, 1021 without.
TEST_F(Trace, FrameShowsSourceNamesAndCutsLongTexts) {
    TraceCapture cap(qoru::traceMedium);
    UnitSource rnd(57);
    for (int it = 0; it < 500; ++it) {
        std::string name(rnd.below(80), ' '), text(1100, ' ');
        for (char &c : name) c = "az09/._"[rnd.below(7)];
        for (char &c : text) c = "az09/._ \n~"[rnd.below(10)];
        const int32_t line = static_cast<int32_t>(rnd.below(20000)) - 10000;
        const bool trailer = rnd.chance(50);
        const std::string shown = name.size() > 60 ? "..." + name.substr(name.size() - 57) : name;
        const int64_t before = plat::calendarTime();
        // The room: all but what comes before the text, less the header's line feed.
        const size_t room = (trailer ? 968 : 1020) - (framedMessage(shown, line, before, "", false).size() - 1);
        const size_t length = rnd.chance(50) ? room - 1 + rnd.below(3) : rnd.below(room);
        cap.clear();
        qoru::traceMessageU16(text.substr(0, length).c_str(), name.c_str(), line, trailer);
        const int64_t t = headerTime(cap.lines().at(0));
        EXPECT_TRUE(t >= before && t <= plat::calendarTime()) << t;
        EXPECT_EQ(cap.lines(), std::vector{framedMessage(shown, line, t, text.substr(0, std::min(length, room)), trailer)});
        EXPECT_EQ(cap.lines()[0].size() == (trailer ? 1020u : 1021u), length >= room);
    }
}

TEST_F(Trace, DumpsMatchTheReferenceLayout) {
    // Random units, one in ten at the edges of the shown ranges (as units, and as low bytes); counts from -5 on.
    TraceCapture cap(qoru::traceMedium);
    UnitSource rnd(41);
    for (int it = 0; it < 500; ++it) {
        const int count = static_cast<int>(rnd.below(60)) - 5;
        std::vector<char16_t> u = rnd.units(60);
        for (char16_t &c : u) c = rnd.chance(10) ? u"\x1F\x20\x21\x7E\x7F\x80"[rnd.below(6)] : c;
        cap.clear();
        qoru::traceBytesU16(u.data(), count), qoru::traceCharsU16(u.data(), count);
        std::vector<std::string> want = byteDump(u.data(), count), chars = unitDump(u.data(), count);
        want.insert(want.end(), chars.begin(), chars.end());
        EXPECT_EQ(cap.lines(), want) << it;
    }
}

TEST_F(Trace, LevelChangesAreAnnouncedByTheRule) {
    const std::tuple<int32_t, int32_t, const char *> cases[] = {  // from, to, announced (null: silent)
        {4, 0, nullptr}, {16, 0, "none"}, {5, 0, "none"}, {4, -1, nullptr}, {16, -1, ""}, {0, 0, nullptr}, {4, 8, ""},
        {4, 1, "low"},   {1, 4, "medium"}, {0, 16, "high"}, {-3, 2, ""},    {1, 0, nullptr}, {16, 16, "high"},
    };
    for (const auto &[previous, level, announced] : cases) {
        SCOPED_TRACE(std::to_string(previous) + " to " + std::to_string(level));
        TraceCapture cap(previous);
        nlsui_set_trace(nullptr, level);
        EXPECT_EQ(qoru::traceLevel(), level);
        ASSERT_EQ(cap.lines().size(), announced ? 1u : 0u);
        if (announced == nullptr) continue;
        // A message like any other (its frame is checked above), from the file that sets the level.
        const std::string &m = cap.lines()[0];
        EXPECT_NE(m.find("nlsui1_trace.cpp line "), std::string::npos) << m;
        EXPECT_EQ(m.substr(headerLength(m)), std::string("U16 trace level set to ") + announced + "\n" + endOfMessage);
    }
    // The announcement goes through the new sink; a null sink keeps it; replacing it keeps the level.
    static std::vector<std::string> gOtherSink;
    const nlsui_trace_func otherSink = [](const char *text, int32_t n) { return gOtherSink.emplace_back(text, n), 0; };
    TraceCapture cap(qoru::traceHigh);
    gOtherSink.clear(), nlsui_set_trace(otherSink, 0);  // cleared for a repeated run
    EXPECT_NE(gOtherSink.at(0).find(":\nU16 trace level set to none\n"), std::string::npos);
    nlsui_set_trace_func(nullptr), gOtherSink.clear();
    qoru::traceLine("still here", 10);
    nlsui_set_trace(nullptr, 0), nlsui_set_trace_func(otherSink);  // silent: 0 to 0
    EXPECT_EQ(std::make_tuple(gOtherSink, qoru::traceLevel(), cap.lines().size()),
              std::make_tuple(std::vector<std::string>{"still here"}, 0, size_t{0}));
}

TEST_F(Trace, ArrayTooSmallReport) {  // names cut at 64, 32 and 32 characters; nothing at levels 0 and below
    const std::string f(80, 'f'), a(40, 'a'), s(40, 's');
    for (const int32_t level : {qoru::traceLow, 0, -1}) {
        TraceCapture cap(level);
        qoru::traceArrayTooSmall(f.c_str(), a.c_str(), s.c_str(), "src/flat/nlsui1_strerror.cpp", 42);
        const std::string text = "Function " + f.substr(0, 64) + " :\nArray " + a.substr(0, 32) + " length " +
                                 s.substr(0, 32) + " is too small.";
        if (level <= 0) EXPECT_TRUE(cap.lines().empty()) << level;
        else EXPECT_EQ(cap.lines().at(0), framedMessage("src/flat/nlsui1_strerror.cpp", 42, headerTime(cap.lines()[0]), text, true));
    }
}

struct CmdlineCase {  // argc may differ from args.size()
    std::vector<std::u16string> args;
    int32_t argc;
    std::string stored;
};

// Each unit above 0x7F shows as '#', a surrogate pair as two; the stored text is cut at 256 bytes.
const std::vector<CmdlineCase> cmdlineCases{
    {{u"prog", u"", u"c\u00E9", u"a\U0001F600b", u"unused"}, 4, "prog  c# a##b"},
    {{u"ab"}, -1, ""},
    {{std::u16string(200, u'x'), std::u16string(100, u'y')}, 2, std::string(200, 'x') + " " + std::string(55, 'y')},
    {{std::u16string(255, u'x'), u"z"}, 2, std::string(255, 'x') + " "},
};

void storeCmdline(std::vector<std::u16string> args, int32_t argc) {
    std::vector<charU16 *> argv;
    for (auto &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    nlsui_store_cmdline(argc, argv.data());
}

// Stores the command line of one case (after the first message when "late"), then writes two messages, the first
// one at the longest when "long", a plain line, an empty one, the end-of-message line and a level change, all
// through the default sink.
const Child processChild("trace-process", [](const std::vector<std::string> &args) {
    const bool late = args.at(0) == "late", longFirst = args.at(1) == "long";
    if (!late) storeCmdline({std::u16string(256, u'q')}, 1);  // a longer one, replaced
    if (!late) storeCmdline(cmdlineCases.at(std::stoul(args[0])).args, cmdlineCases.at(std::stoul(args[0])).argc);
    const std::string text = longFirst ? std::string(2000, 't') : "first", name = longFirst ? std::string(80, 'n') : "c.cpp";
    qoru::traceMessageU16(text.c_str(), name.c_str(), longFirst ? INT32_MIN : 1, args.at(2) == "trailer");
    if (late) storeCmdline({u"late"}, 1);  // never shown
    qoru::traceMessageU16("second", "c.cpp", 2, false);
    qoru::traceLine("plain line", 10);
    qoru::traceLine("", 0);
    qoru::traceEndOfMessage();
    nlsui_set_trace(nullptr, 16);
    return 0;
});

// Only the first message shows the command line; the default sink writes each call's bytes and a line feed on stderr.
TEST(TraceOncePerProcess, CommandLineInTheFirstMessageOnlyOnStandardError) {
    std::vector<std::tuple<std::string, bool, bool>> runs{{"late", false, false}, {"2", true, true}, {"2", true, false}};
    for (size_t i = 0; i < cmdlineCases.size(); ++i) runs.emplace_back(std::to_string(i), false, true);
    for (const auto &[which, longFirst, trailer] : runs) {  // case, long first message, trailer
        SCOPED_TRACE(which + (longFirst ? " long" : "") + (trailer ? " trailer" : ""));
        const ChildResult r = runChild(
            "trace-process", {.args = {which, longFirst ? "long" : "short", trailer ? "trailer" : "none"}});
        EXPECT_EQ(std::tie(r.exitCode, r.standardOutput), std::make_tuple(0, std::string()));
        const std::string err = withoutCarriageReturns(r.standardError);
        const auto pid = static_cast<int32_t>(headerNumber(err, "] pid = "));
        EXPECT_NE(pid, plat::processId());
        const std::string stored = which == "late" ? "" : cmdlineCases[std::stoul(which)].stored;
        std::string text = "first", name = "c.cpp";
        int32_t line = 1;
        if (longFirst) {  // the cut still keeps the message within 1020 bytes with the trailer
            const size_t h = headerLength(err) + std::string("Cmdline : \n\n").size() + stored.size() - 1;
            text.assign((trailer ? 968 : 1020) - h, 't'), name = "..." + std::string(57, 'n'), line = INT32_MIN;
        }
        const std::string first = framedMessage(name, line, headerTime(err), text, trailer, stored.c_str(), pid) + "\n";
        EXPECT_TRUE(!longFirst || first.size() == (trailer ? 1021u : 1022u)) << first.size();
        ASSERT_EQ(err.compare(0, first.size(), first), 0) << err;
        const std::string rest = err.substr(first.size());
        const std::string fixed = framedMessage("c.cpp", 2, headerTime(rest), "second", false, nullptr, pid) +
                                  "\nplain line\n\n" + endOfMessage + "\n";
        ASSERT_EQ(rest.compare(0, fixed.size(), fixed), 0) << err;
        // The announcement of the host's level too, after its own header.
        EXPECT_EQ(rest.substr(rest.find(":\n", fixed.size()) + 2),
                  "U16 trace level set to high\n" + std::string(endOfMessage) + "\n");
    }
    // And nothing goes wrong with standard error closed.
    EXPECT_EQ(runChild("trace-process", {.closeStandardError = true, .args = {"0", "short", "trailer"}}).exitCode, 0);
}

}  // namespace
