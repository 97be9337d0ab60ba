// The trace channel: process-wide level and sink, the message frame, the two
// dumps and the array-too-small report. Every module reports through here.
#ifndef QORU_U16_AUX_H
#define QORU_U16_AUX_H

#include "qorucum/trace.h"

namespace qoru {

// Named trace levels; callers test the level before they format anything.
inline constexpr int32_t traceNone = NLSUI_TRACE_NONE;
inline constexpr int32_t traceLow = NLSUI_TRACE_LOW;
inline constexpr int32_t traceMedium = NLSUI_TRACE_MEDIUM;
inline constexpr int32_t traceHigh = NLSUI_TRACE_HIGH;

// The level and sink live in plain globals, read without a lock.
extern int32_t gTraceLevel;
extern nlsui_trace_func gTraceSink;

inline int32_t traceLevel() { return gTraceLevel; }

// Hands one line (or one message) to the sink.
void traceLine(const char *text, int32_t length);
// Hands a zero-terminated line to the sink.
void traceLine(const char *text);
// The closing line of a composite report.
void traceEndOfMessage();

// Writes one message in the channel's frame with one sink call. The caller
// has tested the level.
void traceMessageU16(const char *text, const char *sourceName, int32_t line, bool withTrailer);

// Hex dumps: 16 bytes or 8 code units a line, one sink call per line.
void traceBytesU16(const void *bytes, int32_t count);
void traceCharsU16(const charU16 *units, int32_t count);

// The array-too-small report, written when the level is above 0.
void traceArrayTooSmall(const char *function, const char *array, const char *sizeName,
                        const char *sourceName, int32_t line);

// The stored command line, replaced by nlsui_store_cmdline.
inline constexpr size_t commandLineCapacity = 256;
void storeCommandLine(const char *text, size_t length);

}  // namespace qoru

#endif
