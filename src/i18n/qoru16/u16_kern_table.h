// One x86 level's table, from the records its kernel templates are
// instantiated over: the string scans' vector record, the UTF-8 decoder's
// wide and narrow steps, and the UTF-8 encoder's record. Included last in a
// level file's target region, so that every kernel the table names is
// compiled for that level's target.
#ifndef QORU_U16_KERN_TABLE_H
#define QORU_U16_KERN_TABLE_H

namespace qoru {
namespace {

template <class Strings, class DecodeWide, class DecodeNarrow, class Encode>
constexpr Kernels levelKernels(CpuLevel level) {
    return Kernels{
        .level = level,
        .stringLength = Strings::stringLength,
        .findZeroOrUnit = Strings::findZeroOrUnit,
        .findUnit = Strings::findUnit,
        .findLast = Strings::findLast,
        .compare = Strings::compare,
        .copy = Strings::copy,
        .findZeroWithin = Strings::findZeroWithin,
        .compareWithin = Strings::compareWithin,
        .findUnitWithin = Strings::findUnitWithin,
        .fill = Strings::fill,
        .utf8ToUtf16 = to16::utf8ToUtf16<DecodeWide, DecodeNarrow>,
        .utf8ToUtf16Bounded = to16::utf8ToUtf16Bounded<DecodeWide, DecodeNarrow>,
        .encodeUtf8 = to8::encodeUtf8<Encode, false>,
        .encodeRealUtf8 = to8::encodeUtf8<Encode, true>,
        .countUtf8 = to8::countUtf8<Encode>,
        .fillUtf8Block = to8::fillUtf8Block<Encode>,
    };
}

}  // namespace
}  // namespace qoru

#endif
