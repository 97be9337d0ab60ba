// The stream side of the scan input's read and push-back primitives.
#include "i18n/qoru16/u16_FrmIn.h"
#include "i18n/qoru16/u16_get.h"
#include "i18n/qoru16/u16_utf8.h"
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

namespace {

int32_t takeSlot(int32_t &slot) {
    const int32_t unit = slot;
    slot = emptyPushBack;
    return unit;
}

}  // namespace

// The slot first, then the low half of a pair; otherwise (a byte that is not
// ASCII, an empty view, a platform that shows no buffer) the stream decoder on
// the stream brought up to date. A supplementary character gives its high
// surrogate now and its low one at the next read.
int32_t readStreamUnit(ScanInput &in) {
    if (in.pushBack != emptyPushBack) return takeSlot(in.pushBack);
    if (in.pendingLow != emptyPushBack) return takeSlot(in.pendingLow);
    settleStream(in);
    const int32_t value = readStreamCharacter(in.stream, &in.gaveBack, true);
    viewStream(in);
    if (value <= 0xFFFF) return value;
    in.pendingLow = lowSurrogate(static_cast<char32_t>(value));
    return highSurrogate(static_cast<char32_t>(value));
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
