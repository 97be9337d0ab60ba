#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "child.h"
#include "temp_path.h"

namespace qoru_test {

int exitStatusMinusOne() { return 255; }

ChildResult runChild(const std::string &name, const ChildOptions &options) {
    const TempPath out, err;
    const pid_t pid = fork();
    if (pid == 0) {
        const auto redirect = [](const std::string &path, int fd, int flags) {
            const int opened = open(path.c_str(), flags, 0600);
            if (opened < 0 || dup2(opened, fd) < 0) _exit(125);
        };
        redirect(out.narrow(), 1, O_WRONLY | O_CREAT | O_TRUNC);
        if (!options.standardInput.empty()) redirect(options.standardInput, 0, O_RDONLY);
        if (options.closeStandardError) close(2);
        else redirect(err.narrow(), 2, O_WRONLY | O_CREAT | O_TRUNC);
        for (const auto &[key, value] : options.env)
            value ? setenv(key.c_str(), value->c_str(), 1) : unsetenv(key.c_str());
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) _exit(126);
        // This program's path (not argv[0], relative after the chdir, nor /proc/self/exe: Valgrind's under it).
        char self[4096] = {};
        if (options.program.empty() && readlink("/proc/self/exe", self, sizeof self - 1) < 0) _exit(127);
        std::vector<std::string> args{options.program.empty() ? self : options.program, "--child", name};
        args.insert(args.end(), options.args.begin(), options.args.end());
        // A cross build's programs run under an emulator (words split at blanks), which starts the child as well.
        if (const char *emulator = getenv("QORU_TEST_EMULATOR")) {
            std::vector<std::string> words;
            for (std::istringstream in(emulator); in >> words.emplace_back();) {}
            words.pop_back();
            // qemu-user sets its own "-E KEY=VALUE" variables over the environment it starts with: where the child
            // changes one of them, the change follows as another option, which wins.
            for (size_t i = 0, n = words.size(); i + 1 < n; ++i) {
                if (words[i] != "-E") continue;
                const std::string key = words[i + 1].substr(0, words[i + 1].find('='));
                for (const auto &[k, value] : options.env) {
                    if (k != key) continue;
                    words.push_back(value ? "-E" : "-U");
                    words.push_back(value ? key + "=" + *value : key);
                }
            }
            args.insert(args.begin(), words.begin(), words.end());
        }
        std::vector<char *> argv;
        for (auto &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0) ADD_FAILURE() << "child " << name << " did not start: fork failed, errno " << errno;
    else waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), out.contents(), err.contents()};
}

}  // namespace qoru_test
