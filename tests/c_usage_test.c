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
    if (failures == 0) printf("C usage checks passed\n");
    return failures == 0 ? 0 : 1;
}
