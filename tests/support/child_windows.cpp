#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "child.h"
#include "temp_path.h"

namespace qoru_test {
namespace {

std::wstring widen(const std::string &s) {
    std::wstring w(s.size() * 2 + 1, L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, w.data(), static_cast<int>(w.size()));
    w.resize(n > 0 ? n - 1 : 0);
    return w;
}

// A handle the child inherits: a file to write from the start, or one to read.
HANDLE inheritable(const std::wstring &path, bool write) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE capture(const TempPath &path) { return inheritable(std::wstring(path.u16().begin(), path.u16().end()), true); }

}  // namespace

int exitStatusMinusOne() { return -1; }

ChildResult runChild(const std::string &name, const ChildOptions &options) {
    // The child inherits this process's environment, changed here and put back once it has ended.
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> undo;
    for (const auto &[key, value] : options.env) {
        const std::wstring k = widen(key);
        const DWORD size = GetEnvironmentVariableW(k.c_str(), nullptr, 0);  // 0: not set
        std::wstring old(size, L'\0');
        old.resize(GetEnvironmentVariableW(k.c_str(), old.data(), size));
        undo.emplace_back(k, size != 0 ? std::optional(old) : std::nullopt);
        SetEnvironmentVariableW(k.c_str(), value ? widen(*value).c_str() : nullptr);
    }
    const TempPath outPath, errPath;
    HANDLE out = capture(outPath), err = options.closeStandardError ? nullptr : capture(errPath);
    HANDLE in = options.standardInput.empty() ? nullptr : inheritable(widen(options.standardInput), false);

    const std::string &program = options.program.empty() ? programPath() : options.program;
    std::wstring command = L"\"" + widen(program) + L"\" --child " + widen(name);
    for (const auto &a : options.args) command += L" \"" + widen(a) + L"\"";

    STARTUPINFOW si{.cb = sizeof(STARTUPINFOW), .dwFlags = STARTF_USESTDHANDLES, .hStdInput = in, .hStdOutput = out,
                    .hStdError = err};
    PROCESS_INFORMATION pi{};
    ChildResult result;
    std::wstring cwd = widen(options.workingDirectory);
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, cwd.empty() ? nullptr : cwd.c_str(),
                       &si, &pi)) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        result.exitCode = static_cast<int>(code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    } else {
        // Said apart from the child's own result: Windows shows a child's exit(-1) as -1 too.
        ADD_FAILURE() << "child " << name << " did not start: CreateProcessW error " << GetLastError();
    }
    for (auto it = undo.rbegin(); it != undo.rend(); ++it)
        SetEnvironmentVariableW(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
    for (HANDLE h : {out, err, in})
        if (h) CloseHandle(h);
    result.standardOutput = outPath.contents();
    result.standardError = errPath.contents();
    return result;
}

}  // namespace qoru_test
