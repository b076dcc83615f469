#pragma once
// The machine's ANSI code page, Windows-1252, as the ANSI forms of the platform calls
// convert their texts: to UTF-16 on the way in, back on the way out.

#include <string>
#include <string_view>

namespace platform::sim {

std::u16string AnsiToWide(std::string_view text);
// A character the code page has not becomes '?', as the platform's default does.
std::string WideToAnsi(std::u16string_view text);

// Copies `text` with its NUL into `buffer` when it fits in `size` characters and
// answers its length; otherwise answers the size needed, NUL included, and writes
// nothing (the rule of GetTempPath and its kin).
uint32_t CopyOutAnsi(const std::string& text, uint32_t size, char* buffer);

}  // namespace platform::sim
