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
/**
 * @brief Writes size x count code units to a stream as UTF-8.
 *
 * The units go out in blocks of at most 510 bytes. When the stream takes
 * only part of a block, the writing stops there.
 *
 * @param units  The units to write; must not be null when size and count are not 0.
 * @param size   Units per element (not bytes).
 * @param count  Number of elements.
 * @param stream Target stream; must not be null.
 * @return The number of whole elements whose UTF-8 bytes all went out; 0 when
 *         size or count is 0 or on an argument error. Never -1.
 * @par Errors
 * EBADF when stream is null; EINVAL when units is null, or when size x count
 * units would not fit in memory. A refused write leaves the C runtime's errno.
 * @par Differs from C
 * size counts UTF-16 code units, and the bytes written are their UTF-8 form.
 */
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
/**
 * @brief Reads at most size - 1 units of a line from the standard input.
 *
 * The line feed is consumed, not stored; the rest of a longer line stays for
 * the next call.
 *
 * @param buf    Destination array, in code units; must not be null.
 * @param size   Capacity of buf in code units, terminator included; at most SIZE_MAX / 2.
 * @return buf; null for size 0, for a refused size or buffer, and at end of file
 *         before any unit or on a read error (buf then emptied).
 * @par Errors
 * EBADF when buf is null; EINVAL when size is above SIZE_MAX / 2 (nothing is
 * read or stored).
 * @par Differs from C
 * A line longer than the room is cut, not discarded, and calls no handler.
 */
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
/* Reading by a UTF-16 format. Text targets (%c, %s, %[) receive UTF-16 units
 * whatever the length modifier; %ld stores 32 bits, %lld, %zd and %p 64. A
 * field never takes more units than its width: a sign, the "0x" prefix and
 * the infinity and NaN spellings count toward it as digits do. */

/**
 * @brief Reads from the standard input by a UTF-16 format.
 *
 * As fscanfU16() on the standard input.
 *
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param ...    A pointer to the target of each conversion that is not
 *               suppressed, and an int before it for each "*" width.
 * @return The conversions stored, 0 when the first one failed, or -1 when
 *         the input ended before the first.
 * @par Errors
 * EBADF without a standard input; EINVAL for a null format; EILSEQ after
 * invalid UTF-8; ERANGE for a clamped number or an infinity.
 */
QORUCUM_API int32_t scanfU16(const charU16 *format, ...);

/**
 * @brief Reads from a UTF-8 stream by a UTF-16 format.
 *
 * A supplementary character arrives as its surrogate pair, as from a string
 * (%c of width 1 takes the high surrogate, and the next field the low one).
 * At most one unit is pushed back: an ASCII unit goes back to the stream,
 * but a non-ASCII unit read past the last field is consumed, and so is the
 * low surrogate of a pair whose high one the last field took. The stream is
 * locked for the whole call.
 *
 * @param stream The input stream; null fails with EBADF.
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param ...    The targets, as for scanfU16().
 * @return The conversions stored, 0 when the first one failed, or -1 when
 *         the input ended before the first.
 * @par Errors
 * EBADF for a null stream; EINVAL for a null format; EILSEQ after invalid
 * UTF-8; ERANGE for a clamped number or an infinity.
 */
QORUCUM_API int32_t fscanfU16(FILE *stream, const charU16 *format, ...);

/**
 * @brief Reads from a UTF-16 string by a UTF-16 format.
 *
 * The terminator ends the input; a surrogate pair is matched and stored unit
 * by unit. A field may be longer than INT32_MAX units; %lln counts them all.
 *
 * @param string Null-terminated UTF-16 input; null fails with EBADF.
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param ...    The targets, as for scanfU16().
 * @return The conversions stored, 0 when the first one failed, or -1 when
 *         the input ended before the first.
 * @par Errors
 * EBADF for a null string; EINVAL for a null format; ERANGE for a clamped
 * number or an infinity.
 */
QORUCUM_API int32_t sscanfU16(const charU16 *string, const charU16 *format, ...);

/* ---- The printf family ---- */
/* Each function formats a UTF-16 format string. Widths, precisions, sizes and
 * results count UTF-16 code units; stream targets receive UTF-8. Directives:
 * flags - + space # 0, a width and precision (digits or *), the lengths hh h l
 * ll j z t L I64, and the conversions d i u o x X p c s % a A e E f F g G. There
 * is no %n. h, hh, j, z and t read an int, l 32 bits, ll and I64 64 bits. L
 * reads the caller's long double (a double on Windows) and formats its value
 * rounded to a double. %a and %A without a precision are exact (shortest
 * hexadecimal digits). An infinity or NaN is padded with blanks, never zeros.
 * %c of a zero unit outputs that unit and is one unit wide. A format error
 * ends the call with -1 and leaves errno as it was; what came before it stays,
 * terminated for a buffer. EOVERFLOW: the text would exceed INT32_MAX units
 * (nothing more is output). */
