#pragma once
// The walk of a setup script's sections into one transaction.

#include <string>
#include <vector>

#include "driverinf/driver_inf.h"

class Update;

// Opens the transaction's rollback log, then walks every section of the list in order.
void InstallSections(Update& update, DriverInf& reader, const std::vector<std::u16string>& sections);
// The directive keys of one section, in their fixed order.
void ProcessSection(Update& update, DriverInf& reader, const std::u16string& section,
                    const std::vector<std::u16string>& sections);
// A nested script walked into a sub-transaction; true when there was one.
bool ProcessSubInstall(Update& update, DriverInf& reader, const std::u16string& section,
                       const std::vector<std::u16string>& sections);
void ProcessPackageUninstalls(Update& update, DriverInf& reader, const std::u16string& section);
void ProcessUninstallLog(Update& update, DriverInf& reader, const std::u16string& section);
// The full path of the uninstall log named by [Setup] UninstallLog; its folder is made.
std::u16string ResolveUninstallLog(DriverInf& reader);
std::u16string GetDefaultInstallPath(DriverInf& reader);
std::u16string GetDriverStore(DriverInf& reader);
