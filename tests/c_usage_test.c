/* The public headers used from C11, linked against the shared library. */
#include <stdio.h>
#include <string.h>

#include "qorucum.h"

static int failures = 0;
#define CHECK(ok) ((ok) ? (void)0 : (void)(fprintf(stderr, "FAILED: %s\n", #ok), ++failures))

/* Stands in for the exported toupperU, so that no ICU is loaded here. */
static int32_t upperQ(int32_t c) { return c == 'q' ? 'Q' : c; }

int main(void) {
    const charU16 hello[] = {'h', 'e', 'l', 'l', 'o', 0};
    charU16 copy[8], out[16];
    char utf8[16];
    CHECK(strlenU16(hello) == 5);
    CHECK(strcpyU16(copy, hello) == copy);
    CHECK(strcmpU16(copy, hello) == 0);
    CHECK(strcpy_sU16(copy, 3, hello) == 34); /* too small */
    CHECK(U2sToUtf8s(utf8, hello, sizeof utf8) == 5 && strcmp(utf8, "hello") == 0);
    nlsui_set_trace_func(NULL);
    /* The exported data: the character pointers are writable, and calls go through them. */
    const nlsui_case_func saved = toupperU;
    CHECK(saved != NULL && isalnumU != NULL);
    toupperU = upperQ;
    CHECK(toupperU('q') == 'Q');
    toupperU = saved;
    CHECK(strcasecmpU16(hello, hello) == 0);
    CHECK(snprintfU16(out, 16, (const charU16[]){'%', 'd', '-', '%', 's', 0}, 42, hello) == 8);
    if (failures == 0) printf("C usage checks passed\n");
    return failures == 0 ? 0 : 1;
}
