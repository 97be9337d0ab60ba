/**
 * @file qorucum/base.h
 * @brief Basic types and the export macro shared by every public header.
 *
 * @mainpage qorucum reference
 *
 * libqorucum gives programs whose text type is UTF-16 (charU16) the C
 * runtime they know. Include qorucum.h, which includes every header below.
 * Each family's page says what its members share (the units of their counts,
 * how they report errors); each function says what it returns in every case,
 * the errno values it sets, and how it differs from the C runtime function
 * it stands for.
 *
 * - @ref qorucum_base "Basic types": charU16, counts in code units, errors.
 * - @ref qorucum_string "Strings", @ref qorucum_memory "memory",
 *   @ref qorucum_alloc "allocation", @ref qorucum_bounded "bounds-checked copies".
 * - @ref qorucum_convert "Conversion" between UTF-16 and UTF-8.
 * - @ref qorucum_files "Files and error texts", @ref qorucum_output "stream output",
 *   @ref qorucum_input "stream input", @ref qorucum_fields "field readers".
 * - @ref qorucum_printf "The printf family", @ref qorucum_scanf "the scanf family".
 * - @ref qorucum_strtol "Integers from text", @ref qorucum_strtod "floating point and digits".
 * - @ref qorucum_ctype "Character functions" (ICU loaded at run time).
 * - @ref qorucum_netdb "Host and service look-ups", @ref qorucum_getopt "options",
 *   @ref qorucum_trace "the trace channel".
 */
#ifndef QORUCUM_BASE_H
#define QORUCUM_BASE_H

#include <stddef.h>
#include <stdint.h>

/**
 * @defgroup qorucum_base Basic types
 * @brief The code-unit type and the macros every public header uses.
 *
 * Text in memory is UTF-16: arrays of charU16 ended by a zero unit. Every
 * length, count, size, width, precision and position that a function with the
 * suffix U16 takes or returns is in code units (a supplementary character is
 * two, a surrogate pair) unless its documentation says bytes. Text in files
 * and on the standard streams is UTF-8.
 *
 * Errors are reported as the C runtime reports them (a null pointer, -1, EOF,
 * 0) and in errno, by its names (the numbers differ between Windows and
 * Linux). A function whose documentation names no error leaves errno as it
 * was.
 * @{
 */

#ifdef __cplusplus
typedef char16_t charU16;
#define QORUCUM_EXTERN_C_BEGIN extern "C" {
#define QORUCUM_EXTERN_C_END }
#else
/**
 * @brief One UTF-16 code unit: uint16_t in C, and char16_t in C++ so that
 *        u"..." literals work; the same 16-bit unsigned type to the ABI.
 */
typedef uint16_t charU16;
/** @brief Opens the block of C declarations (extern "C" in C++). */
#define QORUCUM_EXTERN_C_BEGIN
/** @brief Closes the block of C declarations. */
#define QORUCUM_EXTERN_C_END
#endif

/* QORUCUM_BUILD while the library itself is compiled; QORUCUM_STATIC for code
 * that links the static library (or the library's objects) instead of the DLL. */
#if defined(_WIN32)
#if defined(QORUCUM_BUILD)
#define QORUCUM_API __declspec(dllexport)
#elif defined(QORUCUM_STATIC)
#define QORUCUM_API
#else
#define QORUCUM_API __declspec(dllimport)
#endif
#else
/**
 * @brief Marks an export: default visibility on Linux; dllexport or dllimport
 *        on Windows (define QORUCUM_STATIC when linking the static library).
 */
#define QORUCUM_API __attribute__((visibility("default")))
#endif

/** @} */

#endif
