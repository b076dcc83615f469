#pragma once
// Program images built in memory for the tests of version resources: small, but whole
// enough that the Windows loader maps them as data files, so that the same image serves
// the simulated machine's reader and the real GetFileVersionInfoW under Wine.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

enum class PeKind {
    Pe32Plus,  // x86-64, as kavrin64.exe
    Pe32,      // i686, as launcher.exe
};

struct VersionInfo {
    uint16_t fileVersion[4] = {1, 0, 0, 0};     // major, minor, build, revision
    uint16_t productVersion[4] = {1, 0, 0, 0};
    uint16_t language = 0x0409;
    uint16_t codePage = 1200;
    // Names and values of the StringFileInfo table keyed by language and code page.
    std::vector<std::pair<std::u16string, std::u16string>> strings;
    PeKind kind = PeKind::Pe32Plus;
};

// The file bytes of a console program with one resource: the version information
// (RT_VERSION, id 1, in info.language).
std::string BuildPeWithVersion(const VersionInfo& info);

// The same with the version information in several languages, one for each of
// versions, in the kind of the first. The loader finds languages by binary search,
// so the entries are sorted by language.
std::string BuildPeWithVersions(const std::vector<VersionInfo>& versions);

// The file bytes of a console program without a resource section.
std::string BuildPeWithoutResources(PeKind kind = PeKind::Pe32Plus);

// Where BuildPeWithVersion puts its parts in the file, for tests that damage them.
// The resource section follows the 0x200 bytes of headers; its tree has one entry on
// each level (with one language), each directory 0x18 bytes long.
namespace pe_layout {
constexpr size_t kPeHeader = 0x80;                 // "PE\0\0", then the COFF header
constexpr size_t kOptionalHeader = kPeHeader + 24;
constexpr size_t kSectionTable = kOptionalHeader + 0xF0;  // of a PE32+ image
constexpr size_t kResources = 0x200;               // the root directory: types
constexpr size_t kNameDirectory = kResources + 0x18;
constexpr size_t kLanguageDirectory = kResources + 0x30;
constexpr size_t kDataEntry = kResources + 0x48;   // OffsetToData (an RVA), Size
constexpr size_t kData = kResources + 0x58;        // the version block
}  // namespace pe_layout

// The VS_VERSIONINFO block alone, as GetFileVersionInfoW copies it.
std::string BuildVersionBlock(const VersionInfo& info);

}  // namespace testsupport
