// Outputs of the initialization trace on Windows: console query, message box,
// event log, error mode and the process snapshot.
#include "platform/platform.h"

#include <windows.h>
#include <io.h>
#include <tlhelp32.h>
#include <wctype.h>

#include <cstring>

namespace plat {

bool standardErrorValid() {
    const int fd = _fileno(stderr);
    if (fd < 0) return false;
    const intptr_t handle = _get_osfhandle(fd);
    return handle != -1 && handle != -2;
}

bool hasConsoleWindow() { return GetConsoleWindow() != nullptr; }

FILE *createTraceFile(const char *name) { return fopen(name, "w"); }

void showMessageBox(const char *text, const char *caption) { MessageBoxA(nullptr, text, caption, 0); }

void reportErrorEvent(const char *source, const char *text) {
    // Both texts are widened byte by byte, without a code-page conversion.
    wchar_t wideSource[64];
    size_t i = 0;
    for (; source[i] != '\0' && i + 1 < sizeof wideSource / sizeof wideSource[0]; ++i)
        wideSource[i] = static_cast<unsigned char>(source[i]);
    wideSource[i] = L'\0';
    wchar_t wideText[1025];
    for (i = 0; text[i] != '\0' && i + 1 < sizeof wideText / sizeof wideText[0]; ++i)
        wideText[i] = static_cast<unsigned char>(text[i]);
    wideText[i] = L'\0';

    HANDLE log = RegisterEventSourceW(nullptr, wideSource);
    if (log == nullptr) return;
    const wchar_t *strings[1] = {wideText};
    ReportEventW(log, EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(log);
}

uint32_t readErrorMode() {
    const UINT mode = SetErrorMode(0);
    SetErrorMode(mode);
    return mode;
}

uint32_t setErrorMode(uint32_t mode) { return SetErrorMode(mode); }

void *openProcessSnapshot() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    return snapshot == INVALID_HANDLE_VALUE ? nullptr : snapshot;
}

bool nextProcess(void *snapshot, bool first, ProcessEntry &entry) {
    PROCESSENTRY32W pe;
    pe.dwSize = sizeof pe;
    const BOOL ok = first ? Process32FirstW(snapshot, &pe) : Process32NextW(snapshot, &pe);
    if (!ok) return false;
    entry.processId = pe.th32ProcessID;
    entry.parentProcessId = pe.th32ParentProcessID;
    size_t i = 0;
    for (; pe.szExeFile[i] != L'\0' && i + 1 < sizeof entry.exeName / sizeof entry.exeName[0]; ++i)
        entry.exeName[i] = static_cast<char16_t>(pe.szExeFile[i]);
    entry.exeName[i] = u'\0';
    return true;
}

void closeProcessSnapshot(void *snapshot) { CloseHandle(snapshot); }

bool wideClassIs(char16_t unit, uint16_t mask) { return iswctype(unit, mask) != 0; }

char16_t wideUpper(char16_t unit) { return static_cast<char16_t>(towupper(unit)); }

}  // namespace plat
