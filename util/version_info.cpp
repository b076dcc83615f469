#include "util/version_info.h"

#include <cstring>
#include <vector>

#include "platform/last_error.h"
#include "platform/version_resources.h"
#include "util/basic_exception.h"
#include "util/format.h"

namespace {

// Reads the whole version resource; false when the file has none.
bool ReadVersionResource(const std::u16string& file, std::vector<unsigned char>& block) {
    platform::Dword handle = 0;
    platform::Dword size = platform::GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) return false;
    block.assign(size, 0);
    if (!platform::GetFileVersionInfoW(file.c_str(), handle, size, block.data())) {
        THROW_BASIC_DESC(file, platform::GetLastError());
    }
    return true;
}

}  // namespace

bool GetFileVersionString(const std::u16string& file, const std::u16string& name, std::u16string& out) {
    out.clear();
    std::vector<unsigned char> block;
    if (!ReadVersionResource(file, block)) return false;
    void* translation = nullptr;
    unsigned length = 0;
    if (!platform::VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &translation, &length) ||
        length < 4) {
        return false;
    }
    uint16_t language, codePage;
    std::memcpy(&language, translation, 2);
    std::memcpy(&codePage, static_cast<unsigned char*>(translation) + 2, 2);
    std::u16string subBlock = Format(u"\\StringFileInfo\\%04x%04x\\%s", language, codePage, name);
    void* text = nullptr;
    if (!platform::VerQueryValueW(block.data(), subBlock.c_str(), &text, &length)) return false;
    if (!text) THROW_BASIC_DESC(file, 0);
    // The value is a NUL-terminated text of `length` characters at most.
    const char16_t* chars = static_cast<const char16_t*>(text);
    size_t n = 0;
    while (n < length && chars[n]) ++n;
    out.assign(chars, n);
    return true;
}

bool GetFileVersion(const std::u16string& file, uint64_t& version) {
    std::vector<unsigned char> block;
    if (!ReadVersionResource(file, block)) return false;
    void* info = nullptr;
    unsigned length = 0;
    if (!platform::VerQueryValueW(block.data(), u"\\", &info, &length)) return false;
    if (!info || length < sizeof(platform::FixedFileInfo)) THROW_BASIC_DESC(file, 0);
    platform::FixedFileInfo fixed;
    std::memcpy(&fixed, info, sizeof fixed);
    version = (static_cast<uint64_t>(fixed.fileVersionMS) << 32) | fixed.fileVersionLS;
    return true;
}
