// The trace channel byte for byte through a capturing sink: the frame, the
// cuts, source names, the two dumps, level announcements and the
// array-too-small report. What happens once per process (the command line in
// the first message, the default sink) runs in child processes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "child.h"
#include "i18n/qoru16/u16_aux.h"
#include "qorucum.h"
#include "random_units.h"
#include "trace_frame.h"

namespace {

using qoru_test::endOfMessage;
using qoru_test::framedMessage;
using qoru_test::headerTime;
using qoru_test::TraceCapture;

// Name and line shown in a message's header.
struct Shown {
    std::string name;
    int32_t line = -1;
};

Shown shownNameAndLine(const std::string &message) {
    const std::string open = "--- Unicode interface [";
    const size_t close = message.find("] pid = ");
    const size_t at = message.rfind(" line ", close);
    if (message.compare(0, open.size(), open) != 0 || close == std::string::npos || at == std::string::npos)
        return {};
    return {message.substr(open.size(), at - open.size()), std::stoi(message.substr(at + 6, close - at - 6))};
}

// Length of the header line with its line feed.
size_t headerLength(const std::string &message) { return message.find(":\n") + 2; }

class Trace : public testing::Test {
protected:
    void SetUp() override { qoru_test::showCommandLineOnce(); }
};

TEST_F(Trace, FrameAndSourceNamesKeepTheirLast57CharactersBeyond60) {
    const std::string sixty = "src/" + std::string(52, 'd') + "/a.c", sixtyOne = "x" + sixty;
    const std::string long200 = std::string(140, 'p') + sixty;
    const struct {
        std::string name, shown, text;
        int32_t line;
        bool trailer;
    } cases[] = {
        {"src/i18n/qoru16/u16_get.cpp", "src/i18n/qoru16/u16_get.cpp", "first line\nsecond line", 123, true},
        {"u16_put.cpp", "u16_put.cpp", "no trailer", -5, false},
        {"", "", "t", 7, true},
        {sixty, sixty, "t", 7, true},
        {sixtyOne, "..." + sixtyOne.substr(61 - 57), "t", 7, false},
        {long200, "..." + long200.substr(200 - 57), "t", 7, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TraceCapture cap(qoru::traceMedium);
        const int64_t before = plat::calendarTime();
        qoru::traceMessageU16(c.text.c_str(), c.name.c_str(), c.line, c.trailer);
        const int64_t after = plat::calendarTime();
        ASSERT_EQ(cap.lines().size(), 1u);
        const int64_t t = headerTime(cap.lines()[0]);
        EXPECT_TRUE(t >= before && t <= after) << t;
        EXPECT_EQ(cap.lines()[0], framedMessage(c.shown, c.line, t, c.text, c.trailer));
    }
}

TEST_F(Trace, LongTextsAreCutToFitTheFrame) {
    TraceCapture cap(qoru::traceMedium);
    std::string text;
    for (int i = 0; i < 2000; ++i) text += static_cast<char>('a' + i % 26);
    qoru::traceMessageU16("probe", "cut.cpp", 1, true);
    // h: everything before the text, less the final line feed.
    const int h = static_cast<int>(headerLength(cap.lines()[0])) - 1;
    for (const bool trailer : {true, false}) {
        const int room = (trailer ? 968 : 1020) - h;
        for (const int length : {0, room - 1, room, room + 1, 2000}) {
            SCOPED_TRACE(std::to_string(length) + (trailer ? " with trailer" : " without trailer"));
            cap.clear();
            qoru::traceMessageU16(text.substr(0, static_cast<size_t>(length)).c_str(), "cut.cpp", 1, trailer);
            ASSERT_EQ(cap.lines().size(), 1u);
            const std::string &m = cap.lines()[0];
            EXPECT_EQ(m, framedMessage("cut.cpp", 1, headerTime(m), text.substr(0, std::min(length, room)), trailer));
            if (length >= room) {
                EXPECT_EQ(m.size(), trailer ? 1020u : 1021u);
            }
        }
    }
}

TEST_F(Trace, DumpsMatchTheReferenceLayout) {
    // One literal line of each, then random data against the layouts.
    TraceCapture cap(qoru::traceMedium);
    const unsigned char bytes[] = {0x00, 0x21, 0x7E, 0x7F, 0x80, 0xFF};
    qoru::traceBytesU16(bytes, 6);
    const charU16 units[] = {u'a', u' ', 0x7F, 0x80, 0xD83D, 0xFFFF, 0x1F, u'~', u'z'};
    qoru::traceCharsU16(units, 9);
    EXPECT_EQ(cap.lines(), (std::vector<std::string>{
                               " 00 21 7e 7f 80 ff                               |.!~...          |",
                               " 0061 0020 007f 0080 d83d ffff 001f 007e  |a \x7f....~|",
                               " 007a                                     |z       |"}));
    qoru_test::UnitSource rnd(41);
    for (int it = 0; it < 500; ++it) {
        SCOPED_TRACE(it);
        const int count = static_cast<int>(rnd.below(60)) - 5;
        std::vector<unsigned char> randomBytes(60);
        for (auto &b : randomBytes) b = static_cast<unsigned char>(rnd.below(256));
        const std::vector<char16_t> randomUnits = rnd.units(60);
        cap.clear();
        qoru::traceBytesU16(randomBytes.data(), count);
        EXPECT_EQ(cap.lines(), qoru_test::byteDump(randomBytes.data(), count));
        cap.clear();
        qoru::traceCharsU16(randomUnits.data(), count);
        EXPECT_EQ(cap.lines(), qoru_test::unitDump(randomUnits.data(), count));
    }
}

std::vector<std::string> gOtherSink;
int32_t otherSink(const char *text, int32_t length) {
    gOtherSink.emplace_back(text, static_cast<size_t>(length));
    return 0;
}

TEST_F(Trace, LevelChangesAreAnnouncedByTheRule) {
    const struct {
        int32_t previous, level;
        const char *announced;  // null: silent
    } cases[] = {
        {4, 0, nullptr}, {16, 0, "none"}, {5, 0, "none"}, {4, -1, nullptr}, {16, -1, ""}, {0, 0, nullptr}, {4, 8, ""},
        {4, 1, "low"},   {1, 4, "medium"}, {0, 16, "high"}, {-3, 2, ""},    {1, 0, nullptr}, {16, 16, "high"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.previous) + " to " + std::to_string(c.level));
        TraceCapture cap(c.previous);
        nlsui_set_trace(nullptr, c.level);
        EXPECT_EQ(qoru::traceLevel(), c.level);
        ASSERT_EQ(cap.lines().size(), c.announced ? 1u : 0u);
        if (c.announced == nullptr) continue;
        const std::string &m = cap.lines()[0];
        const Shown shown = shownNameAndLine(m);
        EXPECT_NE(shown.name.find("nlsui1_trace.cpp"), std::string::npos) << shown.name;
        EXPECT_EQ(m, framedMessage(shown.name, shown.line, headerTime(m),
                                   std::string("U16 trace level set to ") + c.announced, true));
    }
}

TEST_F(Trace, AnnouncementGoesThroughTheNewSink) {
    TraceCapture cap(qoru::traceHigh);
    gOtherSink.clear();
    nlsui_set_trace(otherSink, 0);
    ASSERT_EQ(gOtherSink.size(), 1u);
    EXPECT_NE(gOtherSink[0].find(":\nU16 trace level set to none\n"), std::string::npos);
    // A null sink keeps the current one; replacing the sink writes nothing
    // and keeps the level.
    gOtherSink.clear();
    nlsui_set_trace_func(nullptr);
    qoru::traceLine("still here", 10);
    nlsui_set_trace(nullptr, 0);  // silent: 0 to 0
    nlsui_set_trace_func(otherSink);
    EXPECT_EQ(gOtherSink, std::vector<std::string>{"still here"});
    EXPECT_EQ(qoru::traceLevel(), 0);
    EXPECT_TRUE(cap.lines().empty());
}

TEST_F(Trace, ArrayTooSmallReport) {
    // Names are cut at 64, 32 and 32 characters; nothing at levels 0 and below.
    const std::string f(80, 'f'), a(40, 'a'), s(40, 's');
    for (const int32_t level : {qoru::traceLow, qoru::traceHigh, 0, -1}) {
        TraceCapture cap(level);
        qoru::traceArrayTooSmall(f.c_str(), a.c_str(), s.c_str(), "src/flat/nlsui1_strerror.cpp", 42);
        if (level <= 0) {
            EXPECT_TRUE(cap.lines().empty()) << level;
            continue;
        }
        ASSERT_EQ(cap.lines().size(), 1u);
        EXPECT_EQ(cap.lines()[0], framedMessage("src/flat/nlsui1_strerror.cpp", 42, headerTime(cap.lines()[0]),
                                                "Function " + f.substr(0, 64) + " :\nArray " + a.substr(0, 32) +
                                                    " length " + s.substr(0, 32) + " is too small.",
                                                true));
    }
}

// ---- Once per process: child processes ----------------------------------------------------------

// Children write what the capturing sink received to standard output, each
// call's text followed by the byte 0x01.
void emitCaptured(const TraceCapture &cap) {
    for (const auto &line : cap.lines()) {
        fwrite(line.data(), 1, line.size(), stdout);
        fputc(1, stdout);
    }
}

std::vector<std::string> capturedInChild(const std::string &name, const std::vector<std::string> &args = {}) {
    qoru_test::ChildOptions options;
    options.args = args;
    const qoru_test::ChildResult r = qoru_test::runChild(name, options);
    EXPECT_EQ(r.exitCode, 0) << name;
    std::vector<std::string> lines;
    std::string current;
    for (const char c : qoru_test::withoutCarriageReturns(r.standardOutput)) {
        if (c == 1) {
            lines.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return lines;
}

// A child's messages carry its own process identifier, not ours.
int32_t childPid(const std::string &message) {
    const int32_t pid = qoru_test::headerPid(message);
    EXPECT_NE(pid, plat::processId());
    return pid;
}

std::vector<charU16> u16(const std::string &ascii) {
    std::vector<charU16> v(ascii.begin(), ascii.end());
    v.push_back(0);
    return v;
}

struct CmdlineCase {
    std::vector<std::vector<charU16>> args;
    int32_t argc;  // may differ from args.size()
    std::string stored;
};

std::vector<CmdlineCase> cmdlineCases() {
    const std::vector<charU16> accented{u'c', 0x00E9, 0};
    const std::vector<charU16> pair{u'a', 0xD83D, 0xDE00, u'b', 0};
    return {
        {{u16("ab"), accented}, 2, "ab c#"},
        {{u16("ab")}, 0, ""},
        {{u16("ab")}, -1, ""},
        {{pair}, 1, "a##b"},
        {{u16(std::string(200, 'x')), u16(std::string(100, 'y'))}, 2,
         std::string(200, 'x') + " " + std::string(55, 'y')},
        {{u16(std::string(255, 'x')), u16("z")}, 2, std::string(255, 'x') + " "},
        {{u16(std::string(300, 'x'))}, 1, std::string(256, 'x')},
        {{u16("prog"), u16(""), u16("-v")}, 3, "prog  -v"},
        {{u16("prog"), u16("-v")}, 1, "prog"},
    };
}

std::vector<charU16 *> argvOf(std::vector<std::vector<charU16>> &args) {
    std::vector<charU16 *> argv;
    for (auto &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

// Stores the command line of one case (after the first message when "late"),
// and writes two messages; the first one, when "long", at the longest.
const qoru_test::Child cmdlineChild("trace-cmdline", [](const std::vector<std::string> &args) {
    const bool late = args.at(0) == "late", longFirst = args.at(1) == "long";
    CmdlineCase c = late ? CmdlineCase{{u16("late")}, 1, ""} : cmdlineCases().at(std::stoul(args.at(0)));
    std::vector<std::vector<charU16>> earlier{u16(std::string(256, 'q'))};
    if (!late) {
        nlsui_store_cmdline(1, argvOf(earlier).data());  // a longer command line, replaced
        nlsui_store_cmdline(c.argc, argvOf(c.args).data());
    }
    TraceCapture cap(qoru::traceMedium);
    if (longFirst)
        qoru::traceMessageU16(std::string(2000, 't').c_str(), std::string(80, 'n').c_str(), INT32_MIN,
                              args.at(2) == "trailer");
    else
        qoru::traceMessageU16("first", "c.cpp", 1, args.at(2) == "trailer");
    if (late) nlsui_store_cmdline(c.argc, argvOf(c.args).data());  // never shown
    qoru::traceMessageU16("second", "c.cpp", 2, false);
    emitCaptured(cap);
    return 0;
});

TEST(TraceOncePerProcess, StoredCommandLineInTheFirstMessageOnly) {
    const std::vector<CmdlineCase> cases = cmdlineCases();
    std::vector<std::tuple<std::string, bool, bool>> runs;  // case, long first message, trailer
    for (size_t i = 0; i < cases.size(); ++i) runs.emplace_back(std::to_string(i), false, true);
    runs.insert(runs.end(), {{"late", false, false}, {"6", true, true}, {"6", true, false}});
    for (const auto &[which, longFirst, trailer] : runs) {
        SCOPED_TRACE(which + (longFirst ? " long" : "") + (trailer ? " trailer" : ""));
        const auto lines =
            capturedInChild("trace-cmdline", {which, longFirst ? "long" : "short", trailer ? "trailer" : "none"});
        ASSERT_EQ(lines.size(), 2u);
        const std::string stored = which == "late" ? "" : cases[std::stoul(which)].stored;
        std::string text = "first", name = "c.cpp";
        int32_t line = 1;
        if (longFirst) {  // the cut still keeps the message within 1020 bytes with the trailer
            const size_t h = headerLength(lines[0]) + std::string("Cmdline : \n\n").size() + stored.size() - 1;
            text.assign((trailer ? 968 : 1020) - h, 't'), name = "..." + std::string(57, 'n'), line = INT32_MIN;
            EXPECT_EQ(lines[0].size(), trailer ? 1020u : 1021u);
        }
        EXPECT_EQ(lines[0], framedMessage(name, line, headerTime(lines[0]), text, trailer, stored, childPid(lines[0])));
        EXPECT_EQ(lines[1],
                  framedMessage("c.cpp", 2, headerTime(lines[1]), "second", false, std::nullopt, childPid(lines[1])));
    }
}

// The default sink: the bytes and one line feed on standard error.
const qoru_test::Child defaultSinkChild("trace-default-sink", [](const std::vector<std::string> &) {
    qoru::traceMessageU16("to standard error", "d.cpp", 5, true);
    qoru::traceLine("plain line", 10);
    qoru::traceLine("", 0);
    qoru::traceEndOfMessage();
    nlsui_set_trace(nullptr, 16);
    return 0;
});

TEST(TraceOncePerProcess, DefaultSinkWritesToStandardErrorWithOneLineFeed) {
    const qoru_test::ChildResult r = qoru_test::runChild("trace-default-sink");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.standardOutput, "");
    const std::string err = qoru_test::withoutCarriageReturns(r.standardError);
    const std::string first = framedMessage("d.cpp", 5, headerTime(err), "to standard error", true, "", childPid(err)) + "\n";
    ASSERT_EQ(err.compare(0, first.size(), first), 0) << err;
    const std::string rest = err.substr(first.size());
    const std::string fixed = std::string("plain line\n") + "\n" + endOfMessage + "\n";
    ASSERT_EQ(rest.compare(0, fixed.size(), fixed), 0) << rest;
    const std::string announcement = rest.substr(fixed.size());
    const Shown shown = shownNameAndLine(announcement);
    EXPECT_EQ(announcement, framedMessage(shown.name, shown.line, headerTime(announcement),
                                          "U16 trace level set to high", true, std::nullopt,
                                          childPid(announcement)) +
                                "\n");
}

TEST(TraceOncePerProcess, DefaultSinkWithStandardErrorClosed) {
    qoru_test::ChildOptions options;
    options.closeStandardError = true;
    EXPECT_EQ(qoru_test::runChild("trace-default-sink", options).exitCode, 0);
}

}  // namespace
