#pragma once

#include <string>

// The program-files folder as the shell reports it; the root of drive C when the
// shell cannot tell.
void GetProgramFilesDirectory(std::u16string& out);
