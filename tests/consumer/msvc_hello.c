/* A C program built with Microsoft's toolchain (clang-cl, lld-link, qorucum.lib, the UCRT): varargs of every kind,
 * a va_list made here, the exported data, one stdout, errno and the heap shared with the DLL. */
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include <qorucum.h>

static int32_t format(charU16 *buffer, size_t size, const charU16 *format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t n = vsnprintfU16(buffer, size, format, args);
    va_end(args);
    return n;
}

int main(int argc, char **argv) {
    charU16 text[128], *copy, *options[] = {u"msvc_hello_c", u"skipped", u"-n", u"v\u00E9", NULL};
    char utf8[160];
    const int32_t n = format(text, 128, u"%d %u %lld %I64x %.3f %g %e %s %c|", -42, 4000000000u, -9000000000000LL,
                             0x123456789ABCULL, 3.14159, 1e-300, 0.5, u"gr\u00FC\u00DFe", 'Z');
    U2sToUtf8s(utf8, text, sizeof utf8);
    printf("args %d %s; vsnprintfU16 %d: %s\n", argc, argc > 1 ? argv[1] : "", (int)n, utf8);
    printf("printf, ");
    printfU16(u"printfU16 %.2f %lld %s, ", 2.5, 1LL << 40, u"\u00E9t\u00E9");
    printf("printf\n");
    errno = 0;
    strtolU16(u"99999999999", NULL, 10);
    printf("errno %s\n", errno == ERANGE ? "ERANGE" : "other");
    copy = strdupU16(u"copy");
    printfU16(u"strdupU16 %s\n", copy);
    free(copy);
    optindU = 2;
    const int32_t option = getoptU(4, options, u"n:");
    printfU16(u"getoptU %c %s %d, toupperU %c, isalphaU %d\n", option, optargU, optindU, toupperU('k'),
              isalphaU('k') != 0);
    return 0;
}
