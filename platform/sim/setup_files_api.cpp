// SetupAPI's source-file services: what a possibly compressed source file is, and its
// copy to a target, unpacked. LZ ("SZDD") files and cabinets are read with libmspack
// through the platform's own file calls.

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/inf.h"
#include "platform/last_error.h"
#include "platform/setup_files.h"
#include "platform/sim/faults.h"
#include "platform/sim/cabinet_entries.h"
#include "platform/sim/cabinet_file.h"
#include "platform/sim/host_text.h"
#include "platform/sim/mspack_io.h"

namespace platform {

namespace {

using sim::CabinetFile;
using sim::MspackFiles;

constexpr char kSzddMagic[] = "SZDD\x88\xF0\x27\x33";
constexpr char kCabinetMagic[] = "MSCF";

bool IsFile(const std::u16string& path) {
    Dword attributes = GetFileAttributesW(path.c_str());
    return attributes != kInvalidFileAttributes && !(attributes & kFileAttributeDirectory);
}

// The compressed form of a name: the last character of a three-letter extension
// replaced by `mark` ("cmd.exe" becomes "cmd.ex_"), or `mark` added to a shorter one.
std::u16string CompressedForm(const std::u16string& path, char16_t mark) {
    size_t nameStart = path.find_last_of(u"\\/");
    nameStart = nameStart == std::u16string::npos ? 0 : nameStart + 1;
    size_t dot = path.find_last_of(u'.');
    if (dot == std::u16string::npos || dot < nameStart) return path + u'.' + mark;
    if (path.size() - dot - 1 >= 3) return path.substr(0, path.size() - 1) + mark;
    return path + mark;
}

// The file a source name stands for: itself when it is there, else one of its two
// compressed forms, as the platform looks on a source medium.
std::optional<std::u16string> LocateSource(const char16_t* source) {
    std::u16string given(source);
    for (const std::u16string& candidate : {given, CompressedForm(given, u'_'), CompressedForm(given, u'$')}) {
        if (IsFile(candidate)) return candidate;
    }
    return std::nullopt;
}

struct Examined {
    Dword error = kErrSuccess;
    Dword sourceSize = 0;
    Dword targetSize = 0;
    unsigned type = kFileCompressionNone;
};

// The file's size and its first bytes, which tell its compression.
Dword ReadStart(const std::u16string& path, char (&start)[8], Dword* size) {
    Handle file = CreateFileW(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting, kFileAttributeNormal);
    if (file == InvalidHandle()) return GetLastError();
    int64_t length = 0;
    Dword read = 0;
    std::memset(start, 0, sizeof start);
    bool ok = GetFileSizeEx(file, &length) && ReadFile(file, start, sizeof start, &read);
    Dword error = ok ? kErrSuccess : GetLastError();
    CloseHandle(file);
    *size = static_cast<Dword>(length);
    return error;
}

unsigned TypeOf(const char (&start)[8]) {
    if (std::memcmp(start, kSzddMagic, 8) == 0) return kFileCompressionWinLz;
    // Windows names every cabinet MSZIP, whatever compression its folders use.
    if (std::memcmp(start, kCabinetMagic, 4) == 0) return kFileCompressionMsZip;
    return kFileCompressionNone;
}

// The unpacked size of an LZ file, from its header.
Dword LzTargetSize(const std::u16string& path, Dword* size) {
    MspackFiles files;
    msszdd_decompressor* lz = mspack_create_szdd_decompressor(files.System());
    if (!lz) return kErrNotEnoughMemory;
    msszddd_header* header = lz->open(lz, MspackFiles::Name(path).c_str());
    Dword error = header ? kErrSuccess : files.ErrorFor(lz->last_error(lz));
    if (header) {
        *size = static_cast<Dword>(header->length);
        lz->close(lz, header);
    }
    mspack_destroy_szdd_decompressor(lz);
    return error;
}

// The entry decompress-or-copy takes out of a cabinet: its first, leaving aside one
// that began in an earlier cabinet of a set.
mscabd_file* FirstEntry(CabinetFile& cabinet) {
    std::vector<sim::EntryContinuation> marks =
        sim::ReadEntryContinuations(cabinet.Files().System(), cabinet.Get()->filename, cabinet.Get()->base_offset);
    size_t index = 0;
    for (mscabd_file* entry = cabinet.Get()->files; entry; entry = entry->next, ++index) {
        if (index >= marks.size() || !marks[index].fromPrevious) return entry;
    }
    return nullptr;
}

Examined Examine(const std::u16string& path) {
    Examined result;
    char start[8];
    if ((result.error = ReadStart(path, start, &result.sourceSize))) return result;
    result.type = TypeOf(start);
    result.targetSize = result.sourceSize;
    if (result.type == kFileCompressionWinLz) {
        result.error = LzTargetSize(path, &result.targetSize);
    } else if (result.type == kFileCompressionMsZip) {
        CabinetFile cabinet;
        if ((result.error = cabinet.Open(path))) return result;
        mscabd_file* entry = FirstEntry(cabinet);
        if (!entry) result.error = kErrInvalidData;
        result.targetSize = entry ? entry->length : 0;
    }
    return result;
}

Dword ExpandLz(const std::u16string& source, const char16_t* target) {
    MspackFiles files;
    msszdd_decompressor* lz = mspack_create_szdd_decompressor(files.System());
    if (!lz) return kErrNotEnoughMemory;
    int result = lz->decompress(lz, MspackFiles::Name(source).c_str(), MspackFiles::Name(target).c_str());
    mspack_destroy_szdd_decompressor(lz);
    return files.ErrorFor(result);
}

Dword ExtractFirstEntry(const std::u16string& source, const char16_t* target) {
    CabinetFile cabinet;
    if (Dword error = cabinet.Open(source)) return error;
    mscabd_file* entry = FirstEntry(cabinet);
    if (!entry) return kErrInvalidData;
    return cabinet.Extract(entry, target);
}

Dword CopyAsIs(const std::u16string& source, const char16_t* target) {
    return CopyFileW(source.c_str(), target, false) ? kErrSuccess : GetLastError();
}

// Memory that LocalFree releases.
char16_t* LocalCopy(const std::u16string& text) {
    auto* copy = static_cast<char16_t*>(std::malloc((text.size() + 1) * sizeof(char16_t)));
    if (copy) std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(char16_t));
    return copy;
}

}  // namespace

