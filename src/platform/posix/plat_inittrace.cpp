// Outputs of the initialization trace on POSIX: standard error stands in for
// the console, syslog for the event log; there is no message box.
#include "platform/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>
#include <wctype.h>

namespace plat {
namespace {

uint32_t gErrorMode = 0;

}  // namespace

bool standardErrorValid() {
    const int fd = fileno(stderr);
    return fd >= 0 && fcntl(fd, F_GETFD) != -1;
}

bool hasConsoleWindow() { return true; }

FILE *createTraceFile(const char *name) {
    // No-follow and non-blocking: a planted link is refused, a planted FIFO
    // does not stall the open; only a regular file with a single link is
    // then accepted and emptied.
    int fd = open(name, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 || ftruncate(fd, 0) != 0) {
        close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // With standard error closed the file would take descriptor 2 and later
    // pass for a valid standard error: keep it above the standard three.
    if (fd <= 2) {
        const int high = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        close(fd);
        if (high < 0) return nullptr;
        fd = high;
    }
    FILE *stream = fdopen(fd, "w");
    if (stream == nullptr) close(fd);
    return stream;
}

void showMessageBox(const char *, const char *) {}

void reportErrorEvent(const char *source, const char *text) {
    openlog(source, LOG_PID, LOG_USER);
    syslog(LOG_ERR, "%s", text);
    closelog();
}

uint32_t readErrorMode() { return gErrorMode; }

uint32_t setErrorMode(uint32_t mode) {
    const uint32_t previous = gErrorMode;
    gErrorMode = mode;
    return previous;
}

// No process tree of services here: the snapshot is empty.
void *openProcessSnapshot() {
    static int emptySnapshot;
    return &emptySnapshot;
}

bool nextProcess(void *, bool, ProcessEntry &) { return false; }

void closeProcessSnapshot(void *) {}

bool wideClassIs(char16_t unit, uint16_t mask) {
    const wint_t c = unit;
    return ((mask & 0x0001) && iswupper(c)) || ((mask & 0x0002) && iswlower(c)) ||
           ((mask & 0x0004) && iswdigit(c)) || ((mask & 0x0008) && iswspace(c)) ||
           ((mask & 0x0010) && iswpunct(c)) || ((mask & 0x0020) && iswcntrl(c)) ||
           ((mask & 0x0040) && iswblank(c)) || ((mask & 0x0100) && iswalpha(c));
}

char16_t wideUpper(char16_t unit) {
    const wint_t upper = towupper(unit);
    return upper <= 0xFFFF ? static_cast<char16_t>(upper) : unit;
}

}  // namespace plat
