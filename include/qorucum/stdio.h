/* UTF-16 text on UTF-8 streams and files: opening by UTF-16 names, error
 * texts, stream input and output, field readers, the printf and scanf
 * families. */
#ifndef QORUCUM_STDIO_H
#define QORUCUM_STDIO_H

#include <stdarg.h>
#include <stdio.h>

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/* ---- Files and error texts ---- */

/* Opens the file named by the UTF-16 path with the C runtime's open flags and,
 * when the flags ask for a new file to be made (O_CREAT, and O_TMPFILE on
 * Linux), a third argument: the permission mode. The flag and mode values are
 * those of the C runtime the library runs on, from its <fcntl.h> and
 * <sys/stat.h>: on Windows O_CREAT is _O_CREAT (0x100) and the mode
 * _S_IREAD | _S_IWRITE; on Linux O_CREAT is 0100 (octal) and the mode 0644 and
 * the like. Without the create flag the mode 0 is used, whatever follows.
 * Returns the descriptor, or -1 with the C runtime's errno. On POSIX the name
 * is opened as UTF-8; a name with an unpaired surrogate has no UTF-8 form and
 * fails with EILSEQ. A null path fails with EINVAL. At trace level 16 every
 * successful opening is traced with the name and descriptor. */
QORUCUM_API int32_t openU16(const charU16 *path, int32_t oflag, ...);
/* fopen by UTF-16 name and mode (the mode is ASCII: "r", "w+b", ...). Null
 * path or mode: null with EINVAL. */
QORUCUM_API FILE *fopenU16(const charU16 *path, const charU16 *mode);
/* freopen by UTF-16 name and mode; as with freopen, the stream is closed
 * when the new opening fails. The path may not be null (EINVAL) and a null
 * stream fails with EBADF: then the stream is left as it was. */
QORUCUM_API FILE *freopenU16(const charU16 *path, const charU16 *mode, FILE *stream);
/* The C runtime's text for an error number, in a static buffer of 512 units
 * that the next call overwrites (not thread-safe: the buffer is process-wide
 * and kept without a lock; perrorU16 does not use it); null when the runtime
 * has no text. A text
 * that is not valid UTF-8 is replaced by "Could not convert error no. N to
 * UTF-16 characters" (errno EILSEQ); a text of 512 units or more keeps its
 * first 511 units (errno ENAMETOOLONG). */
QORUCUM_API charU16 *strerrorU16(int32_t errnum);

/* ---- Stream output ---- */

/* Stream output writes UTF-8: a surrogate pair within one call becomes one
 * four-byte sequence, any other surrogate '#'. Nothing is flushed. Each call
 * holds the stream's lock while it writes, so the text of one call comes out
 * whole when threads share a stream. */

/* The low 16 bits of c as one UTF-8 sequence of one to three bytes (a
 * surrogate unit too); returns c, or EOF at the first byte refused (a null
 * stream: EBADF). */
QORUCUM_API int fputcU16(int c, FILE *stream);
/* Writes s without its terminator; returns the UTF-8 bytes written, or -1
 * when a block write wrote nothing (null stream: EBADF; null s: EINVAL). */
QORUCUM_API int fputsU16(const charU16 *s, FILE *stream);
/* Writes s and a line feed to the standard output; returns the bytes of
 * both, or -1 when either write wrote nothing. */
QORUCUM_API int putsU16(const charU16 *s);
/* fwrite for code units: size counts units; returns the whole elements
 * written (null stream: 0 with EBADF). */
QORUCUM_API size_t fwriteU16(const charU16 *units, size_t size, size_t count, FILE *stream);
/* Writes s, ": ", the error text of errno and a line feed to the standard
 * error stream; a null s writes the error text alone. */
QORUCUM_API void perrorU16(const charU16 *s);

