// The stream side of the scan input's read and push-back primitives.
#include "i18n/qoru16/u16_FrmIn.h"
#include "i18n/qoru16/u16_get.h"
#include "platform/platform.h"

namespace qoru {

void viewStream(ScanInput &in) {
    const plat::BufferedBytes buffered = plat::bufferedInput(in.stream);
    in.bufferedStart = buffered.bytes;
    in.bufferedNext = buffered.bytes;
    in.bufferedEnd = buffered.bytes + buffered.count;
}

void settleStream(ScanInput &in) {
    if (in.bufferedNext != in.bufferedStart) {
        plat::consumeBuffered(in.stream, static_cast<size_t>(in.bufferedNext - in.bufferedStart));
        in.bufferedStart = in.bufferedNext;
    }
}

// The slot first; otherwise (a byte that is not ASCII, an empty view, a
// platform that shows no buffer) fgetcU16 on the stream brought up to date.
int32_t readStreamUnit(ScanInput &in) {
    if (in.pushBack != emptyPushBack) {
        const int32_t unit = in.pushBack;
        in.pushBack = emptyPushBack;
        return unit;
    }
    settleStream(in);
    const int32_t unit = fgetcU16Tracked(in.stream, &in.gaveBack);
    viewStream(in);
    return unit;
}

// An ASCII unit is one byte, so it can go back to the stream itself and is
// then seen by the next read of any reader: taken from the view, the view
// steps back over it; otherwise ungetc gives it back. Where the decoder has
// already given a byte back (it broke the sequence just read), a second
// ungetc is not guaranteed to work: the unit stays in the slot, and so does
// any unit the stream refuses. A unit of two or more bytes always stays in
// the slot.
void pushBackStreamUnit(ScanInput &in, int32_t unit) {
    if (unit < 0x80 && !in.gaveBack) {
        if (in.bufferedNext != in.bufferedStart && in.bufferedNext[-1] == unit) {
            --in.bufferedNext;
            return;
        }
        settleStream(in);
        const bool taken = plat::unreadByte(unit, in.stream) != EOF;
        viewStream(in);
        if (taken) return;
    }
    in.pushBack = unit;
}

}  // namespace qoru
