/* The public headers used from C11, linked against the shared library. */
#include <stdio.h>
#include <string.h>

#include "qorucum.h"

static int failures = 0;

static void check(int ok, const char *what) {
    if (!ok) {
        fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

/* Stands in for the exported toupperU, so that no ICU is loaded here. */
static int32_t upperQ(int32_t c) { return c == 'q' ? 'Q' : c; }

int main(void) {
    const charU16 hello[] = {'h', 'e', 'l', 'l', 'o', 0};
    charU16 copy[8];
    char utf8[16];
    check(strlenU16(hello) == 5, "strlenU16");
    check(strcpyU16(copy, hello) == copy, "strcpyU16 result");
    check(strcmpU16(copy, hello) == 0, "strcmpU16 equal");
    check(strcpy_sU16(copy, 3, hello) == 34, "strcpy_sU16 too small");
    check(U2sToUtf8s(utf8, hello, sizeof utf8) == 5 && strcmp(utf8, "hello") == 0, "U2sToUtf8s");
    nlsui_set_trace_func(NULL);
    {
        /* The exported data: the character pointers are writable, and calls go through them. */
        const nlsui_case_func saved = toupperU;
        charU16 out[16];
        check(saved != NULL && isalnumU != NULL, "character pointers exported");
        toupperU = upperQ;
        check(toupperU('q') == 'Q', "toupperU writable");
        toupperU = saved;
        check(strcasecmpU16(hello, hello) == 0, "strcasecmpU16 of one string");
        check(snprintfU16(out, 16, (const charU16[]){'%', 'd', '-', '%', 's', 0}, 42, hello) == 8, "snprintfU16");
    }
    if (failures == 0) printf("C usage checks passed\n");
    return failures == 0 ? 0 : 1;
}
