#include <stdio.h>
#include <qorucum.h>

int main(void) {
    const charU16 hello[] = {'h', 0xE9, 'l', 'l', 'o', 0};
    char utf8[32];
    U2sToUtf8s(utf8, hello, sizeof utf8);
    printf("%s has %zu code units\n", utf8, strlenU16(hello));
    return 0;
}
