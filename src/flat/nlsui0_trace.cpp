// The reporting pattern of the initialization trace and its trace file.
#include "flat/nlsui0_trace.h"

#include <cstring>

#include "i18n/qoru16/u16_aux.h"
#include "i18n/qoru16/u16_path.h"

namespace qoru {
namespace {

constexpr char messageBoxCaption[] = "I18N Initialization";
constexpr char eventSource[] = "QOR-UNICODE";
constexpr uint32_t quietErrorMode = 0x8003;  // fail critical errors, no fault box, no open-file box

FILE *gTraceFile = nullptr;
plat::OnceFlag gTraceFileOnce;

// Reports name the binder's file without its directories.
const char *baseName(const char *path) {
    const char *name = path;
    for (const char *p = path; *p != '\0'; ++p)
        if (*p == '/' || *p == '\\') name = p + 1;
    return name;
}

void pad(FILE *out, int32_t written) {
    if (gInitTraceLevel >= traceMedium && written >= 0 && written < initTracePadColumn)
        fprintf(out, "%*s", initTracePadColumn - written, "");
}

void openTraceFile() {
    char name[pathCapacity + 1];
    plat::formatNarrow(name, sizeof name, "nlsui_init_trc_file_%u.trc",
                       static_cast<unsigned>(plat::processId()));
    gTraceFile = plat::createTraceFile(name);
}

}  // namespace

int32_t gInitTraceLevel = 1;
void (*gInitTraceMessageBox)(const char *, const char *) = plat::showMessageBox;
void (*gInitTraceEvent)(const char *, const char *) = plat::reportErrorEvent;

void initTraceLineFeed() { fputc('\n', plat::standardError()); }

void initTrace(int32_t level, InitTraceFormat format, ...) {
    if (gInitTraceLevel < level) return;
    const char *source = baseName(format.file);
    const int32_t line = format.line;
    va_list args;
    va_start(args, format);
    if (plat::standardErrorValid() && plat::hasConsoleWindow()) {
        FILE *err = plat::standardError();
        const int32_t written = vfprintf(err, format.text, args);
        pad(err, written);
        fprintf(err, " [%s %d] pid = %d\n", source, line, plat::processId());
    } else {
        nlsui_init_trace(level, source, line, format.text, args);
    }
    va_end(args);
}

void nlsui_init_trace(int32_t level, const char *sourceName, int32_t line, const char *format,
                      va_list args) {
    // The file is tried once per process, whichever thread reports first.
    plat::runOnce(gTraceFileOnce, openTraceFile);

    char message[initTraceMessageCapacity + 1];
    plat::formatNarrowV(message, sizeof message, format, args);
    message[initTraceMessageCapacity] = '\0';

    if (gTraceFile != nullptr) {
        fprintf(gTraceFile, "%s", message);
        pad(gTraceFile, static_cast<int32_t>(strlen(message)));
        fprintf(gTraceFile, " [%s %d] pid = %d\n", sourceName, line, plat::processId());
        fflush(gTraceFile);
    }
    if (level != 1) return;
    if ((plat::readErrorMode() & quietErrorMode) != quietErrorMode && isServiceProcess() == 0)
        gInitTraceMessageBox(message, messageBoxCaption);
    gInitTraceEvent(eventSource, message);
}

}  // namespace qoru
