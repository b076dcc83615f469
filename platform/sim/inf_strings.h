#pragma once
// The string table of an open INF and the %name% substitution that every field
// reading goes through.

#include <string>
#include <string_view>

#include "platform/sim/inf_model.h"

namespace platform::sim::inf {

// A substituted text keeps at most this many characters (Windows 10 1709 and later).
constexpr size_t kMaxString = 4096;

// Chooses the one Strings section the file substitutes from, for a language as
// Windows chooses it: Strings.<exact id>, then the language with SUBLANG_NEUTRAL, then
// any Strings.<id> of the same primary language (the first in the file), then the
// plain [Strings]. Then indexes that section's keys.
void ChooseStrings(InfData& inf, uint16_t langId);

// The text with each %name% pair replaced, in one pass from left to right:
// %% is one %, a name of the chosen Strings section is the first field of its line, a
// decimal number is that DIRID's folder (one backslash less when a backslash follows
// and the folder ends in one), and anything else stays as written with both signs.
void Substitute(const InfData& inf, std::u16string_view text, std::u16string* out);

// The same, without a copy when the text has no % (most fields): a view of `text`
// itself, else of *scratch, which then holds the substituted text.
std::u16string_view Substituted(const InfData& inf, std::u16string_view text, std::u16string* scratch);

}  // namespace platform::sim::inf
