#pragma once
// Process-wide values the entry sets once and the script handlers read.

#include <string>

// The folder of the running program, without a final separator.
extern std::u16string WorkingDir;
// The second command-line argument, as given (it may be empty).
extern std::u16string ScriptFolder;
// Set for "apponly_install": driver packages are skipped.
extern bool AppOnly;
