#pragma once
// Whole-file reads and writes through the platform, for tests that check the bytes
// a component left on the machine.

#include <string>

namespace testsupport {

std::string ReadBytes(const std::u16string& path);
void WriteBytes(const std::u16string& path, const std::string& bytes);

}  // namespace testsupport
