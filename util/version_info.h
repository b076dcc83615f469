#pragma once
// Version resources of files.

#include <cstdint>
#include <string>

// One string of the version resource, in its first language and code page.
bool GetFileVersionString(const std::u16string& file, const std::u16string& name, std::u16string& out);
// The fixed file version, major.minor.build.revision from the high 16 bits down.
bool GetFileVersion(const std::u16string& file, uint64_t& version);
