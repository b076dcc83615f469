#include "util/file_services.h"

#include <vector>

#include "log/log.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/process.h"
#include "platform/system.h"
#include "util/path_text.h"

namespace {

constexpr platform::Dword kFirstRoom = 260;

// A buffer-sized platform query: first with room for 260 characters, then once more
// with the size the platform asked for. Empty on failure.
template <class Query>
std::u16string QuerySized(Query query) {
    std::vector<char16_t> buffer(kFirstRoom);
    platform::Dword n = query(buffer.data(), static_cast<platform::Dword>(buffer.size()));
    if (n >= buffer.size()) {
        buffer.assign(n + 1, 0);
        n = query(buffer.data(), static_cast<platform::Dword>(buffer.size()));
        if (n >= buffer.size()) return {};
    }
    return std::u16string(buffer.data(), n);
}

}  // namespace

void GetSystemWindowsDirectory(std::u16string& out) {
    platform::OsVersionInfoW info{};
    info.osVersionInfoSize = sizeof info;
    bool versionKnown = platform::GetVersionExW(&info);
    if (!versionKnown || info.platformId == platform::kVerPlatformWin32Windows) {
        out = QuerySized([](char16_t* b, platform::Dword n) { return platform::GetWindowsDirectoryW(b, n); });
        if (out.empty()) THROW_BASIC();
        return;
    }
    if (info.majorVersion < 5) {
        out = QuerySized([](char16_t* b, platform::Dword n) { return platform::GetSystemDirectoryW(b, n); });
        if (out.empty()) THROW_BASIC();
        StripLastPathPart(out);
        return;
    }
    platform::Module kernel32 = platform::GetModuleHandleW(u"kernel32.dll");
    auto getDirectory = kernel32 ? reinterpret_cast<platform::GetSystemWindowsDirectoryWFn>(
                                       platform::GetProcAddress(kernel32, "GetSystemWindowsDirectoryW"))
                                 : nullptr;
    platform::Dword answer = 0;
    if (getDirectory) {
        out = QuerySized([&](char16_t* b, platform::Dword n) {
            answer = getDirectory(b, n);
            return answer;
        });
    } else {
        out.clear();
    }
    if (out.empty()) {
        LogPrint(2, u"GetSystemWindowsDirectory() failed. return %lu. GetLastError %lu\n", answer,
                 platform::GetLastError());
        THROW_BASIC();
    }
}

void GetModulePath(platform::Module module, std::u16string& out) {
    std::vector<char16_t> buffer(kFirstRoom, 0);
    platform::Dword n = platform::GetModuleFileNameW(module, buffer.data(), kFirstRoom);
    if (n >= kFirstRoom) {
        // The answer filled the first buffer: it may have been cut.
        buffer.assign(kFirstRoom * 10, 0);
        n = platform::GetModuleFileNameW(module, buffer.data(), kFirstRoom * 10);
        if (n > kFirstRoom * 10) n = kFirstRoom * 10;
    }
    out.assign(buffer.data(), n);
    if (out.empty()) THROW_BASIC();
}

void GetModuleDirectory(platform::Module module, std::u16string& out) {
    GetModulePath(module, out);
    StripLastPathPart(out);
}

void CreateTempFileName(const std::u16string& folder, std::u16string& out) {
    char16_t buffer[platform::kMaxPath] = {};
    if (platform::GetTempFileNameW(folder.c_str(), u"qln", 0, buffer) == 0) {
        THROW_BASIC_DESC(folder, platform::GetLastError());
    }
    out = buffer;
}

int GetFullPath(const std::u16string& path, std::u16string& out) {
    out = QuerySized([&](char16_t* b, platform::Dword n) {
        return platform::GetFullPathNameW(path.c_str(), n, b, nullptr);
    });
    return out.empty() ? -1 : 0;
}

bool FileExists(const std::u16string& path) {
    platform::FindData found;
    platform::Handle search = platform::FindFirstFileW(path.c_str(), &found);
    if (search == platform::InvalidHandle()) return false;
    platform::FindClose(search);
    return true;
}

void CreateDirectoryTree(const std::u16string& path) {
    int result = platform::SHCreateDirectoryExW(path.c_str());
    if (result != 0 && result != static_cast<int>(platform::kErrAlreadyExists)) {
        THROW_BASIC_DESC(path, static_cast<uint32_t>(result));
    }
}

std::u16string GetTempFolder() {
    char16_t buffer[platform::kMaxPath] = {};
    platform::Dword n = platform::GetTempPathW(platform::kMaxPath, buffer);
    return n > 0 && n < platform::kMaxPath ? std::u16string(buffer, n) : std::u16string();
}