Dword SetupGetFileCompressionInfoW(const char16_t* source, char16_t** actualName, Dword* sourceSize,
                                   Dword* targetSize, unsigned* compressionType) {
    if (Dword fault = sim::InjectFault("SetupGetFileCompressionInfoW")) return fault;
    if (!source || !actualName || !sourceSize || !targetSize || !compressionType) return kErrInvalidParameter;
    std::optional<std::u16string> found = LocateSource(source);
    if (!found) return kErrFileNotFound;
    Examined examined = Examine(*found);
    if (examined.error) return examined.error;
    char16_t* name = LocalCopy(*found);
    if (!name) return kErrNotEnoughMemory;
    *actualName = name;
    *sourceSize = examined.sourceSize;
    *targetSize = examined.targetSize;
    *compressionType = examined.type;
    return kErrSuccess;
}

Dword SetupDecompressOrCopyFileW(const char16_t* source, const char16_t* target, unsigned* compressionType) {
    if (Dword fault = sim::InjectFault("SetupDecompressOrCopyFileW")) return fault;
    if (!source || !target) return kErrInvalidParameter;
    if (compressionType && *compressionType > kFileCompressionNtCab) return kErrInvalidParameter;
    std::optional<std::u16string> found = LocateSource(source);
    if (!found) return kErrFileNotFound;
    char start[8];
    Dword size = 0;
    if (Dword error = ReadStart(*found, start, &size)) return error;
    unsigned type = compressionType ? *compressionType : TypeOf(start);
    switch (type) {
        case kFileCompressionWinLz:
            // A file that is no LZ file is copied as it is, as the platform's LZ
            // routines do.
            return TypeOf(start) == kFileCompressionWinLz ? ExpandLz(*found, target) : CopyAsIs(*found, target);
        case kFileCompressionMsZip:
        case kFileCompressionNtCab:
            return ExtractFirstEntry(*found, target);
        default:
            return CopyAsIs(*found, target);
    }
}

void LocalFree(void* memory) { std::free(memory); }

}  // namespace platform
