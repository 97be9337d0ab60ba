/* Basic types and the export macro shared by every public header of qorucum. */
#ifndef QORUCUM_BASE_H
#define QORUCUM_BASE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
/* char16_t in C++ so that u"..." literals work; the same 16-bit unsigned type to the ABI. */
typedef char16_t charU16;
#define QORUCUM_EXTERN_C_BEGIN extern "C" {
#define QORUCUM_EXTERN_C_END }
#else
typedef uint16_t charU16;
#define QORUCUM_EXTERN_C_BEGIN
#define QORUCUM_EXTERN_C_END
#endif

/* QORUCUM_BUILD while the library itself is compiled; QORUCUM_STATIC for code
 * that links the library's objects directly instead of the DLL. */
#if defined(_WIN32)
#if defined(QORUCUM_BUILD)
#define QORUCUM_API __declspec(dllexport)
#elif defined(QORUCUM_STATIC)
#define QORUCUM_API
#else
#define QORUCUM_API __declspec(dllimport)
#endif
#else
#define QORUCUM_API __attribute__((visibility("default")))
#endif

#endif
