#pragma once
// The system libraries of the simulated machine: which exist, where they lie, and
// which of their functions a program may look up by name. Which functions a library
// exports follows the machine's Windows version, as on the real systems.

#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform::sim {

Module FindSystemModule(std::u16string_view name);
bool IsSystemModule(Module module);
std::u16string ModulePath(Module module);
FarProc FindSystemFunction(Module module, std::string_view name);

}  // namespace platform::sim
