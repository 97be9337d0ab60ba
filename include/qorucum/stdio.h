/**
 * @file qorucum/stdio.h
 * @brief UTF-16 text on UTF-8 streams and files: opening by UTF-16 names,
 *        error texts, stream input and output, field readers, the printf and
 *        scanf families.
 */
#ifndef QORUCUM_STDIO_H
#define QORUCUM_STDIO_H

#include <stdarg.h>
#include <stdio.h>

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/**
 * @defgroup qorucum_files Files and error texts
 * @brief Opening files by UTF-16 names, and the C runtime's error texts in
 *        UTF-16.
 *
 * Errors are those of the C runtime, left in errno. At trace level 16 every
 * successful opening is traced with the name and descriptor.
 * @{
 */

/**
 * @brief Opens a file by a UTF-16 name, as open does.
 *
 * The flag and mode values are those of the C runtime the library runs on,
 * from its <fcntl.h> and <sys/stat.h>: on Windows O_CREAT is _O_CREAT (0x100)
 * and the mode _S_IREAD | _S_IWRITE; on Linux O_CREAT is 0100 (octal) and the
 * mode 0644 and the like. On POSIX the name is opened as UTF-8 (a surrogate
 * pair as one four-byte sequence).
 *
 * @param path   Null-terminated UTF-16 file name; null fails with EINVAL.
 * @param oflag  The C runtime's open flags.
 * @param ...    The permission mode (an int), read only when oflag asks for a
 *               new file to be made (O_CREAT, and O_TMPFILE on Linux);
 *               otherwise the mode 0 is used, whatever follows.
 * @return The file descriptor, or -1.
 * @par Errors
 * EINVAL for a null path; EILSEQ on POSIX for a name with an unpaired
 * surrogate (it has no UTF-8 form); otherwise the C runtime's errno.
 */
QORUCUM_API int32_t openU16(const charU16 *path, int32_t oflag, ...);

/**
 * @brief Opens a stream by a UTF-16 name and mode, as fopen does.
 *
 * @param path   Null-terminated UTF-16 file name; must not be null.
 * @param mode   Null-terminated ASCII mode in UTF-16 ("r", "w+b", ...); must
 *               not be null.
 * @return The stream, or null.
 * @par Errors
 * EINVAL for a null path or mode, or a mode that is not ASCII; EILSEQ on POSIX
 * for a name with an unpaired surrogate; otherwise the C runtime's errno.
 */
QORUCUM_API FILE *fopenU16(const charU16 *path, const charU16 *mode);

/**
 * @brief Reopens a stream on a file named in UTF-16, as freopen does.
 *
 * As with freopen, the stream is closed when the new opening fails.
 *
 * @param path   Null-terminated UTF-16 file name; must not be null.
 * @param mode   Null-terminated ASCII mode in UTF-16; must not be null.
 * @param stream The stream to reopen; null fails with EBADF.
 * @return The stream, or null.
 * @par Errors
 * EBADF for a null stream and EINVAL for a null path or mode (the stream is
 * then left as it was); EILSEQ on POSIX for a name with an unpaired
 * surrogate; otherwise the C runtime's errno.
 * @par Differs from C
 * A null path, which C takes as a change of mode, is refused.
 */
QORUCUM_API FILE *freopenU16(const charU16 *path, const charU16 *mode, FILE *stream);

/**
 * @brief The C runtime's text for an error number, in UTF-16.
 *
 * Not thread-safe: the text is in one process-wide static buffer of 512
 * units, kept without a lock, that the next call overwrites (perrorU16()
 * does not use it).
 *
 * @param errnum An error number (errno value).
 * @return The static buffer with the text; null when the runtime has no text.
 *         A text that is not valid UTF-8 is replaced by "Could not convert
 *         error no. N to UTF-16 characters"; a text of 512 units or more
 *         keeps its first 511 units.
 * @par Errors
 * EILSEQ when the runtime's text is not valid UTF-8; ENAMETOOLONG when it was
 * cut (both reported on the trace channel); otherwise errno is left as it
 * was.
 */
