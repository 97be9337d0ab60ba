// Child processes for tests of state that lives once per process: the test
// program runs itself again with "--child NAME" and an environment of its own.
#ifndef QORU_TEST_CHILD_H
#define QORU_TEST_CHILD_H

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qoru_test {

struct ChildOptions {  // each member initialized, so that a designated initializer may name only some
    // Variables to set (a value) or remove (nullopt) in the child only.
    std::vector<std::pair<std::string, std::optional<std::string>>> env{};
    bool closeStandardError = false;  // the child starts with its standard error closed
    std::string workingDirectory{};   // the child's; empty keeps the parent's
    std::vector<std::string> args{};  // further arguments after the child's name
    std::string program{};            // another copy of this test program to run (a path); empty runs this one
    std::string standardInput{};      // a file the child reads as its standard input; empty: none
};

struct ChildResult {
    int exitCode = -1;          // as the platform reports it (Wine: 0xFFFFFFFF for exit(-1))
    std::string standardOutput; // line ends as written (CR LF on Windows text streams)
    std::string standardError;
};

// Registers a child body under a name; its result is the child's exit code.
struct Child {
    Child(const char *name, std::function<int(const std::vector<std::string> &args)> body);
};

// Runs the registered child NAME in a new process and waits for it.
ChildResult runChild(const std::string &name, const ChildOptions &options = {});

// The exit status a child that called exit(-1) shows to its parent.
int exitStatusMinusOne();

// Text with the carriage returns of CR LF line ends removed.
inline std::string withoutCarriageReturns(std::string text) { return std::erase(text, '\r'), text; }

// Internal: the path of this test program, set by main.
const std::string &programPath();

}  // namespace qoru_test

#endif
