#pragma once
// The readings of a line's fields: as text after substitution, as an integer, as
// bytes, and the whole value part of the line.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/inf_model.h"
#include "platform/types.h"

namespace platform::sim::inf {

// Field `index` (0 is the key) after substitution; false when the line has no such field.
bool FieldText(const InfData& inf, const Line& line, uint32_t index, std::u16string* out);

// The same as a view, of the pool when nothing is substituted, else of *scratch (see
// Substituted): reading a field then copies nothing.
bool FieldView(const InfData& inf, const Line& line, uint32_t index, std::u16string* scratch,
               std::u16string_view* out);

// SetupGetIntField's reading of a text: the C runtime's strtol with base 0 on the
// field (blanks, a sign, 0x for hex, a leading 0 for octal), all of it consumed, the
// value saturated to 32 bits; an empty text is 0. Returns 0 or kErrInvalidData.
Dword ReadInt(std::u16string_view text, int* value);

// Field `index` read as an integer: 0, kErrInvalidData, or kErrInvalidParameter when
// the line has no such field.
Dword IntField(const InfData& inf, const Line& line, uint32_t index, int* value);

// Fields `index` to the end of the line as one byte each, from the text as written:
// hex digits after an optional 0x, at most FF. Returns 0, kErrInvalidData, or
// kErrInvalidParameter for field 0 or a field past the end.
Dword BinaryField(const InfData& inf, const Line& line, uint32_t index, std::vector<uint8_t>* out);

// Fields 1..n after substitution, joined by commas.
void LineText(const InfData& inf, const Line& line, std::u16string* out);

}  // namespace platform::sim::inf
