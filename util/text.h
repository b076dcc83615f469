#pragma once
// Conversions between the program's UTF-16 texts and the UTF-8 of files and
// standard output, and the comma-list splitting of script values.

#include <string>
#include <string_view>
#include <vector>

// Converts up to the first NUL. An unpaired surrogate throws BasicException.
std::string Utf16ToUtf8(std::u16string_view text);

// Converts up to the first NUL byte. Returns 0 when everything was converted; -1 when
// a malformed sequence stopped the conversion (the output holds what came before it).
int Utf8ToUtf16(std::string_view bytes, std::u16string* out);

// The pieces between commas, in order: no quoting, no trimming.
void SplitCommaList(std::u16string_view text, std::vector<std::u16string>* out);
