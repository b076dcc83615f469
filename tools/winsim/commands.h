#pragma once
// The commands of winsim, the tool of the simulated machine. Each takes the words
// after its name and returns the tool's exit code; messages go to standard error.

#include <string>
#include <vector>

namespace winsim {

using Args = std::vector<std::string>;

int InitCommand(const std::string& prefix, const Args& args);
int RunCommand(const Args& args);
// reg query|set|delete|export|import
int RegCommand(const Args& args);
int InfoCommand(const Args& args);
int PathCommand(const Args& args);
int SnapshotCommand(const std::string& prefix, const Args& args);
int DiffCommand(const std::string& prefix, const Args& args);
// window add CLASS TITLE | window list
int WindowCommand(const Args& args);
// file lock WINPATH [--error N] | file unlock WINPATH
int FileCommand(const Args& args);
// fault add OP N ERROR | fault list | fault clear
int FaultCommand(const Args& args);
int RebootCommand(const Args& args);

// Prints "winsim: <message>" on standard error; returns the exit code for bad input.
int Usage(const std::string& message);

}  // namespace winsim
