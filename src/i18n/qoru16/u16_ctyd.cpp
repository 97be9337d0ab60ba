// Classification derived from the exported pointers, and the fixed
// hexadecimal-digit test.
#include "i18n/qoru16/u16_cty.h"

extern "C" QORUCUM_API int8_t isgraphU(int32_t c) {
    return (isprintU(c) & 0xFF) != 0 && c != 0x20 ? 1 : 0;
}

extern "C" QORUCUM_API int8_t ispunctU(int32_t c) {
    if ((isprintU(c) & 0xFF) == 0) return 0;
    if ((isalnumU(c) & 0xFF) != 0) return 0;
    return c != 0x20 ? 1 : 0;
}

// Whole 32-bit values are compared, and no pointer is called: this test
// never runs the initialization.
extern "C" QORUCUM_API int8_t isxdigitU(int32_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f') ? 1 : 0;
}
