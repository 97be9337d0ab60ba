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

struct ChildOptions {
    // Variables to set (a value) or remove (nullopt) in the child only.
    std::vector<std::pair<std::string, std::optional<std::string>>> env;
    // Start the child with its standard error closed.
    bool closeStandardError = false;
    // Working directory of the child; empty keeps the parent's.
    std::string workingDirectory;
    // Further arguments after the child's name.
    std::vector<std::string> args;
    // Another copy of this test program to run (a path); empty runs this one.
    std::string program;
    // A file the child reads as its standard input; empty: none.
    std::string standardInput;
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
std::string withoutCarriageReturns(std::string text);

// Internal: the path of this test program, set by main.
const std::string &programPath();

}  // namespace qoru_test

#endif
