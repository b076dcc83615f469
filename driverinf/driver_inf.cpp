#include "driverinf/driver_inf.h"

#include "log/log.h"
#include "platform/errors.h"
#include "platform/last_error.h"
#include "platform/system.h"
#include "util/basic_exception.h"
#include "util/file_services.h"

namespace {

const char16_t kDecoration[] = u".amd64";

// The platform's "not found" answers as lookup codes; anything else is a failure.
InfStatus StatusOfLastError(bool integerField = false) {
    platform::Dword error = platform::GetLastError();
    if (error == platform::kErrSectionNotFound) return InfNoSection;
    if (error == platform::kErrLineNotFound) return InfNoLine;
    if (error == platform::kErrInvalidParameter) return InfNoField;
    if (integerField && error == platform::kErrInvalidData) return InfNoField;
    THROW_BASIC();
}

// A buffer-sized read: asks for the size first, then reads.
template <class Read>
bool ReadSized(Read read, std::u16string& text) {
    platform::Dword required = 0;
    if (!read(nullptr, 0, &required)) {
        if (platform::GetLastError() != platform::kErrInsufficientBuffer) return false;
    }
    std::u16string buffer(required ? required : 1, u'\0');
    if (!read(buffer.data(), static_cast<platform::Dword>(buffer.size()), &required)) return false;
    buffer.resize(required ? required - 1 : 0);
    text = std::move(buffer);
    return true;
}

}  // namespace

DriverInf::~DriverInf() { Close(); }

void DriverInf::Close() {
    if (handle_) {
        platform::SetupCloseInfFile(handle_);
        handle_ = nullptr;
    }
}

void DriverInf::Open(const std::u16string& path, uint16_t language) {
    Close();
    if (GetFullPath(path, path_) != 0) THROW_BASIC_DESC(path, platform::GetLastError());
    platform::HInf inf;
    platform::Dword error = 0;
    if (language == kUserDefaultLanguage) {
        inf = platform::SetupOpenInfFileW(path_.c_str(), nullptr, platform::kInfStyleWin4, nullptr);
        error = platform::GetLastError();
    } else {
        // The script's Strings section follows the thread locale: open it in the
        // language asked for, keeping the locale's sort order.
        platform::Lcid current = platform::GetThreadLocale();
        LogPrint(2, u"Current thread locale 0x%04x, setting to 0x%04x\n", current & 0xFFFF, language);
        platform::SetThreadLocale(language | (current & 0xF0000));
        inf = platform::SetupOpenInfFileW(path_.c_str(), nullptr, platform::kInfStyleWin4, nullptr);
        error = platform::GetLastError();
        platform::SetThreadLocale(current);
    }
    if (inf == platform::InvalidInf() || inf == nullptr) THROW_BASIC_DESC(path, error);
    handle_ = inf;
}

platform::HInf DriverInf::Handle() const {
    // A reader that never opened has nothing to read: the platform would answer
    // with an invalid handle, which is a failure, not an absent section.
    if (!handle_) THROW_BASIC_DESC(path_, platform::kErrInvalidHandle);
    return handle_;
}

const std::u16string& DriverInf::GetPath() const {
    if (path_.empty()) THROW_BASIC();
    return path_;
}

std::u16string DriverInf::GetDirectory() const {
    if (path_.empty()) THROW_BASIC();
    std::u16string directory = path_;
    for (char16_t& c : directory) {
        if (c == u'/') c = u'\\';
    }
    size_t cut = directory.find_last_of(u'\\');
    if (cut != std::u16string::npos) directory.resize(cut);
    return directory;
}

bool DriverInf::SectionExists(const std::u16string& section) {
    if (platform::SetupGetLineCountW(Handle(), section.c_str()) >= 0) return true;
    platform::Dword error = platform::GetLastError();
    if (error == platform::kErrSectionNotFound) return false;
    THROW_BASIC_DESC(section, error);
}

std::u16string DriverInf::Decorate(const std::u16string& section) {
    // Applied twice, so a name carrying the suffix twice wins over the one carrying it once.
    std::u16string name = section;
    for (int i = 0; i < 2; ++i) {
        if (SectionExists(name + kDecoration)) name += kDecoration;
    }
    return name;
}

InfStatus DriverInf::FindLine(const std::u16string& section, const std::u16string& key, platform::InfContext& line) {
    std::u16string name = Decorate(section);
    if (platform::SetupFindFirstLineW(Handle(), name.c_str(), key.c_str(), &line)) return InfFound;
    return StatusOfLastError();
}

InfStatus DriverInf::GetLineByIndex(const std::u16string& section, uint32_t index, platform::InfContext& line) {
    std::u16string name = Decorate(section);
    if (platform::SetupGetLineByIndexW(Handle(), name.c_str(), index, &line)) return InfFound;
    return StatusOfLastError();
}

InfStatus DriverInf::GetLineCount(const std::u16string& section, long& count) {
    std::u16string name = Decorate(section);
    long n = platform::SetupGetLineCountW(Handle(), name.c_str());
    if (n >= 0) {
        count = n;
        return InfFound;
    }
    if (platform::GetLastError() == platform::kErrSectionNotFound) {
        LogPrint(1, u"[%s] section is missing.\n", section);
        return InfNoSection;
    }
    THROW_BASIC();
}

InfStatus DriverInf::GetStringField(const platform::InfContext& line, uint32_t field, std::u16string& text) {
    bool ok = ReadSized(
        [&](char16_t* buffer, platform::Dword size, platform::Dword* required) {
            return platform::SetupGetStringFieldW(&line, field, buffer, size, required);
        },
        text);
    return ok ? InfFound : StatusOfLastError();
}

