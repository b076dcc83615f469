#pragma once

#include <string>

// Writes the run's result message as the "Message" value of SOFTWARE\QlnSetup under
// the current user, for a caller that reads the outcome from the registry.
void RegWriteMessage(const std::u16string& message);
