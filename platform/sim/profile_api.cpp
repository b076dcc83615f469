// The platform's INI reader on the simulated machine, with the platform's rules: names
// without regard to case, quotes around a value removed, comment lines kept out of key
// lists, answers cut to the buffer.

#include <algorithm>
#include <optional>
#include <string>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/profile.h"
#include "platform/sim/ansi_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/profile_text.h"

namespace platform {

namespace {

// The file's bytes, or none with the last error set.
std::optional<std::string> ReadWholeFile(const std::u16string& path) {
    Handle file = CreateFileW(path.c_str(), kGenericRead, kFileShareRead | kFileShareWrite, kOpenExisting,
                              kFileAttributeNormal);
    if (file == InvalidHandle()) return std::nullopt;
    std::string bytes;
    char chunk[8192];
    Dword n = 0;
    while (ReadFile(file, chunk, sizeof chunk, &n) && n > 0) bytes.append(chunk, n);
    CloseHandle(file);
    return bytes;
}

// A name without a folder means a file in the Windows folder.
std::u16string ProfilePath(const std::u16string& fileName) {
    if (fileName.find_first_of(u"\\/") != std::u16string::npos) return fileName;
    return sim::Machine::Current().Settings().windowsDir + u"\\" + fileName;
}

Dword CopyValue(const std::string& text, char* buffer, Dword size) {
    size_t n = std::min<size_t>(text.size(), size - 1);
    std::copy_n(text.data(), n, buffer);
    buffer[n] = 0;
    return static_cast<Dword>(n);
}

// A list of NUL-ended names and its final NUL; a cut list keeps two NULs at its end.
Dword CopyList(const std::string& list, char* buffer, Dword size) {
    if (list.size() <= size) {
        std::copy(list.begin(), list.end(), buffer);
        return static_cast<Dword>(list.size() - 1);
    }
    if (size < 2) {
        buffer[0] = 0;
        return 0;
    }
    std::copy_n(list.data(), size - 2, buffer);
    buffer[size - 2] = 0;
    buffer[size - 1] = 0;
    return size - 2;
}

}  // namespace

Dword GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* buffer, Dword size, const char* fileName) {
    if (!buffer || size == 0) return 0;
    // Blanks at the end of the default are not part of it.
    std::u16string fallback = sim::AnsiToWide(defaultValue ? defaultValue : "");
    while (!fallback.empty() && fallback.back() == u' ') fallback.pop_back();

    std::optional<std::string> bytes = ReadWholeFile(ProfilePath(sim::AnsiToWide(fileName ? fileName : "")));
    if (!bytes) {
        Dword error = GetLastError();
        Dword n = CopyValue(sim::WideToAnsi(fallback), buffer, size);
        SetLastError(error);
        return n;
    }
    std::vector<sim::ProfileSection> sections = sim::ParseProfile(sim::DecodeProfile(*bytes));
    SetLastError(0);
    std::u16string list;
    if (!section) {
        for (const sim::ProfileSection& s : sections) {
            if (!s.name.empty()) list += s.name + u'\0';
        }
    } else if (const sim::ProfileSection* found = sim::FindSection(sections, sim::AnsiToWide(section))) {
        if (key) {
            const sim::ProfileKey* k = sim::FindKey(*found, sim::AnsiToWide(key));
            std::u16string value = k && k->value ? *k->value : fallback;
            return CopyValue(sim::WideToAnsi(sim::Unquoted(value)), buffer, size);
        }
        for (const sim::ProfileKey& k : found->keys) {
            if (k.value && !k.comment) list += k.name + u'\0';
        }
    }
    if (list.empty() && !section) {
        buffer[0] = 0;
        if (size > 1) buffer[1] = 0;
        return 0;
    }
    if (list.empty()) return CopyValue(sim::WideToAnsi(sim::Unquoted(fallback)), buffer, size);
    list += u'\0';
    return CopyList(sim::WideToAnsi(list), buffer, size);
}

}  // namespace platform