InfStatus DriverInf::GetLineText(const std::u16string& section, const std::u16string& key, std::u16string& text) {
    text.clear();
    platform::InfContext line{};
    if (InfStatus status = FindLine(section, key, line)) return status;
    bool ok = ReadSized(
        [&](char16_t* buffer, platform::Dword size, platform::Dword* required) {
            return platform::SetupGetLineTextW(&line, nullptr, nullptr, nullptr, buffer, size, required);
        },
        text);
    return ok ? InfFound : StatusOfLastError();
}

InfStatus DriverInf::GetKeyField(const std::u16string& section, const std::u16string& key, uint32_t field,
                                 std::u16string& text) {
    text.clear();
    platform::InfContext line{};
    if (InfStatus status = FindLine(section, key, line)) return status;
    return GetStringField(line, field, text);
}

InfStatus DriverInf::GetKeyFields(const std::u16string& section, const std::u16string& key,
                                  std::vector<std::u16string>& fields) {
    fields.clear();
    platform::InfContext line{};
    if (InfStatus status = FindLine(section, key, line)) return status;
    for (;;) {
        platform::Dword count = platform::SetupGetFieldCount(&line);
        for (platform::Dword i = 1; i <= count; ++i) {
            std::u16string text;
            if (InfStatus status = GetStringField(line, i, text)) return status;
            fields.push_back(std::move(text));
        }
        platform::InfContext next{};
        if (!platform::SetupFindNextMatchLineW(&line, key.c_str(), &next)) break;
        line = next;
    }
    return InfFound;
}

InfStatus DriverInf::GetLineField(const std::u16string& section, uint32_t index, uint32_t field, std::u16string& text) {
    platform::InfContext line{};
    if (InfStatus status = GetLineByIndex(section, index, line)) return status;
    return GetStringField(line, field, text);
}

InfStatus DriverInf::GetLineInt(const std::u16string& section, uint32_t index, uint32_t field, int& value) {
    platform::InfContext line{};
    if (InfStatus status = GetLineByIndex(section, index, line)) return status;
    int read = 0;
    if (!platform::SetupGetIntField(&line, field, &read)) return StatusOfLastError(true);
    value = read;
    return InfFound;
}

InfStatus DriverInf::GetLineBinary(const std::u16string& section, uint32_t index, uint32_t field,
                                   std::vector<uint8_t>& bytes) {
    platform::InfContext line{};
    if (InfStatus status = GetLineByIndex(section, index, line)) return status;
    platform::Dword required = 0;
    if (!platform::SetupGetBinaryField(&line, field, nullptr, 0, &required) &&
        platform::GetLastError() != platform::kErrInsufficientBuffer) {
        return StatusOfLastError(true);
    }
    std::vector<uint8_t> read(required);
    if (!platform::SetupGetBinaryField(&line, field, read.data(), required, &required)) {
        return StatusOfLastError(true);
    }
    read.resize(required);
    bytes = std::move(read);
    return InfFound;
}

InfStatus DriverInf::GetColumn(const std::u16string& section, uint32_t field, std::vector<std::u16string>& column) {
    column.clear();
    long count = 0;
    if (InfStatus status = GetLineCount(section, count)) return status;
    for (long i = 0; i < count; ++i) {
        std::u16string text;
        if (InfStatus status = GetLineField(section, static_cast<uint32_t>(i), field, text)) return status;
        column.push_back(std::move(text));
    }
    return InfFound;
}

std::vector<std::u16string> DriverInf::GetSourceDisksFiles() {
    std::vector<std::u16string> files;
    if (GetColumn(u"SourceDisksFiles", 0, files) != InfFound) THROW_BASIC();
    return files;
}

std::vector<std::u16string> DriverInf::GetPnpIds() {
    std::u16string models, decoration;
    GetLineField(u"Manufacturer", 0, 1, models);
    GetLineField(u"Manufacturer", 0, 2, decoration);
    std::vector<std::u16string> ids;
    if (GetColumn(models + u"." + decoration, 2, ids) != InfFound) THROW_BASIC();
    return ids;
}

std::u16string DriverInf::GetTargetPath(const std::u16string& section, Naming naming) {
    std::u16string name = naming == Naming::Decorated ? Decorate(section) : section;
    std::u16string path;
    bool ok = ReadSized(
        [&](char16_t* buffer, platform::Dword size, platform::Dword* required) {
            return platform::SetupGetTargetPathW(Handle(), nullptr, name.c_str(), buffer, size, required);
        },
        path);
    if (!ok) THROW_BASIC_DESC(section, platform::GetLastError());
    return path;
}

bool DriverInf::GetSourceFileLocation(const std::u16string& fileName, unsigned& sourceId,
                                      std::u16string& relativePath) {
    unsigned id = 0;
    bool ok = ReadSized(
        [&](char16_t* buffer, platform::Dword size, platform::Dword* required) {
            return platform::SetupGetSourceFileLocationW(Handle(), nullptr, fileName.c_str(), &id, buffer, size,
                                                         required);
        },
        relativePath);
    if (!ok) {
        platform::Dword error = platform::GetLastError();
        if (error == platform::kErrLineNotFound || error == platform::kErrSectionNotFound) return false;
        THROW_BASIC_DESC(fileName, error);
    }
    sourceId = id;
    return true;
}