QORUCUM_API charU16 *strerrorU16(int32_t errnum);

/** @} */

/**
 * @defgroup qorucum_output Stream output
 * @brief UTF-16 text written to C runtime streams as UTF-8.
 *
 * A surrogate pair within one call becomes one four-byte sequence; any other
 * surrogate becomes '#' (fputcU16() excepted). Nothing is flushed. Each call
 * holds the stream's lock while it writes, so the text of one call comes out
 * whole when threads share a stream. The streams are those of the C runtime
 * the library is built against (on Windows, a FILE * of another runtime is
 * no stream to it).
 * @{
 */

/**
 * @brief Writes one code unit as UTF-8.
 *
 * The low 16 bits of c become one sequence of one to three bytes: a
 * surrogate unit too is written as its own three-byte form.
 *
 * @param c      The code unit (its low 16 bits).
 * @param stream The output stream; null fails with EBADF.
 * @return c, or EOF at the first byte the stream refused (the bytes before it
 *         stay written).
 * @par Errors
 * EBADF for a null stream; otherwise what the C runtime's putc sets.
 */
QORUCUM_API int fputcU16(int c, FILE *stream);

/**
 * @brief Writes a string as UTF-8, without its terminator.
 *
 * @param s      Null-terminated UTF-16 text; null fails with EINVAL.
 * @param stream The output stream; null fails with EBADF.
 * @return The UTF-8 bytes written (at most INT_MAX), or -1 when the stream
 *         took less than all of them.
 * @par Errors
 * EBADF for a null stream; EINVAL for a null s; otherwise what the C
 * runtime's fwrite sets.
 * @par Differs from C
 * The result counts UTF-8 bytes (C asks only for a nonnegative value).
 */
QORUCUM_API int fputsU16(const charU16 *s, FILE *stream);

/**
 * @brief Writes a string and a line feed to the standard output.
 *
 * @param s      Null-terminated UTF-16 text; null fails with EINVAL.
 * @return The UTF-8 bytes of both writes, or -1 when either was not written
 *         whole (the line feed is not tried after a failed string).
 * @par Errors
 * EINVAL for a null s; otherwise what the C runtime's fwrite sets.
 */
QORUCUM_API int putsU16(const charU16 *s);

/**
 * @brief Writes count elements of size code units each, as UTF-8.
 *
 * @param units  The code units, size x count of them; null fails with EINVAL.
 * @param size   Code units per element (not bytes).
 * @param count  Elements.
 * @param stream The output stream; null fails with EBADF.
 * @return The whole elements whose UTF-8 bytes all went out: after a short
 *         write, exactly the elements written completely; 0 when size or count
 *         is 0, or on an error.
 * @par Errors
 * EBADF for a null stream; EINVAL for null units or when size x count units
 * would not fit in memory; otherwise what the C runtime's fwrite sets.
 * @par Differs from C
 * size counts 16-bit code units; each unit becomes one to three bytes on the
 * stream (four for a pair).
 */
QORUCUM_API size_t fwriteU16(const charU16 *units, size_t size, size_t count, FILE *stream);

/**
 * @brief Writes a message, ": ", the error text of errno and a line feed to
 *        standard error.
 *
 * errno is read before anything is written. Safe in several threads: the
 * text is converted into the call's own buffer, not strerrorU16()'s.
 *
 * @param s      Null-terminated UTF-16 text, or null to write the error text
 *               alone.
 * @par Errors
 * None of its own: whatever the writes set stays.
 */
QORUCUM_API void perrorU16(const charU16 *s);

/** @} */

/**
 * @defgroup qorucum_input Stream input
 * @brief UTF-8 from C runtime streams, read as UTF-16.
 *
 * Input is read one UTF-8 sequence at a time. An invalid sequence reads as
 * '#' (0x23) with errno EILSEQ; the byte that broke a sequence (one that
 * cannot continue it) stays in the stream and is read next, so a Latin-1
 * file keeps its line ends and its ASCII. Overlong forms and values above
 * U+10FFFF are invalid; encoded surrogates are accepted as units. A
 * supplementary character is stored as its surrogate pair (fgetcU16()
 * excepted). Each call takes the stream's lock once. Invalid input is reported
 * on the trace channel at level 1 and above.
 * @{
 */

