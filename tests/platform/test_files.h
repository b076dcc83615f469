#pragma once
// Small file helpers of the conformance tests, written with the platform calls
// themselves so that they work on either backend.

#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "util/text.h"

namespace platformtest {

// Closes its handle on every path out of a test.
class FileHandle {
public:
    explicit FileHandle(platform::Handle handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }
    bool Valid() const { return handle_ != platform::InvalidHandle(); }
    platform::Handle Get() const { return handle_; }
    void Close() {
        if (Valid()) platform::CloseHandle(handle_);
        handle_ = platform::InvalidHandle();
    }

private:
    platform::Handle handle_;
};

inline bool WriteWholeFile(const std::u16string& path, std::string_view bytes) {
    FileHandle file(platform::CreateFileW(path.c_str(), platform::kGenericWrite, 0,
                                          platform::kCreateAlways, platform::kFileAttributeNormal));
    if (!file.Valid()) return false;
    platform::Dword written = 0;
    return platform::WriteFile(file.Get(), bytes.data(), static_cast<platform::Dword>(bytes.size()),
                               &written) &&
           written == bytes.size();
}

// The whole content, or nothing when the file cannot be opened for reading.
inline std::optional<std::string> ReadWholeFile(const std::u16string& path) {
    FileHandle file(platform::CreateFileW(path.c_str(), platform::kGenericRead, platform::kFileShareRead,
                                          platform::kOpenExisting, platform::kFileAttributeNormal));
    if (!file.Valid()) return std::nullopt;
    std::string content;
    char buffer[4096];
    for (;;) {
        platform::Dword n = 0;
        if (!platform::ReadFile(file.Get(), buffer, sizeof buffer, &n)) return std::nullopt;
        if (n == 0) return content;
        content.append(buffer, n);
    }
}

inline bool Exists(const std::u16string& path) {
    return platform::GetFileAttributesW(path.c_str()) != platform::kInvalidFileAttributes;
}

// UTF-8, so that a failing comparison prints readable texts.
inline std::string Narrow(std::u16string_view text) { return Utf16ToUtf8(text); }

}  // namespace platformtest
