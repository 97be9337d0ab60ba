// Character classification: the nine exported pointers, their lazy stubs,
// the 7-bit fallbacks and the way the binder re-points the pointers.
#ifndef QORU_U16_CTY_H
#define QORU_U16_CTY_H

#include "qorucum/ctype.h"

namespace qoru {

// One target for each exported pointer, in the order of the exports.
struct CharacterFunctions {
    nlsui_class_func isalnum, isalpha, iscntrl, islower, isprint, isspace, isupper;
    nlsui_case_func tolower, toupper;
};

// The stubs the pointers start on: each runs the initialization, then calls
// through its own pointer.
extern const CharacterFunctions lazyCharacterFunctions;
// The 7-bit emergency functions.
extern const CharacterFunctions sevenBitCharacterFunctions;

// Stores all nine pointers. Each store is atomic and releases what was
// written before it, so a thread that reads a pointer sees its stub or a
// complete target; calls through the pointers stay plain indirect calls.
void publishCharacterFunctions(const CharacterFunctions &targets);

}  // namespace qoru

#endif