/**
 * @brief Reads one code unit.
 *
 * A supplementary character cannot be one unit: it is consumed whole, reads
 * as U+FFFD and is reported as invalid input (without EILSEQ); read lines with
 * fgetsU16() to keep such characters. Reports stop after 99 in a row, and
 * resume an hour later. With NLSUI_FILE_TRACE set (and not "0") a report also
 * dumps the next 80 bytes of the stream, which are then consumed.
 *
 * Not thread-safe in that count: it is one process-wide counter, shared by
 * every stream and thread without a lock, so readers in several threads share
 * one budget of reports.
 *
 * @param stream The input stream; null gives EOF with EBADF.
 * @return The unit (0 to 0xFFFF); '#' for an invalid sequence; 0xFFFD for a
 *         supplementary character; EOF at end of file or on a read error.
 * @par Errors
 * EILSEQ for an invalid sequence; EBADF for a null stream.
 * @par Differs from C
 * One call reads one whole UTF-8 sequence; ungetc gives back one byte, which
 * is the same character only for ASCII.
 */
QORUCUM_API int32_t fgetcU16(FILE *stream);

/**
 * @brief Reads a line, its line feed kept, into an array of n units.
 *
 * Stops after a line feed or when n - 1 units are stored; the rest of a
 * longer line stays for the next call. A pair that does not fit keeps its high
 * surrogate (the character is consumed).
 *
 * @param buf    Destination array of n units; null fails with EBADF.
 * @param n      Capacity of buf in code units, terminator included; below 1
 *               fails with EINVAL (nothing written); 1 stores an empty string.
 * @param stream The input stream; null fails with EBADF.
 * @return buf, terminated; null at end of file before any unit (buf then
 *         unchanged), when the stream's error indicator is set, or on an
 *         error.
 * @par Errors
 * EBADF for a null buf or stream; EINVAL for n below 1; EILSEQ after an
 * invalid sequence.
 */
QORUCUM_API charU16 *fgetsU16(charU16 *buf, int32_t n, FILE *stream);

/**
 * @brief Reads a line from the standard input, without its line feed, with no
 *        bound.
 *
 * Like the C runtime's gets it cannot know the array's size: prefer
 * gets_sU16().
 *
 * @param buf    Destination array large enough for any line; null fails with
 *               EBADF.
 * @return buf, terminated; null at end of file with nothing read (buf is then
 *         untouched) or when the standard input's error indicator is set.
 * @par Errors
 * EBADF for a null buf; EILSEQ after an invalid sequence.
 * @par Differs from C
 * C11 removed gets; this one is kept for porting.
 */
QORUCUM_API charU16 *getsU16(charU16 *buf);

/**
 * @brief Reads at most size - 1 units of a line from the standard input.
 *
 * The line feed is consumed, not stored; the rest of a longer line stays for
 * the next call.
 *
 * @param buf    Destination array of size units; null fails with EBADF.
 * @param size   Capacity of buf in code units, terminator included; at most
 *               RSIZE_MAX (SIZE_MAX / 2).
 * @return buf, terminated; null for a size of 0 or above RSIZE_MAX (buf
 *         untouched, nothing read), at end of file before any unit or on a
 *         read error (buf emptied).
 * @par Errors
 * EINVAL for a size above RSIZE_MAX; EBADF for a null buf; EILSEQ after an
 * invalid sequence.
 * @par Differs from C
 * A line longer than the array is no error (C11 Annex K's gets_s discards it
 * and calls the constraint handler): the rest is read by the next call.
 */
QORUCUM_API charU16 *gets_sU16(charU16 *buf, size_t size);

