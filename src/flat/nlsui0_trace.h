// The initialization trace of the ICU binder: its own level, the reporting
// pattern (standard error with a console, else the trace file, and for
// level-1 reports also a message box and an event-log entry), and the
// service detection that keeps services from raising message boxes.
#ifndef QORU_NLSUI0_TRACE_H
#define QORU_NLSUI0_TRACE_H

#include <cstdarg>
#include <cstdint>

#include "platform/platform.h"

namespace qoru {

// Initialization trace level: 0 none, 1 low (initial), 4 medium, 16 high.
extern int32_t gInitTraceLevel;

// Reports whose text is shorter than this column get blanks up to it at
// level 4 and above, so that the suffixes line up.
inline constexpr int32_t initTracePadColumn = 79;
// A message written through the trace file holds at most this many bytes.
inline constexpr size_t initTraceMessageCapacity = 1024;

// A narrow printf format together with the place of the reporting statement,
// which the report's suffix names.
struct InitTraceFormat {
    const char *text;
    const char *file;
    int32_t line;
    // The builtins take the caller's file and line, like std::source_location,
    // with every compiler the library is built with.
    InitTraceFormat(const char *format, const char *callerFile = __builtin_FILE(),
                    int32_t callerLine = __builtin_LINE())
        : text(format), file(callerFile), line(callerLine) {}
};

// The reporting pattern: writes one report when the initialization trace
// level is at least level, else nothing.
void initTrace(int32_t level, InitTraceFormat format, ...);

// One line feed straight to the standard error stream (not a report).
void initTraceLineFeed();

// The writer behind the pattern when there is no console: trace file, and
// for level 1 the message box and the event log.
void nlsui_init_trace(int32_t level, const char *sourceName, int32_t line, const char *format,
                      va_list args);

// The outputs of level-1 reports without a console. Tests replace them to
// watch what would be shown.
extern void (*gInitTraceMessageBox)(const char *text, const char *caption);
extern void (*gInitTraceEvent)(const char *source, const char *text);

// Nonzero when the process counts as a service: -1 when no snapshot could be
// taken, 1 when it descends from a SERVICES.EXE started by WINLOGON.EXE.
int32_t isServiceProcess();
// The walk behind it, over any source of snapshot entries.
using ProcessSource = bool (*)(void *context, bool first, plat::ProcessEntry &entry);
int32_t findServiceAncestry(ProcessSource next, void *context, uint32_t ownProcessId);

}  // namespace qoru

#endif
