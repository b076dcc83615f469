#pragma once
// Packages and file trees for scenario tests: a fixture package copied onto a
// machine, and the state of a folder tree to compare before and after a run.

#include <map>
#include <string>

#include "tests/support/scenario_machine.h"

namespace scenario {

// The source tree's fixture folder (tests/fixtures/<name>).
std::string FixturePath(const std::string& name);
// Copies a host folder's files to a Windows folder of the machine.
void CopyFolder(Machine& machine, const std::string& hostFolder, const std::string& windowsFolder);
// Every file and folder below a Windows folder: relative path → contents ("<dir>"
// for a folder). Empty when the folder does not exist.
std::map<std::string, std::string> TreeOf(const Machine& machine, const std::string& windowsFolder);
// A fresh simulated machine ("sim", made with these init options) or the run's Wine
// prefix ("wine", with what earlier scenarios left below C:\Program Files\Quillon
// removed); null for "wine" when no Windows build was given.
std::unique_ptr<Machine> MachineFor(const std::string& kind, const SimOptions& options);

// winsim of the simulated machine behind `machine` (its prefix is found from drive C).
RunResult Winsim(const Machine& machine, const std::vector<std::string>& args);

}  // namespace scenario