/**
 * @brief Reads up to size x count code units.
 *
 * Invalid sequences are stored as '#' and the read goes on. A pair where only
 * one unit is left keeps its high surrogate.
 *
 * @param buf    Destination array of size x count units; null fails with EBADF.
 * @param size   Code units per element (not bytes).
 * @param count  Elements.
 * @param stream The input stream; null fails with EBADF.
 * @return The whole elements stored (a trailing partial element is stored but
 *         not counted); 0 when size or count is 0, or on an error.
 * @par Errors
 * EBADF for a null buf or stream; EINVAL when size x count overflows; EILSEQ
 * after an invalid sequence.
 * @par Differs from C
 * size counts 16-bit code units, each read from one UTF-8 sequence.
 */
QORUCUM_API size_t freadU16(charU16 *buf, size_t size, size_t count, FILE *stream);

/** @} */

/**
 * @defgroup qorucum_fields Field readers
 * @brief A word, a line or a decimal integer from a UTF-8 stream, with a
 *        result code.
 *
 * White space is the library's fixed set (see strtolU16()). The string
 * readers store the bytes of an invalid sequence, ASCII bytes as themselves
 * and the others as a replacement unit of the caller's choice, and say so in
 * their result. They write no trace messages. Each call takes the stream's
 * lock once.
 * @{
 */

/**
 * @brief Reads a word: skips white space, then reads up to the next white
 *        space (which is consumed).
 *
 * @param buf    Destination array of n units; null fails with EBADF.
 * @param n      Capacity of buf in code units, terminator included; below 1
 *               fails with EINVAL (nothing written).
 * @param stream The input stream; null fails with EBADF.
 * @param repl   The unit stored for each non-ASCII byte of an invalid
 *               sequence.
 * @return The units stored (the rest of a longer word stays in the stream);
 *         -1 at end of file before anything, when the stream's error indicator
 *         is set, or on an error; -2 when the word held invalid input (it is
 *         stored all the same).
 * @par Errors
 * EBADF for a null buf or stream; EINVAL for n below 1; EILSEQ after invalid
 * input.
 */
QORUCUM_API int32_t fget_strU16(charU16 *buf, int32_t n, FILE *stream, charU16 repl);

/**
 * @brief Reads a line, its line feed kept.
 *
 * @param buf    Destination array of n units; null fails with EBADF.
 * @param n      Capacity of buf in code units, terminator included; below 1
 *               fails with EINVAL (nothing written).
 * @param stream The input stream; null fails with EBADF.
 * @param repl   The unit stored for each non-ASCII byte of an invalid
 *               sequence.
 * @return The units stored (the rest of a longer line stays in the stream);
 *         -1 at end of file before anything, when the stream's error indicator
 *         is set, or on an error; -2 when the line held invalid input.
 * @par Errors
 * EBADF for a null buf or stream; EINVAL for n below 1; EILSEQ after invalid
 * input.
 */
QORUCUM_API int32_t fget_lineU16(charU16 *buf, int32_t n, FILE *stream, charU16 repl);

/**
 * @brief Reads a decimal integer after white space, as a 32-bit long.
 *
 * An optional sign, then ASCII digits; the first byte that is not a digit
 * goes back to the stream.
 *
 * @param out    Receives the value (32 bits); null fails with EBADF.
 * @param stream The input stream; null fails with EBADF.
 * @return 0 for a number; 1 when out of range (*out holds INT32_MAX or
 *         INT32_MIN); -1 at end of file, on a read error or when the digits
 *         cannot be stored (out of memory); -2 when no digit starts the field
 *         (*out holds the character found, which is consumed).
 * @par Errors
 * errno is set to 0 first; then ERANGE when out of range; EILSEQ for invalid
 * input before the field; ENOMEM when the digits cannot be stored; EBADF for
 * a null out or stream.
 */
QORUCUM_API int32_t fget_longU16(int32_t *out, FILE *stream);

/**
 * @brief Reads a decimal integer after white space, as an int.
 *
 * The same reader as fget_longU16(): both are 32 bits.
 *
 * @param out    Receives the value; null fails with EBADF.
 * @param stream The input stream; null fails with EBADF.
 * @return As fget_longU16().
 * @par Errors
 * As fget_longU16().
 */
