// The stream side of the scan input's read and push-back primitives.
#include "i18n/qoru16/u16_FrmIn.h"
#include "i18n/qoru16/u16_get.h"
#include "platform/platform.h"

namespace qoru {

// The call holds the stream's lock, so an ASCII byte already in the
// stream's buffer is taken from there: it is what fgetcU16 would return for
// it. Every other byte, and a stream whose buffer the platform does not
// show, goes through fgetcU16.
int32_t readStreamUnit(ScanInput &in) {
    if (in.pushBack != emptyPushBack) {
        const int32_t unit = in.pushBack;
        in.pushBack = emptyPushBack;
        return unit;
    }
    const plat::BufferedBytes buffered = plat::bufferedInput(in.stream);
    if (buffered.count > 0 && buffered.bytes[0] < 0x80) {
        plat::consumeBuffered(in.stream, 1);
        in.gaveBack = false;  // a byte given back earlier has been read now
        return buffered.bytes[0];
    }
    return fgetcU16Tracked(in.stream, &in.gaveBack);
}

// An ASCII unit is one byte, so it can go back to the stream itself and is
// then seen by the next read of any reader. Where the decoder has already
// given a byte back (it broke the sequence just read), a second ungetc is not
// guaranteed to work: the unit stays in the slot, and so does any unit the
// stream refuses. A unit of two or more bytes always stays in the slot.
void pushBackStreamUnit(ScanInput &in, int32_t unit) {
    in.pushBack = unit;
    if (unit < 0x80 && !in.gaveBack && plat::unreadByte(unit, in.stream) != EOF) in.pushBack = emptyPushBack;
}

}  // namespace qoru
