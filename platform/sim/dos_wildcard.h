#pragma once
// Name matching of the platform's directory search: `*` and `?` with the DOS rules
// (`*.*` matches every name, `*.` names without extension, `?` before a dot or at the
// end may match nothing), case-insensitively. Short 8.3 names are not simulated.

#include <string_view>

namespace platform::sim {

bool HasWildcards(std::u16string_view pattern);
bool MatchesDosPattern(std::u16string_view pattern, std::u16string_view name);

}  // namespace platform::sim
