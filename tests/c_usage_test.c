/* The public headers used from C11, linked against the shared library. The program hands the library its own FILE*
 * and reads the errno the library sets: both work only when the program and the library use the same C runtime
 * (on Windows: both on UCRT or both on msvcrt.dll). */
#include <errno.h>
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
    /* A pair as one four-byte sequence and back, six bytes in the per-unit form; a lone half fails. */
    const charU16 smile[] = {0xD83D, 0xDE00, 0};
    CHECK(U16sToUtf8s(utf8, smile, sizeof utf8) == 4 && strcmp(utf8, "\xF0\x9F\x98\x80") == 0);
    CHECK(Utf8sToU2s(copy, utf8, 8) == 2 && copy[0] == 0xD83D && copy[1] == 0xDE00 && copy[2] == 0);
    CHECK(U2sToUtf8s(NULL, smile, 0) == 6);
    errno = 0;
    CHECK(U16sToUtf8s(NULL, smile + 1, 0) == (size_t)-1 && errno == EILSEQ);
    CHECK(scprintfU16(u"%d-%s", 42, hello) == 8);
    nlsui_set_trace_func(NULL);
    /* The exported data: the character pointers are writable, and calls go through them. */
    const nlsui_case_func saved = toupperU;
    CHECK(saved != NULL && isalnumU != NULL);
    toupperU = upperQ;
    CHECK(toupperU('q') == 'Q');
    toupperU = saved;
    CHECK(strcasecmpU16(hello, hello) == 0);
    CHECK(snprintfU16(out, 16, (const charU16[]){'%', 'd', '-', '%', 's', 0}, 42, hello) == 8);
    /* Writes of both sides go through the one stream buffer, in order. */
    FILE *f = tmpfile();
    char rest[32] = {0};
    if (f == NULL) return fprintf(stderr, "FAILED: tmpfile\n"), 1;
    fputs("host ", f);
    CHECK(fprintfU16(f, u"dll %d caf\u00E9 ", 42) == 12); /* units written */
    fputs("host", f);
    rewind(f);
    CHECK(fgetcU16(f) == 'h');
    CHECK(fread(rest, 1, sizeof rest - 1, f) == 21 && strcmp(rest, "ost dll 42 caf\xC3\xA9 host") == 0);
    fclose(f);
    errno = 0;
    CHECK(fgetcU16(NULL) == -1 && errno == EBADF);
    if (failures == 0) printf("C usage checks passed\n");
    return failures == 0 ? 0 : 1;
}
