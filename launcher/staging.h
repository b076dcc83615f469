#pragma once
// The staging folder: a copy of the launcher's folder in the user's temporary folder,
// from which the launch list runs, deleted again at the end.

#include <string>

#include "platform/types.h"

// Copies the source folder's files and subfolders (except those whose names begin
// with a dot) into the target folder. 0, or the platform error that ended it part-way.
platform::Dword StageSetupFiles(const std::string& source, const std::string& target);

// Deletes the staging folder with everything in it.
void CleanupSetupFiles(const std::string& stagingFolder);
