#pragma once
// The fault plan of the simulated machine: the Nth call of a named platform
// operation, in each program started on the machine, fails with a given error. It is
// how a test makes every step of a commit fail in turn.

#include <sqlite3.h>

#include <string>
#include <vector>

#include "platform/types.h"

namespace platform::sim {

void CreateFaultSchema(sqlite3* db);

// Counts a call of `operation`; the error it must fail with, or 0.
Dword InjectFault(const char* operation);

// The operations that have fault points, by name.
const std::vector<std::string>& FaultOperations();

// winsim itself works on the machine without being subject to its fault plan.
void DisableFaults();

}  // namespace platform::sim
