#pragma once
// A restart of the simulated machine: the moves and deletions deferred to it are
// carried out, and what does not survive a restart (files held in use, staged
// windows) is dropped.

#include <string>
#include <vector>

namespace platform::sim {

// One line per deferred operation carried out (or failed), for the user to see.
std::vector<std::string> Reboot();

}  // namespace platform::sim