/**
 * @brief Formats to the standard output as UTF-8.
 *
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param ...    The arguments.
 * @return The code units output, or -1 on a format error, a write failure or an error below.
 * @par Errors
 * EINVAL when format is null; EOVERFLOW when the output would exceed INT32_MAX
 * units; ENOMEM when a long text could not be allocated.
 * @par Differs from C
 * Results count UTF-16 code units, not bytes; see the family comment for the
 * conversions and lengths that differ.
 */
QORUCUM_API int32_t printfU16(const charU16 *format, ...);
/**
 * @brief Formats to the standard output as UTF-8. The va_list form of printfU16.
 *
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param args   The arguments, as a va_list.
 * @return The code units output, or -1 on a format error, a write failure or an error below.
 * @par Errors
 * EINVAL when format is null; EOVERFLOW when the output would exceed INT32_MAX
 * units; ENOMEM when a long text could not be allocated.
 * @par Differs from C
 * Results count UTF-16 code units, not bytes; see the family comment for the
 * conversions and lengths that differ.
 */
QORUCUM_API int32_t vprintfU16(const charU16 *format, va_list args);
/**
 * @brief Formats to a stream as UTF-8.
 *
 * @param stream Target stream; must not be null.
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param ...    The arguments.
 * @return The code units output, or -1 on a format error, a write failure or an error below.
 * @par Errors
 * EBADF when stream is null; EINVAL when format is null; EOVERFLOW when the
 * output would exceed INT32_MAX units; ENOMEM when a long text could not be
 * allocated.
 * @par Differs from C
 * Results count UTF-16 code units, not bytes; see the family comment for the
 * conversions and lengths that differ.
 */
QORUCUM_API int32_t fprintfU16(FILE *stream, const charU16 *format, ...);
/**
 * @brief Formats to a stream as UTF-8. The va_list form of fprintfU16.
 *
 * @param stream Target stream; must not be null.
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param args   The arguments, as a va_list.
 * @return The code units output, or -1 on a format error, a write failure or an error below.
 * @par Errors
 * EBADF when stream is null; EINVAL when format is null; EOVERFLOW when the
 * output would exceed INT32_MAX units; ENOMEM when a long text could not be
 * allocated.
 * @par Differs from C
 * Results count UTF-16 code units, not bytes; see the family comment for the
 * conversions and lengths that differ.
 */
QORUCUM_API int32_t vfprintfU16(FILE *stream, const charU16 *format, va_list args);
/**
 * @brief Formats into a buffer without a bound.
 *
 * @param buffer Destination array, in code units; must not be null.
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param ...    The arguments.
 * @return The length of the string stored, or -1.
 * @par Errors
 * EBADF when buffer is null; EINVAL when format is null; EOVERFLOW when the
 * output would exceed INT32_MAX units; ENOMEM when a long text could not be allocated.
 * @par Differs from C
 * Results count UTF-16 code units.
 */
QORUCUM_API int32_t sprintfU16(charU16 *buffer, const charU16 *format, ...);
/**
 * @brief Formats into a buffer without a bound. The va_list form of sprintfU16.
 *
 * @param buffer Destination array, in code units; must not be null.
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param args   The arguments, as a va_list.
 * @return The length of the string stored, or -1.
 * @par Errors
 * EBADF when buffer is null; EINVAL when format is null; EOVERFLOW when the
 * output would exceed INT32_MAX units; ENOMEM when a long text could not be allocated.
 * @par Differs from C
 * Results count UTF-16 code units.
 */
QORUCUM_API int32_t vsprintfU16(charU16 *buffer, const charU16 *format, va_list args);
/**
 * @brief Formats into a buffer of size units, cutting the text to fit.
 *
 * @param buffer Destination array, in code units; must not be null unless size is 0.
 * @param size   Capacity of buffer in code units, terminator included.
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param ...    The arguments.
 * @return The length of the string stored when it fits in size - 1 units; size when
 *         the text was cut (the last unit is then the terminator); 0 for a non-null buffer
 *         of size 0 (the format is not examined); -1 on an error.
 * @par Errors
 * EBADF when buffer is null and size is not 0; EINVAL when format is null;
 * EOVERFLOW when the units stored would exceed INT32_MAX; ENOMEM as for sprintfU16.
 * @par Differs from C
 * A cut text returns size, not the length the whole text would have had.
 */