QORUCUM_API int32_t fget_intU16(int32_t *out, FILE *stream);

/** @} */

/**
 * @defgroup qorucum_scanf The scanf family
 * @brief Reading by a UTF-16 format from a UTF-8 stream or a UTF-16 string.
 *
 * Directives: "%", an optional "*" (read but do not store or count), an
 * optional width in code units, an optional length modifier (hh h l ll j z t L
 * I64) and one of d i o u x X p a A e E f F g G c s [ n; "%%" matches a "%".
 * White space in the format matches any run of white space in the input (the
 * library's fixed set, see strtolU16()), as does the white space skipped
 * before every conversion but c, [ and n. Other format units must match the
 * input unit exactly.
 *
 * Targets:
 * - integers (d i o u x X n): 32 bits without a modifier and for l, j and t;
 *   64 bits for ll, I64, L and z; 16 bits for h; 8 bits for hh. p stores 64
 *   bits.
 * - floating point (a A e E f F g G, decimal only): a float without a
 *   modifier and for h, hh, j and t; a double for l, ll, L, z and I64.
 * - text (c s [): UTF-16 units whatever the modifier; s and [ add a
 *   terminator, c does not. Without a width the target must hold the whole
 *   field, as in C.
 *
 * A field never takes more units than its width: signs, the "0x" prefix and
 * the infinity and NaN spellings count toward it as digits do. Integers that
 * overflow their converter (32 or 64 bits) are clamped, stored and counted,
 * with errno ERANGE; h and hh store the 32-bit value cut to 16 or 8 bits
 * (\%hhd of 300 stores 44); \%f of an infinity spelling stores infinity and sets
 * ERANGE. A scan set "[...]" takes ranges in either order (z-a is a-z); "]"
 * or "-" first, or "-" last, is a member; there are no classes and no case
 * folding. p reads hexadecimal with or without "0x", and "(nil)" as 0.
 *
 * From a stream, a supplementary character arrives as its surrogate pair
 * (\%c of width 1 takes the high surrogate; the low one is read next); invalid
 * UTF-8 reads as '#' with errno EILSEQ. At most one unit is pushed back: an
 * ASCII unit goes back to the stream, but a non-ASCII unit read past the
 * last field (a low surrogate included) is consumed.
 *
 * Results: the number of conversions stored (suppressed ones and n are not
 * counted). The scan stops at the first conversion that fails or ordinary
 * character that does not match; if anything matched before (an ordinary
 * character or a stored conversion) it returns the count, else 0, or -1 when
 * the input ended in that field. When the input ends (or a read fails) before
 * a conversion or ordinary character, the result is likewise the count if
 * anything matched, else -1: so a scan that ends after a matched literal
 * returns 0, not -1. A format error stops the scan with the count so far,
 * reported at trace level 4; errno is left as it was.
 *
 * @par Differs from C
 * \%ld stores 32 bits (as on 64-bit Windows), \%zd 64, and \%jd and \%td 32.
 * \%Lf stores a double. \%ls and \%lc store UTF-16, as \%s and \%c do. No
 * hexadecimal floating point is read. Reading an infinity sets ERANGE. \%lf
 * converts every digit, while strtodU16() keeps 24, so a text of more than 24
 * significant digits can give two neighbouring doubles.
 * @{
 */

/**
 * @brief Reads from the standard input by a UTF-16 format.
 *
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param ...    A pointer to the target of each conversion that is not
 *               suppressed, and an int before it for each "*" width.
 * @return The conversions stored, 0 or -1, as the family says.
 * @par Errors
 * EBADF when the C runtime has no standard input; EINVAL for a null format;
 * EILSEQ after invalid UTF-8; ERANGE for a clamped number or an infinity.
 */
QORUCUM_API int32_t scanfU16(const charU16 *format, ...);

