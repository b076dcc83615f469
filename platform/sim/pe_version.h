#pragma once
// Version resources read straight from the bytes of a program file, for the simulated
// machine's GetFileVersionInfoW and VerQueryValueW. Files come from outside (a package
// under test), so every offset and size in them is checked before use.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::sim {

// Copies the version resource of a PE32 or PE32+ image into *resource: the one that
// GetFileVersionInfoW reads, of type RT_VERSION and name 1, in the language that the
// loader prefers for a user of userLanguage. On failure sets *error to the Win32 code
// that GetFileVersionInfoSizeW gives for such a file.
bool FindVersionResource(std::string_view fileBytes, std::string* resource, uint32_t* error,
                         uint16_t userLanguage = 0x0409);

// VerQueryValueW over a VS_VERSIONINFO block of blockSize bytes. subBlock is a path of
// keys separated by backslashes ("\", "\VarFileInfo\Translation",
// "\StringFileInfo\040904b0\ProductVersion"), matched without regard to case; empty
// components are skipped, so "" and "\" name the root. *value points into the block;
// *length is the stored value length: characters (with the NUL) for a text value,
// bytes for a binary one. A path that is not there gives false and *length = 0, and
// leaves *value alone.
bool QueryVersionValue(const void* block, size_t blockSize, std::u16string_view subBlock,
                       const void** value, unsigned* length);

}  // namespace platform::sim
