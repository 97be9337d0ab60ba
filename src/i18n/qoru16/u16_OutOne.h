// The one-directive path of the printf family: a format that is one bare
// "%d" or "%s" between runs of plain text, into a buffer that holds all of
// it, is written without the engine's context, staging and directive record.
#ifndef QORU_U16_OUTONE_H
#define QORU_U16_OUTONE_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "i18n/qoru16/u16_format.h"

namespace qoru {

// What formatOneDirective returns when the engine has to do the work.
inline constexpr int32_t oneDirectiveDeclined = -2;

// Writes the format's text into buffer (capacity limit units, terminator
// included) and returns its length, as the engine would, when buffer and
// format are not null, the format is one bare "%d" or "%s" with no other
// "%", the string is not null and the whole text and its terminator fit.
// Otherwise writes nothing and returns oneDirectiveDeclined. Either way args
// may have been read from: the engine needs a fresh list (va_start again, or
// a copy taken before). Variadic entry points restart their list, which
// costs less than copying one.
int32_t formatOneDirective(charU16 *buffer, size_t limit, const charU16 *format, va_list args);

}  // namespace qoru

#endif
