#include "tests/support/file_bytes.h"

#include "platform/files.h"

namespace testsupport {

std::string ReadBytes(const std::u16string& path) {
    platform::Handle h = platform::CreateFileW(path.c_str(), platform::kGenericRead,
                                               platform::kFileShareRead | platform::kFileShareWrite |
                                                   platform::kFileShareDelete,
                                               platform::kOpenExisting, 0);
    if (h == platform::InvalidHandle()) return "<missing>";
    std::string bytes;
    char buffer[4096];
    platform::Dword n = 0;
    while (platform::ReadFile(h, buffer, sizeof buffer, &n) && n > 0) bytes.append(buffer, n);
    platform::CloseHandle(h);
    return bytes;
}

void WriteBytes(const std::u16string& path, const std::string& bytes) {
    platform::Handle h = platform::CreateFileW(path.c_str(), platform::kGenericWrite, 0,
                                               platform::kCreateAlways, 0);
    platform::Dword n = 0;
    platform::WriteFile(h, bytes.data(), static_cast<platform::Dword>(bytes.size()), &n);
    platform::CloseHandle(h);
}

}  // namespace testsupport
