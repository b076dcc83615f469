#pragma once
// The platform's splitting of a command line into a program's arguments (the C
// runtime's rules), which the simulated machine applies to give a started program
// its host arguments.

#include <string>
#include <string_view>
#include <vector>

namespace platform::sim {

// Element 0 is the program name as the line gives it (empty when the line starts
// with a blank); the arguments follow.
std::vector<std::u16string> SplitWindowsCommandLine(std::u16string_view line);

}  // namespace platform::sim