QORUCUM_API int32_t snprintfU16(charU16 *buffer, size_t size, const charU16 *format, ...);
/**
 * @brief Formats into a buffer of size units, cutting the text to fit. The va_list form of snprintfU16.
 *
 * @param buffer Destination array, in code units; must not be null unless size is 0.
 * @param size   Capacity of buffer in code units, terminator included.
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param args   The arguments, as a va_list.
 * @return The length of the string stored when it fits in size - 1 units; size when
 *         the text was cut (the last unit is then the terminator); 0 for a non-null buffer
 *         of size 0 (the format is not examined); -1 on an error.
 * @par Errors
 * EBADF when buffer is null and size is not 0; EINVAL when format is null;
 * EOVERFLOW when the units stored would exceed INT32_MAX; ENOMEM as for sprintfU16.
 * @par Differs from C
 * A cut text returns size, not the length the whole text would have had.
 */
QORUCUM_API int32_t vsnprintfU16(charU16 *buffer, size_t size, const charU16 *format, va_list args);
/**
 * @brief Formats into a buffer of size units; a text that does not fit is an error.
 *
 * @param buffer Destination array, in code units; must not be null.
 * @param size   Capacity of buffer in code units, terminator included (at most SIZE_MAX / 2).
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param ...    The arguments.
 * @return The length of the string stored, or -1 when the text was cut (the buffer then
 *         holds its first size - 1 units, terminated), for size 0 and on an error.
 * @par Errors
 * EINVAL when size is above SIZE_MAX / 2 (nothing is stored) or format is null;
 * EBADF when buffer is null; size 0 leaves errno as it was; ENOMEM as for sprintfU16.
 * @par Differs from C
 * No constraint handler is called and a cut buffer is not cleared.
 */
QORUCUM_API int32_t sprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, ...);
/**
 * @brief Formats into a buffer of size units; a text that does not fit is an error. The va_list form of sprintf_sU16.
 *
 * @param buffer Destination array, in code units; must not be null.
 * @param size   Capacity of buffer in code units, terminator included (at most SIZE_MAX / 2).
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param args   The arguments, as a va_list.
 * @return The length of the string stored, or -1 when the text was cut (the buffer then
 *         holds its first size - 1 units, terminated), for size 0 and on an error.
 * @par Errors
 * EINVAL when size is above SIZE_MAX / 2 (nothing is stored) or format is null;
 * EBADF when buffer is null; size 0 leaves errno as it was; ENOMEM as for sprintfU16.
 * @par Differs from C
 * No constraint handler is called and a cut buffer is not cleared.
 */
QORUCUM_API int32_t vsprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, va_list args);
/**
 * @brief Formats into a buffer of size units, cutting the text to fit.
 *
 * @param buffer Destination array, in code units; must not be null.
 * @param size   Capacity of buffer in code units, terminator included (at most SIZE_MAX / 2).
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param ...    The arguments.
 * @return The length of the string stored; size when the text was cut (the last unit
 *         is then the terminator); 0 for size 0; -1 on an error (what was output
 *         before it stays, terminated right after it; a null format leaves an empty string).
 * @par Errors
 * EINVAL when size is above SIZE_MAX / 2 (nothing is stored) or format is null;
 * EBADF when buffer is null; ENOMEM as for sprintfU16.
 * @par Differs from C
 * A cut text returns size; no constraint handler is called.
 */
QORUCUM_API int32_t snprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, ...);
/**
 * @brief Formats into a buffer of size units, cutting the text to fit. The va_list form of snprintf_sU16.
 *
 * @param buffer Destination array, in code units; must not be null.
 * @param size   Capacity of buffer in code units, terminator included (at most SIZE_MAX / 2).
 * @param format Null-terminated UTF-16 format; must not be null.
 * @param args   The arguments, as a va_list.
 * @return The length of the string stored; size when the text was cut (the last unit
 *         is then the terminator); 0 for size 0; -1 on an error (what was output
 *         before it stays, terminated right after it; a null format leaves an empty string).
 * @par Errors
 * EINVAL when size is above SIZE_MAX / 2 (nothing is stored) or format is null;
 * EBADF when buffer is null; ENOMEM as for sprintfU16.
 * @par Differs from C
 * A cut text returns size; no constraint handler is called.
 */
QORUCUM_API int32_t vsnprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, va_list args);

QORUCUM_EXTERN_C_END

#endif
