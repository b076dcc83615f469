#pragma once
// Path texts: pure text operations with the backslash as separator.

#include <string>
#include <string_view>

// Slashes become backslashes, then the text is cut at its last backslash.
void StripLastPathPart(std::u16string& path);
std::u16string GetDirectoryPart(std::u16string_view path);
std::u16string GetFileNamePart(std::u16string_view path);
// Joins with exactly one backslash between two non-empty pieces.
void AppendPath(std::u16string& base, std::u16string_view part);
std::u16string CombinePath(std::u16string_view base, std::u16string_view part);
// True for names the platform gives driver package copies: oem<number>...
bool IsOemInfName(std::u16string_view path);
