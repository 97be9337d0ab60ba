// A C++ program built with Microsoft's toolchain: a static initializer and a static destructor call the library.
#include <stdio.h>

#include <qorucum.h>

struct Greeting {
    Greeting() { printfU16(u"static initializer: %d units\n", static_cast<int>(strlenU16(u"gr\u00FC\u00DFe"))); }
    ~Greeting() { printfU16(u"static destructor: %s\n", u"bye"); }
} greeting;

int main() {
    printf("main: ");
    printfU16(u"%s %.1f\n", u"C++", 0.25);
    return 0;
}
