/**
 * @file qorucum/trace.h
 * @brief Trace channel control: level, output function and the command line
 *        shown in the first message.
 */
#ifndef QORUCUM_TRACE_H
#define QORUCUM_TRACE_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/**
 * @defgroup qorucum_trace Trace channel
 * @brief Where and how much the library reports its own trouble.
 *
 * The library reports invalid input, results too long for its arrays, format
 * errors and (at level 16) opened files as narrow-text messages in one frame:
 * a header line "--- Unicode interface [FILE line N] pid = P time = T:", on
 * the first message of the process the stored command line ("Cmdline : ...")
 * and an empty line, the text, and the line "--- Unicode interface ------ End
 * of message ------". The level starts at 4 (medium); the default output
 * function writes each message to standard error followed by a line feed. The
 * ICU loader reports on a trace of its own (see nlsui_initialize()).
 *
 * Not thread-safe: the level, the output function and the stored command line
 * are process-wide and kept without a lock. Set them before other threads use
 * the library. Messages themselves may come from several threads at once: the
 * output function must accept concurrent calls. NLSUI_TRACE_LEVEL, when set
 * to none, low, medium or high, is applied by the first use of the character
 * functions (or nlsui_initialize()): make that first use before other threads
 * start too. These functions set no errno.
 * @{
 */

/**
 * @brief An output function: receives one finished message or line of narrow
 *        text.
 *
 * The text is not null-terminated and may hold line feeds; each call ends one
 * output line. The result is not used.
 */
typedef int32_t (*nlsui_trace_func)(const char *text, int32_t length);

/** @brief Named trace levels; other values are stored as they are. */
enum {
    NLSUI_TRACE_NONE = 0,  /**< Nothing is reported. */
    NLSUI_TRACE_LOW = 1,   /**< Invalid input, results too long for their arrays, allocation failures. */
    NLSUI_TRACE_MEDIUM = 4, /**< Also format errors of the printf and scanf families (the initial level). */
    NLSUI_TRACE_HIGH = 16  /**< Also every file opened by name, and the integer parsers' traces. */
};

/**
 * @brief Sets the trace level and, unless sink is null, the output function.
 *
 * Then announces the change with the message "U16 trace level set to NAME"
 * through the new output function, unless the new level is 0 or below and
 * the previous one was 4 or below.
 *
 * @param sink   The new output function, or null to keep the current one.
 * @param level  The new level: one of the NLSUI_TRACE_ values or any other
 *               value (a report is written when the level reaches its guard).
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API void nlsui_set_trace(nlsui_trace_func sink, int32_t level);

/**
 * @brief Replaces the output function unless sink is null.
 *
 * Writes nothing and leaves the level as it was.
 *
 * @param sink   The new output function, or null to keep the current one.
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API void nlsui_set_trace_func(nlsui_trace_func sink);

/**
 * @brief Stores the command line shown in the first message of the process.
 *
 * Keeps at most 256 characters: the arguments joined by blanks, each unit
 * above U+007F as '#'. A command line stored after the first message is
 * never shown.
 *
 * @param argc   The number of arguments in argv.
 * @param argv   Null-terminated UTF-16 arguments; may be null (an empty
 *               command line).
 * @par Errors
 * None: errno is left as it was.
 */
QORUCUM_API void nlsui_store_cmdline(int32_t argc, charU16 *const *argv);

/** @} */

QORUCUM_EXTERN_C_END

#endif
