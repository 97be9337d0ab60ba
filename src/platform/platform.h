// The one internal interface to the operating system and the C runtime.
// Every module takes its outside services from here; only the files under
// posix/ and windows/ include operating-system headers. Each group below is
// implemented by both platforms with the same results for the callers.
#ifndef QORU_PLATFORM_H
#define QORU_PLATFORM_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace plat {

// ---- Standard streams -------------------------------------------------------
FILE *standardInput();
FILE *standardOutput();
FILE *standardError();

// ---- Process and time -------------------------------------------------------
int32_t processId();
// Seconds since 1970-01-01 00:00 UTC.
int64_t calendarTime();
// The value of an environment variable, or null when it is not set.
const char *getEnv(const char *name);

// ---- Narrow formatting --------------------------------------------------------
// Formats into buf with the "-1 when cut" contract: a size of 0 returns -1 and
// writes nothing; a text that fits returns its length; a cut text is stored
// with a terminator in the last byte and -1 is returned.
int32_t formatNarrowV(char *buf, size_t size, const char *format, va_list args);
int32_t formatNarrow(char *buf, size_t size, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// ---- Integer text with a 32-bit long ----------------------------------------------
// The C runtime's strtol and strtoul where long is 32 bits: values outside the
// range clamp with errno ERANGE; strtoul negates a magnitude that fits.
int32_t strtol32(const char *text, char **end, int base);
uint32_t strtoul32(const char *text, char **end, int base);

// ---- Files and streams (opening by UTF-16 name, descriptors, error texts) ----

// ---- Floating-point text --------------------------------------------------------

// ---- Dynamic loading --------------------------------------------------------------

// ---- Initialization trace: console, message box, event log, error mode, services --

// ---- Once-only initialization ---------------------------------------------------

}  // namespace plat

#endif