/* ---- Stream input ---- */
/* Stream input reads UTF-8 one sequence at a time. An invalid sequence reads
 * as '#' (0x23) with errno EILSEQ; the byte that broke a sequence (one that
 * cannot continue it) stays in the stream and is read next. Overlong forms
 * and values above U+10FFFF are invalid; encoded surrogates are accepted. */

/* One code unit, or EOF at end of file or on a read error. A supplementary
 * character cannot be one unit: it reads as U+FFFD and is reported as
 * invalid input. Invalid input is reported at trace level 1 and above, at
 * most 99 times in a row (then once an hour). Not thread-safe in that count:
 * it is one process-wide counter, shared by every stream and thread without
 * a lock, so readers in several threads share one budget of reports. */
QORUCUM_API int32_t fgetcU16(FILE *stream);
/* Reads a line (its line feed kept) into buf of n units, terminated; a pair
 * that does not fit keeps its high surrogate. Returns buf, or null at end of
 * file before any unit or when the stream's error indicator is set (null
 * buf or stream: null with EBADF; n below 1: null with EINVAL, nothing
 * written). */
QORUCUM_API charU16 *fgetsU16(charU16 *buf, int32_t n, FILE *stream);
/* Reads a line from the standard input without its line feed. It has no
 * bound, like the C runtime's gets: prefer gets_sU16. At end of file with
 * nothing read, returns null and leaves buf untouched. */
QORUCUM_API charU16 *getsU16(charU16 *buf);
/* Reads at most size - 1 units of a line from the standard input (the line
 * feed is consumed, not stored); the rest of a longer line stays for the
 * next call. Returns buf, or null (size 0; end of file before any unit or a
 * read error, with buf emptied). */
QORUCUM_API charU16 *gets_sU16(charU16 *buf, size_t size);
/* Reads up to size x count units; returns the whole elements of size units
 * stored (a trailing partial element is stored but not counted). */
QORUCUM_API size_t freadU16(charU16 *buf, size_t size, size_t count, FILE *stream);

/* ---- Field readers ---- */
/* A word (ended by white space, which is consumed) or a line (its line feed
 * kept) into buf of n units, terminated. Bytes of an invalid sequence are
 * stored as themselves when ASCII, as repl otherwise. Returns the units
 * stored, -1 at end of file before anything or when the stream's error
 * indicator is set, -2 when the field held invalid input. n below 1: -1 with
 * EINVAL, nothing written. */
QORUCUM_API int32_t fget_strU16(charU16 *buf, int32_t n, FILE *stream, charU16 repl);
QORUCUM_API int32_t fget_lineU16(charU16 *buf, int32_t n, FILE *stream, charU16 repl);
/* A decimal integer after white space, into *out (32 bits). Returns 0, 1 when
 * out of range (*out holds the limit), -1 at end of file or on a read error,
 * -2 when no digit starts the field (*out holds the character found). */
QORUCUM_API int32_t fget_longU16(int32_t *out, FILE *stream);
QORUCUM_API int32_t fget_intU16(int32_t *out, FILE *stream);

/* ---- The scanf family ---- */
/* Reads by a UTF-16 format. Text targets (%c, %s, %[) receive UTF-16 units
 * whatever the length modifier; %ld stores 32 bits, %lld, %zd and %p 64.
 * Returns the conversions stored, 0 when the first one failed, or -1 when
 * the input ended before the first (null stream or string: -1 with EBADF).
 * From a stream, a non-ASCII unit read past the last field is consumed. */
QORUCUM_API int32_t scanfU16(const charU16 *format, ...);
QORUCUM_API int32_t fscanfU16(FILE *stream, const charU16 *format, ...);
QORUCUM_API int32_t sscanfU16(const charU16 *string, const charU16 *format, ...);

/**
 * @brief Reads the standard input by a UTF-16 format, the arguments given as a va_list.
 *
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param args   The targets, as scanfU16 takes them.
 * @return What scanfU16 returns for the same input and targets.
 * @par Errors
 * As scanfU16.
 */
