#pragma once
// The file directives of a walked section: CopyFiles, DelFiles, RegDelFiles, DelDirs.

#include <string>

#include "driverinf/driver_inf.h"

class Update;

void ProcessCopyFiles(Update& update, DriverInf& reader, const std::u16string& section);
void CopyFiles(Update& update, DriverInf& reader, const std::u16string& fileSection);
void ProcessDelFiles(Update& update, DriverInf& reader, const std::u16string& section);
void DelFilesSection(Update& update, DriverInf& reader, const std::u16string& fileSection);
void ProcessRegDelFiles(Update& update, DriverInf& reader, const std::u16string& section);
void ProcessDelDirs(Update& update, DriverInf& reader, const std::u16string& section);