/**
 * @brief Reads from a stream by a UTF-16 format.
 *
 * The stream is locked for the whole call.
 *
 * @param stream The input stream; null fails with EBADF.
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param ...    The targets, as for scanfU16().
 * @return The conversions stored, 0 or -1, as the family says.
 * @par Errors
 * EBADF for a null stream; EINVAL for a null format; EILSEQ after invalid
 * UTF-8; ERANGE for a clamped number or an infinity.
 */
QORUCUM_API int32_t fscanfU16(FILE *stream, const charU16 *format, ...);

/**
 * @brief Reads from a UTF-16 string by a UTF-16 format.
 *
 * The terminator ends the input; a surrogate pair is matched and stored unit
 * by unit. A field may be longer than INT32_MAX units; \%lln counts them all.
 *
 * @param string Null-terminated UTF-16 input; null fails with EBADF.
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param ...    The targets, as for scanfU16().
 * @return The conversions stored, 0 or -1, as the family says.
 * @par Errors
 * EBADF for a null string; EINVAL for a null format; ERANGE for a clamped
 * number or an infinity.
 */
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

/** @} */

/**
 * @defgroup qorucum_printf The printf family
 * @brief Formatting by a UTF-16 format into a UTF-16 buffer or onto a UTF-8
 *        stream.
 *
 * Sizes, widths, precisions and results count UTF-16 code units (a
 * supplementary character is two); stream targets receive UTF-8 (an unpaired
 * surrogate as '#'), and a stream call holds the stream's lock while it
 * writes. Each variadic function has a va_list twin that behaves alike.
 *
 * Directives: "%", flags, a width, ".precision", a length modifier and one of
 * the conversions d i u o x X (integers), e E f F g G a A (double), c (one
 * UTF-16 unit, from an int), s (a UTF-16 string; null prints "(null)"), p (a
 * pointer in lower-case hexadecimal without "0x"; null prints "(nil)") and %.
 * - Flags: "-" left alignment, "+" and " " signs, "#" alternate form (0x, 0X,
 *   a leading 0 for o; kept point for the floating conversions), "0" zero
 *   padding. A repeated "-" is harmless; a repeated "+", " ", "#" or "0", or
 *   more than five flags, makes the directive invalid.
 * - The zero flag is off when a precision below the width is given, for every
 *   conversion: %08.3f of 3.14159 gives "   3.142". It pads every other
 *   conversion, \%s and "%%" included ("%05s" of "ab" gives "000ab"), but never
 *   an infinity or a NaN ("%08f" of infinity gives "     inf").
 * - Width and precision may be "*", read as an int before the argument. A
 *   negative "*" width gives no padding (it does not set left alignment); a
 *   negative "*" precision counts as none. \%s precision counts units and may
 *   cut a pair.
 * - Length modifiers: ll and I64 read a 64-bit integer. h, hh, j, z and t read
 *   an int and change nothing (\%hd of 70000 gives 70000), and l is 32 bits: a
 *   size_t above 4 GiB needs \%llu or \%I64u. L: on Linux the argument is a long
 *   double, formatted after conversion to double; on Windows long double is a
 *   double. No modifier changes c, s or p.
 * - \%e, \%f and \%g are exactly rounded (ties to even), with the same digits on
 *   every platform up to 17 significant digits (for \%f, 17 after the point);
 *   longer precisions come from the C runtime's formatter. \%a without a
 *   precision is exact, with as many hexadecimal digits as the value needs;
 *   with a precision it is rounded. Infinity and NaN print as the C runtime
 *   spells them ("inf", "nan").
 * - %3c of a zero unit is three units wide: two blanks, then the zero unit.
 *
 * Results: the units output, not counting a buffer's terminator. Errors
 * return -1: EBADF for a null stream or buffer, EINVAL for a null format,
 * ENOMEM when a field's text cannot be allocated, EOVERFLOW when the text
 * would exceed INT_MAX units; a stream write failure keeps the C runtime's
 * errno. A format error (an unknown conversion, the format ending inside a
 * directive) returns -1 and leaves errno as it was; it is reported at trace
 * level 4. After any error what came before the failing directive has been
 * output, and a buffer is terminated after it.
 *
 * @par Differs from C
 * No \%n (it is a format error) and no positional arguments. Strings and
 * characters are UTF-16 whatever the modifier (\%ls and \%hs as \%s); \%S and
 * \%C are format errors. h, hh, j, z and t
 * do not change the argument's type, and l is 32 bits. The zero flag yields to
 * any precision below the width, not only for integers. A cut snprintfU16()
 * returns the size, not the length the whole text needs.
 * @{
 */

