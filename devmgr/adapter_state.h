#pragma once

#include <string>

enum class AdapterState { Disable, Enable };

// Disables or enables the network adapter with this configuration instance id.
// True when the change was made.
bool ChangeAdapterState(const std::u16string& adapterId, AdapterState state);