QORUCUM_API int32_t vscanfU16(const charU16 *format, va_list args);

/**
 * @brief Reads a UTF-8 stream by a UTF-16 format, the arguments given as a va_list.
 *
 * @param stream The stream to read; must not be null.
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param args   The targets, as fscanfU16 takes them.
 * @return What fscanfU16 returns for the same input and targets.
 * @par Errors
 * As fscanfU16: EBADF for a null stream, EINVAL for a null format.
 */
QORUCUM_API int32_t vfscanfU16(FILE *stream, const charU16 *format, va_list args);

/**
 * @brief Reads a UTF-16 string by a UTF-16 format, the arguments given as a va_list.
 *
 * @param string Null-terminated UTF-16 input; must not be null.
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param args   The targets, as sscanfU16 takes them.
 * @return What sscanfU16 returns for the same input and targets.
 * @par Errors
 * As sscanfU16: EBADF for a null string, EINVAL for a null format.
 */
QORUCUM_API int32_t vsscanfU16(const charU16 *string, const charU16 *format, va_list args);

/* ---- The printf family ---- */
/* Formats a UTF-16 format string. Sizes and results count UTF-16 code units;
 * stream targets receive UTF-8. Results are the units output, or -1 with
 * errno EBADF (null stream or buffer), EINVAL (null format), ENOMEM (a
 * directive whose text could not be allocated; what came before it stays,
 * terminated) or after a format error. snprintfU16 returns size when it had to cut the text,
 * sprintf_sU16 -1, snprintf_sU16 size (-1 on a format error). */
QORUCUM_API int32_t printfU16(const charU16 *format, ...);
QORUCUM_API int32_t vprintfU16(const charU16 *format, va_list args);
QORUCUM_API int32_t fprintfU16(FILE *stream, const charU16 *format, ...);
QORUCUM_API int32_t vfprintfU16(FILE *stream, const charU16 *format, va_list args);
QORUCUM_API int32_t sprintfU16(charU16 *buffer, const charU16 *format, ...);
QORUCUM_API int32_t vsprintfU16(charU16 *buffer, const charU16 *format, va_list args);
QORUCUM_API int32_t snprintfU16(charU16 *buffer, size_t size, const charU16 *format, ...);
QORUCUM_API int32_t vsnprintfU16(charU16 *buffer, size_t size, const charU16 *format, va_list args);
QORUCUM_API int32_t sprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, ...);
QORUCUM_API int32_t vsprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, va_list args);
QORUCUM_API int32_t snprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, ...);
QORUCUM_API int32_t vsnprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, va_list args);

/**
 * @brief Counts the code units a formatted text needs, writing nothing.
 *
 * Allocate count + 1 units for the terminator. Counting costs no memory in proportion to the text.
 *
 * @param format Null-terminated UTF-16 format; must not be null.
 * @return The units the whole text needs, without the terminator; -1 after a format error, for a null
 *         format, when a directive's text could not be allocated, or when the count passes INT32_MAX.
 * @par Errors
 * EINVAL for a null format; ENOMEM when a directive's text could not be allocated; EOVERFLOW when the
 * count passes INT32_MAX. A format error is reported on the trace channel, as by printfU16.
 * @par Differs from C
 * The Windows C runtime's _scwprintf; standard C asks snprintf with a null buffer and size 0, for which
 * snprintfU16 returns 0.
 */
QORUCUM_API int32_t scprintfU16(const charU16 *format, ...);

/**
 * @brief Counts the code units a formatted text needs, the arguments given as a va_list.
 *
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param args   The arguments of the format.
 * @return As scprintfU16.
 * @par Errors
 * As scprintfU16.
 * @par Differs from C
 * The Windows C runtime's _vscwprintf.
 */
QORUCUM_API int32_t vscprintfU16(const charU16 *format, va_list args);

QORUCUM_EXTERN_C_END

#endif
