#pragma once
// The platform's shared-file reference counts (the SharedDLLs values under HKLM):
// one count per shared file, and the setup's own count under the name "QlnSetup".

#include <string>

enum class SharedDllNote { Adjusting, Resetting };

// Raises the count (to 2 for a file that was there before, when it had none);
// raises a BasicException when the key or the value cannot be written.
void AddSharedDllRef(const std::u16string& name, bool presentOnSystem,
                     SharedDllNote note = SharedDllNote::Adjusting);
// Lowers the count; true when the last reference is gone or nothing could be read.
bool ReleaseSharedDllRef(const std::u16string& name);
