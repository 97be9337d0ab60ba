/* Unicode character classification and case mapping, taken from ICU at run
 * time. The nine operations below are writable function pointers: they start
 * on stubs that load ICU at their first call (or at nlsui_initialize) and are
 * then re-pointed at ICU, or at 7-bit emergency functions when ICU cannot be
 * used and NLSUI_7BIT_FALLBACK is set. */
#ifndef QORUCUM_CTYPE_H
#define QORUCUM_CTYPE_H

#include "qorucum/base.h"

QORUCUM_EXTERN_C_BEGIN

/* The first use may come from several threads at once: one loads ICU, the
 * others wait for it. The pointers themselves are plain data that the first
 * use re-points; a caller reading one meanwhile gets either the stub or the
 * new function, and both answer alike. */

/* A classification: one code point in, a one-byte truth value out (nonzero
 * means true; test the low 8 bits). */
typedef int8_t (*nlsui_class_func)(int32_t c);
/* A case mapping: one code point in, the mapped code point out. */
typedef int32_t (*nlsui_case_func)(int32_t c);

QORUCUM_API extern nlsui_class_func isalnumU;
QORUCUM_API extern nlsui_class_func isalphaU;
QORUCUM_API extern nlsui_class_func iscntrlU;
QORUCUM_API extern nlsui_class_func islowerU;
QORUCUM_API extern nlsui_class_func isprintU;
QORUCUM_API extern nlsui_class_func isspaceU;
QORUCUM_API extern nlsui_class_func isupperU;
QORUCUM_API extern nlsui_case_func tolowerU;
QORUCUM_API extern nlsui_case_func toupperU;

/* Loads ICU once and binds it: 0 when the ICU common library and all its
 * entry-point groups are bound, 1 otherwise (every later call returns the
 * outcome of the first). Ends the process with exit status -1 when ICU is
 * unusable and NLSUI_7BIT_FALLBACK is not set. */
QORUCUM_API int32_t nlsui_initialize(void);

/* Printable and not a blank (through isprintU). */
QORUCUM_API int8_t isgraphU(int32_t c);
/* Printable, not alphanumeric and not a blank (through isprintU, isalnumU). */
QORUCUM_API int8_t ispunctU(int32_t c);
/* '0'-'9', 'A'-'F', 'a'-'f'; needs no initialization. */
QORUCUM_API int8_t isxdigitU(int32_t c);

QORUCUM_EXTERN_C_END

#endif
