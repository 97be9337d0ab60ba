/* Trace channel control: level, output function and the command line shown
 * in the first message.
 *
 * Not thread-safe: the level, the output function and the stored command
 * line are process-wide and kept without a lock. Set them before other
 * threads use the library. Messages themselves may come from several threads
 * at once: the output function must accept concurrent calls (the default one
 * writes to standard error). NLSUI_TRACE_LEVEL, when set, is applied by the
 * first use of the character functions (or nlsui_initialize): make that
 * first use before other threads start too. */
#ifndef QORUCUM_TRACE_H
#define QORUCUM_TRACE_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/* Receives one finished line (or message) of narrow text; the result is not used. */
typedef int32_t (*nlsui_trace_func)(const char *text, int32_t length);

/* Named trace levels; other values are stored as they are. */
enum {
    NLSUI_TRACE_NONE = 0,
    NLSUI_TRACE_LOW = 1,
    NLSUI_TRACE_MEDIUM = 4,
    NLSUI_TRACE_HIGH = 16
};

/* Sets the level and, unless sink is null, the output function. */
QORUCUM_API void nlsui_set_trace(nlsui_trace_func sink, int32_t level);
/* Replaces the output function unless sink is null. */
QORUCUM_API void nlsui_set_trace_func(nlsui_trace_func sink);
/* Stores at most 256 characters of the command line (non-ASCII units as '#'). */
QORUCUM_API void nlsui_store_cmdline(int32_t argc, charU16 *const *argv);

QORUCUM_EXTERN_C_END

#endif
