#include "cmdline/globals.h"

std::u16string WorkingDir;
std::u16string ScriptFolder;
bool AppOnly = false;
