// The ANSI forms of the file, module and registry calls on the simulated machine:
// each converts its texts and calls its UTF-16 form.

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/process.h"
#include "platform/sim/ansi_text.h"
#include "platform/sim/fail.h"
#include "platform/sim/host_text.h"

namespace platform {

namespace {

// A text argument that may be null.
struct Wide {
    explicit Wide(const char* text) {
        if (text) value = sim::AnsiToWide(text);
    }
    const char16_t* get() const { return value ? value->c_str() : nullptr; }
    std::optional<std::u16string> value;
};

void ToFindDataA(const FindData& in, FindDataA* out) {
    std::memset(out, 0, sizeof *out);
    out->fileAttributes = in.fileAttributes;
    out->creationTime = in.creationTime;
    out->lastAccessTime = in.lastAccessTime;
    out->lastWriteTime = in.lastWriteTime;
    out->fileSizeHigh = in.fileSizeHigh;
    out->fileSizeLow = in.fileSizeLow;
    out->reserved0 = in.reserved0;
    out->reserved1 = in.reserved1;
    std::string name = sim::WideToAnsi(in.fileName);
    std::copy_n(name.data(), std::min<size_t>(name.size(), kMaxPath - 1), out->fileName);
    std::string alternate = sim::WideToAnsi(in.alternateFileName);
    std::copy_n(alternate.data(), std::min<size_t>(alternate.size(), 13), out->alternateFileName);
}

bool IsStringType(Dword type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

}  // namespace

std::vector<std::string> MainArgumentsA(int argc, char** argv) {
    // The host hands a program of the machine its arguments in UTF-8.
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(sim::WideToAnsi(sim::FromHost(argv[i])));
    return args;
}

Dword GetModuleFileNameA(Module module, char* buffer, Dword size) {
    std::vector<char16_t> wide(32768);
    Dword n = GetModuleFileNameW(module, wide.data(), static_cast<Dword>(wide.size()));
    if (n == 0) return 0;
    if (size == 0) return sim::Fail(kErrInsufficientBuffer, Dword{0});
    std::string path = sim::WideToAnsi(std::u16string_view(wide.data(), n));
    if (path.size() + 1 > size) {
        std::copy_n(path.data(), size - 1, buffer);
        buffer[size - 1] = 0;
        return sim::Fail(kErrInsufficientBuffer, size);
    }
    std::copy(path.begin(), path.end(), buffer);
    buffer[path.size()] = 0;
    SetLastError(0);
    return static_cast<Dword>(path.size());
}

Dword GetTempPathA(Dword bufferLength, char* buffer) {
    std::vector<char16_t> wide(32768);
    Dword n = GetTempPathW(static_cast<Dword>(wide.size()), wide.data());
    if (n == 0) return 0;
    return sim::CopyOutAnsi(sim::WideToAnsi(std::u16string_view(wide.data(), n)), bufferLength, buffer);
}

bool CreateDirectoryA(const char* path) { return CreateDirectoryW(Wide(path).get()); }

bool CopyFileA(const char* existing, const char* target, bool failIfExists) {
    return CopyFileW(Wide(existing).get(), Wide(target).get(), failIfExists);
}

Handle FindFirstFileA(const char* pattern, FindDataA* data) {
    FindData wide;
    Handle search = FindFirstFileW(Wide(pattern).get(), &wide);
    if (search != InvalidHandle()) ToFindDataA(wide, data);
    return search;
}

bool FindNextFileA(Handle search, FindDataA* data) {
    FindData wide;
    if (!FindNextFileW(search, &wide)) return false;
    ToFindDataA(wide, data);
    return true;
}

LStatus RegOpenKeyExA(HKey key, const char* subKey, Dword options, Dword access, HKey* result) {
    return RegOpenKeyExW(key, Wide(subKey).get(), options, access, result);
}

LStatus RegQueryValueExA(HKey key, const char* valueName, Dword* type, void* data, Dword* size) {
    if (data && !size) return static_cast<LStatus>(kErrInvalidParameter);
    Wide name(valueName);
    Dword storedType = 0, wideSize = 0;
    if (LStatus s = RegQueryValueExW(key, name.get(), &storedType, nullptr, &wideSize)) return s;
    if (!IsStringType(storedType)) return RegQueryValueExW(key, name.get(), type, data, size);
    std::u16string text(wideSize / 2, u'\0');
    if (LStatus s = RegQueryValueExW(key, name.get(), nullptr, text.data(), &wideSize)) return s;
    text.resize(wideSize / 2);
    std::string ansi = sim::WideToAnsi(text);
    Dword needed = static_cast<Dword>(ansi.size());
    if (type) *type = storedType;
    if (!data) {
        if (size) *size = needed;
        return 0;
    }
    if (*size < needed) {
        *size = needed;
        return static_cast<LStatus>(kErrMoreData);
    }
    std::memcpy(data, ansi.data(), ansi.size());
    *size = needed;
    return 0;
}

}  // namespace platform
