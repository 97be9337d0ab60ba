/* Start-up for the programs that clang-cl and lld-link build against the UCRT
 * without Microsoft's start-up objects: the entry point sets up the arguments,
 * runs the C and C++ initializers and ends with exit(main(...)), which runs
 * the destructors registered through atexit. */
#include <stdlib.h>

#include <corecrt_startup.h>

__declspec(dllimport) int __cdecl _configure_narrow_argv(int mode);
__declspec(dllimport) int __cdecl _initialize_narrow_environment(void);
__declspec(dllimport) int __cdecl _initterm_e(_PIFV *first, _PIFV *last);
__declspec(dllimport) void __cdecl _initterm(_PVFV *first, _PVFV *last);
int main(int argc, char **argv);

enum { unexpandedArguments = 1 };
/* Set by code that uses floating point. */
int _fltused = 1;

/* The bounds of the initializer tables: the compiler puts C++ initializers in
 * .CRT$XCU, and the linker sorts the .CRT sections by name. */
#pragma section(".CRT$XIA", long, read)
#pragma section(".CRT$XIZ", long, read)
#pragma section(".CRT$XCA", long, read)
#pragma section(".CRT$XCZ", long, read)
__declspec(allocate(".CRT$XIA")) static _PIFV firstC[] = {0};
__declspec(allocate(".CRT$XIZ")) static _PIFV lastC[] = {0};
__declspec(allocate(".CRT$XCA")) static _PVFV firstCxx[] = {0};
__declspec(allocate(".CRT$XCZ")) static _PVFV lastCxx[] = {0};

/* Static destructors register here; exit() runs them. */
int __cdecl atexit(_PVFV function) { return _crt_atexit(function); }

void start(void) {
    if (_configure_narrow_argv(unexpandedArguments) != 0 || _initialize_narrow_environment() != 0 ||
        _initterm_e(firstC, lastC) != 0)
        exit(255);
    _initterm(firstCxx, lastCxx);
    exit(main(__argc, __argv));
}