/**
 * @brief Formats to the standard output.
 *
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param ...    The arguments of the directives.
 * @return The UTF-16 units output (not bytes), or -1.
 * @par Errors
 * EINVAL for a null format; EOVERFLOW, ENOMEM or the stream's errno as the
 * family says; a format error leaves errno as it was.
 * @par Differs from C
 * The result counts UTF-16 code units, not the UTF-8 bytes written.
 */
QORUCUM_API int32_t printfU16(const charU16 *format, ...);

/**
 * @brief Formats to the standard output, with a va_list.
 *
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param args   The arguments of the directives.
 * @return As printfU16().
 * @par Errors
 * As printfU16().
 */
QORUCUM_API int32_t vprintfU16(const charU16 *format, va_list args);

/**
 * @brief Formats to a stream.
 *
 * @param stream The output stream; null fails with EBADF.
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param ...    The arguments of the directives.
 * @return The UTF-16 units output (not bytes), or -1.
 * @par Errors
 * EBADF for a null stream; EINVAL for a null format; EOVERFLOW, ENOMEM or the
 * stream's errno as the family says; a format error leaves errno as it was.
 * @par Differs from C
 * The result counts UTF-16 code units, not the UTF-8 bytes written.
 */
QORUCUM_API int32_t fprintfU16(FILE *stream, const charU16 *format, ...);

/**
 * @brief Formats to a stream, with a va_list.
 *
 * @param stream The output stream; null fails with EBADF.
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param args   The arguments of the directives.
 * @return As fprintfU16().
 * @par Errors
 * As fprintfU16().
 */
QORUCUM_API int32_t vfprintfU16(FILE *stream, const charU16 *format, va_list args);

/**
 * @brief Formats into a buffer with no bound.
 *
 * @param buffer Destination array large enough for the text and its
 *               terminator; null fails with EBADF.
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param ...    The arguments of the directives.
 * @return The length of the stored string, or -1.
 * @par Errors
 * EBADF for a null buffer; EINVAL for a null format; EOVERFLOW or ENOMEM as
 * the family says; a format error leaves errno as it was.
 */
QORUCUM_API int32_t sprintfU16(charU16 *buffer, const charU16 *format, ...);

/**
 * @brief Formats into a buffer with no bound, with a va_list.
 *
 * @param buffer Destination array; null fails with EBADF.
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param args   The arguments of the directives.
 * @return As sprintfU16().
 * @par Errors
 * As sprintfU16().
 */
QORUCUM_API int32_t vsprintfU16(charU16 *buffer, const charU16 *format, va_list args);

/**
 * @brief Formats into a buffer of size units, cutting the text to fit.
 *
 * A text that does not fit is cut: the buffer holds its first size - 1 units
 * and a terminator.
 *
 * @param buffer Destination array of size units; may be null only with size 0.
 * @param size   Capacity of buffer in code units, terminator included.
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param ...    The arguments of the directives.
 * @return The length of the stored string when it fits; size when the text
 *         was cut; 0 for a size of 0 (nothing stored, the format not
 *         examined when buffer is not null); -1 on an error.
 * @par Errors
 * EBADF for a null buffer with a size above 0; EINVAL for a null format;
 * EOVERFLOW or ENOMEM as the family says; a format error leaves errno as it
 * was.
 * @par Differs from C
 * C's snprintf returns the length the whole text needs, also when it cuts
 * and for a size of 0; this one returns size and 0. To learn the length a
 * text needs, call scprintfU16().
 */
