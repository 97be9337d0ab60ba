#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "child.h"

namespace qoru_test {
namespace {

std::string readWhole(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

int exitStatusMinusOne() { return 255; }

ChildResult runChild(const std::string &name, const ChildOptions &options) {
    char outPath[] = "/tmp/qoru-child-out-XXXXXX";
    char errPath[] = "/tmp/qoru-child-err-XXXXXX";
    const int outFd = mkstemp(outPath);
    const int errFd = mkstemp(errPath);
    ChildResult result;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outFd, 1);
        if (!options.standardInput.empty()) {
            const int inFd = open(options.standardInput.c_str(), O_RDONLY);
            if (inFd < 0 || dup2(inFd, 0) < 0) _exit(125);
        }
        if (options.closeStandardError)
            close(2);
        else
            dup2(errFd, 2);
        for (const auto &[key, value] : options.env) {
            if (value)
                setenv(key.c_str(), value->c_str(), 1);
            else
                unsetenv(key.c_str());
        }
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) _exit(126);
        const std::string program = options.program.empty() ? programPath() : options.program;
        std::vector<std::string> args{program, "--child", name};
        args.insert(args.end(), options.args.begin(), options.args.end());
        std::vector<char *> argv;
        for (auto &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(outFd);
    close(errFd);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.standardOutput = readWhole(outPath);
    result.standardError = readWhole(errPath);
    unlink(outPath);
    unlink(errPath);
    return result;
}

}  // namespace qoru_test
