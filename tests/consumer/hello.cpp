// u"..." literals, printfU16 and the exported data: the option variables and
// a character function pointer.
#include <qorucum.h>

int main() {
    charU16 program[] = u"hello_cpp", option[] = u"-n", value[] = u"grüße";
    charU16 *argv[] = {program, option, value, nullptr};
    if (getoptU(3, argv, u"n:") != u'n' || optargU != value || optindU != 3) return 1;
    printfU16(u"%s has %d code units, %c%c\n", optargU, static_cast<int>(strlenU16(optargU)),
              static_cast<int>(toupperU(u'o')), static_cast<int>(toupperU(u'k')));
    return 0;
}