QORUCUM_API int32_t snprintfU16(charU16 *buffer, size_t size, const charU16 *format, ...);

/**
 * @brief Formats into a buffer of size units, cutting to fit, with a va_list.
 *
 * @param buffer Destination array of size units; may be null only with size 0.
 * @param size   Capacity of buffer in code units, terminator included.
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param args   The arguments of the directives.
 * @return As snprintfU16().
 * @par Errors
 * As snprintfU16().
 * @par Differs from C
 * As snprintfU16(): a cut returns size; see vscprintfU16() for the length.
 */
QORUCUM_API int32_t vsnprintfU16(charU16 *buffer, size_t size, const charU16 *format, va_list args);

/**
 * @brief Formats into a buffer of size units; a text that does not fit is an
 *        error.
 *
 * @param buffer Destination array of size units; null fails with EBADF.
 * @param size   Capacity of buffer in code units, terminator included; at
 *               most RSIZE_MAX (SIZE_MAX / 2).
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param ...    The arguments of the directives.
 * @return The length of the stored string; -1 when the text did not fit (the
 *         buffer then holds its first size - 1 units and a terminator), for a
 *         size of 0 or above RSIZE_MAX (nothing written), or on an error.
 * @par Errors
 * EINVAL for a size above RSIZE_MAX or a null format; EBADF for a null
 * buffer; EOVERFLOW or ENOMEM as the family says. A text that did not fit, a
 * size of 0 and a format error leave errno as it was.
 * @par Differs from C
 * C11 Annex K's sprintf_s empties the buffer and returns 0 when the text does
 * not fit, and calls the constraint handler; this one keeps the cut text and
 * returns -1, and no handler runs.
 */
QORUCUM_API int32_t sprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, ...);

/**
 * @brief Formats into a buffer of size units, a text that does not fit being
 *        an error, with a va_list.
 *
 * @param buffer Destination array of size units; null fails with EBADF.
 * @param size   Capacity of buffer in code units; at most RSIZE_MAX.
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param args   The arguments of the directives.
 * @return As sprintf_sU16().
 * @par Errors
 * As sprintf_sU16().
 * @par Differs from C
 * As sprintf_sU16().
 */
QORUCUM_API int32_t vsprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, va_list args);

/**
 * @brief Formats into a buffer of size units, cutting to fit; the buffer is
 *        terminated after an error too.
 *
 * @param buffer Destination array of size units; null fails with EBADF.
 * @param size   Capacity of buffer in code units, terminator included; at
 *               most RSIZE_MAX (SIZE_MAX / 2).
 * @param format Null-terminated UTF-16 format; null fails with EINVAL (the
 *               buffer then holds an empty string).
 * @param ...    The arguments of the directives.
 * @return The length of the stored string when it fits; size when the text
 *         was cut (the first size - 1 units and a terminator); 0 for a size of
 *         0; -1 for a size above RSIZE_MAX (nothing written) or on an error,
 *         what came before the error staying in buffer, terminated right
 *         after it.
 * @par Errors
 * EINVAL for a size above RSIZE_MAX or a null format; EBADF for a null
 * buffer; EOVERFLOW or ENOMEM as the family says; a format error leaves errno
 * as it was.
 * @par Differs from C
 * C11 Annex K's snprintf_s returns the length the whole text needs when it
 * cuts; this one returns size. No constraint handler runs.
 */
QORUCUM_API int32_t snprintf_sU16(charU16 *buffer, size_t size, const charU16 *format, ...);

/**
 * @brief Formats into a buffer of size units, cutting to fit, with a va_list.
 *
 * @param buffer Destination array of size units; null fails with EBADF.
 * @param size   Capacity of buffer in code units; at most RSIZE_MAX.
 * @param format Null-terminated UTF-16 format; null fails with EINVAL.
 * @param args   The arguments of the directives.
 * @return As snprintf_sU16().
 * @par Errors
 * As snprintf_sU16().
 * @par Differs from C
 * As snprintf_sU16().
 */
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

/** @} */

QORUCUM_EXTERN_C_END

#endif
