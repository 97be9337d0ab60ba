/* UTF-16 text on UTF-8 streams and files: opening by UTF-16 names, error
 * texts, stream output and the printf family. */
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
 * that the next call overwrites; null when the runtime has no text. A text
 * that is not valid UTF-8 is replaced by "Could not convert error no. N to
 * UTF-16 characters" (errno EILSEQ); a text of 512 units or more keeps its
 * first 511 units (errno ENAMETOOLONG). */
QORUCUM_API charU16 *strerrorU16(int32_t errnum);

/* ---- Stream output ---- */

/* Stream output writes UTF-8: a surrogate pair within one call becomes one
 * four-byte sequence, any other surrogate '#'. Nothing is flushed. */

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

/* ---- The printf family ---- */
/* Formats a UTF-16 format string. Sizes and results count UTF-16 code units;
 * stream targets receive UTF-8. Results are the units output, or -1 with
 * errno EBADF (null stream or buffer), EINVAL (null format) or after a
 * format error. snprintfU16 returns size when it had to cut the text,
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

QORUCUM_EXTERN_C_END

#endif
