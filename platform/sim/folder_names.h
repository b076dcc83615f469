#pragma once
// The search for a name in any case among a host folder's entries, which the mapping
// of a Windows path needs whenever the name is not there in the case given: for
// every path of a file about to be made, so once or more per file an installer
// writes.

#include <string>
#include <string_view>

namespace platform::sim {

// Looks for an entry of the host folder whose name folds to the same text as `name`.
// True with the entry's host name when there is one; the first one the folder lists
// when there are several.
bool FindNameInAnyCase(const std::string& folder, std::u16string_view name, std::string* hostName);

}  // namespace platform::sim
