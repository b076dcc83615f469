#include "platform/sim/pe_version.h"

#include <algorithm>
#include <initializer_list>

#include "platform/errors.h"

namespace platform::sim {
namespace {

constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kVersionInfoName = 1;  // VS_VERSION_INFO
constexpr uint32_t kHighBit = 0x80000000;

bool Fits(std::string_view bytes, uint64_t at, uint64_t size) {
    return at <= bytes.size() && size <= bytes.size() - at;
}

// Little-endian reads that fail rather than run past the end of the bytes.
bool Read16(std::string_view bytes, uint64_t at, uint32_t* value) {
    if (!Fits(bytes, at, 2)) return false;
    *value = static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8;
    return true;
}

bool Read32(std::string_view bytes, uint64_t at, uint32_t* value) {
    uint32_t low, high;
    if (!Read16(bytes, at, &low) || !Read16(bytes, at + 2, &high)) return false;
    *value = low | high << 16;
    return true;
}

uint64_t AlignUp4(uint64_t value) { return (value + 3) & ~uint64_t{3}; }

// Why no version resource could be read, in the loader's terms. Windows reports a
// file that is no image, or an image it cannot map, as one without a resource
// section: the loader's ERROR_BAD_EXE_FORMAT does not come out of
// GetFileVersionInfoSizeW.
enum class Failure {
    None,
    NoResourceSection,  // not an image, a damaged one, or one without resources
    NoVersionType,      // resources, but none of type RT_VERSION
    NoVersionName,      // RT_VERSION, but not the name 1
    NoVersionLanguage,  // the name 1, in no language
};

// Codes that errors.h does not name yet.
constexpr uint32_t kErrResourceNameNotFound = 1814;
constexpr uint32_t kErrResourceLangNotFound = 1815;

uint32_t ErrorCode(Failure failure) {
    switch (failure) {
        case Failure::NoVersionType: return kErrResourceTypeNotFound;
        case Failure::NoVersionName: return kErrResourceNameNotFound;
        case Failure::NoVersionLanguage: return kErrResourceLangNotFound;
        default: return kErrResourceDataNotFound;
    }
}

// The headers of a PE image that the resource lookup needs.
struct PeImage {
    std::string_view file;
    uint64_t sectionTable = 0;
    uint32_t sectionCount = 0;
    uint32_t resourceRva = 0;
};

// Where in the file the size bytes at rva lie. They must be backed by the raw data of
// one section, and that section must be whole in the file: a cut-off file is refused
// whatever part of it was lost.
bool RvaToOffset(const PeImage& image, uint64_t rva, uint64_t size, uint64_t* offset) {
    for (uint32_t i = 0; i < image.sectionCount; ++i) {
        const uint64_t header = image.sectionTable + uint64_t{i} * 40;
        uint32_t virtualSize, virtualAddress, rawSize, rawOffset;
        Read32(image.file, header + 8, &virtualSize);  // the table was checked whole
        Read32(image.file, header + 12, &virtualAddress);
        Read32(image.file, header + 16, &rawSize);
        Read32(image.file, header + 20, &rawOffset);
        const uint64_t span = virtualSize != 0 ? virtualSize : rawSize;
        if (rva < virtualAddress || rva - virtualAddress >= span) continue;
        const uint64_t delta = rva - virtualAddress;
        if (!Fits(image.file, rawOffset, rawSize) || delta > rawSize || size > rawSize - delta)
            return false;
        *offset = rawOffset + delta;
        return true;
    }
    return false;
}

bool ReadHeaders(std::string_view file, PeImage* image) {
    image->file = file;
    uint32_t mz, peOffset, signature;
    if (!Read16(file, 0, &mz) || mz != 0x5A4D || !Read32(file, 0x3C, &peOffset) ||
        !Read32(file, peOffset, &signature) || signature != 0x00004550)
        return false;

    const uint64_t coff = uint64_t{peOffset} + 4;
    const uint64_t optional = coff + 20;
    uint32_t sectionCount, optionalSize, magic;
    if (!Read16(file, coff + 2, &sectionCount) || !Read16(file, coff + 16, &optionalSize) ||
        !Read16(file, optional, &magic))
        return false;
    uint64_t rvaCountAt;
    if (magic == 0x10B) rvaCountAt = 92;
    else if (magic == 0x20B) rvaCountAt = 108;
    else return false;

    image->sectionTable = optional + optionalSize;
    image->sectionCount = sectionCount;
    if (!Fits(file, image->sectionTable, uint64_t{sectionCount} * 40)) return false;

    // Only the directories that the header counts, and that lie inside the optional
    // header, exist.
    const uint64_t resourceEntry = rvaCountAt + 4 + 2 * 8;
    uint32_t rvaCount, resourceSize;
    if (resourceEntry + 8 > optionalSize || !Read32(file, optional + rvaCountAt, &rvaCount) ||
        rvaCount <= 2 || !Read32(file, optional + resourceEntry, &image->resourceRva) ||
        !Read32(file, optional + resourceEntry + 4, &resourceSize))
        return false;
    return image->resourceRva != 0 && resourceSize != 0;
}

enum class Fallback { None, FirstEntry };

// Looks in the resource directory at directoryOffset (from the root of the resource
// tree) for the first of ids that it holds, else with Fallback::FirstEntry for its
// first entry, and gives that entry's OffsetToData. Entries with names come first,
// then those with ids; a name's Name field has the high bit set, so it never equals
// an id. Finding nothing gives the failure missing.
Failure FindEntry(const PeImage& image, uint32_t directoryOffset,
                  std::initializer_list<uint32_t> ids, Fallback fallback, Failure missing,
                  uint32_t* target) {
    const uint64_t rva = uint64_t{image.resourceRva} + directoryOffset;
    uint64_t at;
    uint32_t namedCount, idCount;
    if (!RvaToOffset(image, rva, 16, &at)) return Failure::NoResourceSection;
    Read16(image.file, at + 12, &namedCount);
    Read16(image.file, at + 14, &idCount);
    const uint32_t count = namedCount + idCount;
    if (!RvaToOffset(image, rva, 16 + uint64_t{count} * 8, &at)) return Failure::NoResourceSection;

    const uint64_t entries = at + 16;
    for (uint32_t id : ids) {
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t name;
            Read32(image.file, entries + i * 8, &name);
            if (name == id) {
                Read32(image.file, entries + i * 8 + 4, target);
                return Failure::None;
            }
        }
    }
    if (fallback == Fallback::None || count == 0) return missing;
    Read32(image.file, entries + 4, target);
    return Failure::None;
}

uint32_t MakeLangId(uint32_t primary, uint32_t sublanguage) { return sublanguage << 10 | primary; }

Failure CopyVersionResource(const PeImage& image, uint16_t userLanguage,
                            std::string* resource) {
    // Type, then name, then language. Like FindResourceW, take the name 1 only, and
    // of its languages the neutral one, the user's, another of the user's primary
    // language, English, or else the first.
    constexpr uint32_t kEnglishUs = 0x0409;
    const uint32_t primary = userLanguage & 0x3FF;
    // The first two levels hold directories, the last a data entry.
    uint32_t target;
    Failure f = FindEntry(image, 0, {kRtVersion}, Fallback::None, Failure::NoVersionType, &target);
    if (f != Failure::None) return f;
    if (!(target & kHighBit)) return Failure::NoResourceSection;
    f = FindEntry(image, target & ~kHighBit, {kVersionInfoName}, Fallback::None,
                  Failure::NoVersionName, &target);
    if (f != Failure::None) return f;
    if (!(target & kHighBit)) return Failure::NoResourceSection;
    f = FindEntry(image, target & ~kHighBit,
                  {0, userLanguage, MakeLangId(primary, 0), MakeLangId(primary, 1), kEnglishUs},
                  Fallback::FirstEntry, Failure::NoVersionLanguage, &target);
    if (f != Failure::None) return f;
    if (target & kHighBit) return Failure::NoResourceSection;

    // The data entry holds an RVA, unlike the offsets within the tree.
    uint64_t entry, data;
    uint32_t dataRva, dataSize;
    if (!RvaToOffset(image, uint64_t{image.resourceRva} + target, 16, &entry))
        return Failure::NoResourceSection;
    Read32(image.file, entry, &dataRva);
    Read32(image.file, entry + 4, &dataSize);
    if (!RvaToOffset(image, dataRva, dataSize, &data)) return Failure::NoResourceSection;
    resource->assign(image.file.substr(data, dataSize));
    return Failure::None;
}

// One node of a version block, as offsets into the block.
struct VersionNode {
    uint64_t keyStart;
    uint64_t keyEnd;  // at the key's NUL
    uint64_t valueStart;
    uint64_t valueUnits;  // the stored wValueLength, cut to what the node holds
    uint64_t childrenStart;
    uint64_t end;  // start + wLength
};

// Reads the node at start, which must end within limit (its parent's end). A node
// too short for its own header, or whose key has no end, is refused: that stops the
// walk, as a length of 0 does.
bool ReadNode(std::string_view block, uint64_t start, uint64_t limit, VersionNode* node) {
    uint32_t length, valueLength, type;
    if (start > limit || !Read16(block, start, &length) || length < 6 || length > limit - start)
        return false;
    node->end = start + length;
    Read16(block, start + 2, &valueLength);
    Read16(block, start + 4, &type);

    node->keyStart = start + 6;
    uint64_t at = node->keyStart;
    for (uint32_t unit; at + 2 <= node->end && Read16(block, at, &unit); at += 2) {
        if (unit == 0) break;
    }
    if (at + 2 > node->end) return false;
    node->keyEnd = at;

    // Offsets align from the node's start; nodes themselves start 4-aligned.
    const uint64_t unitSize = type != 0 ? 2 : 1;  // text values count characters
    node->valueStart = start + AlignUp4(at + 2 - start);
    const uint64_t room = node->valueStart < node->end ? node->end - node->valueStart : 0;
    // The value a malformed node claims past its end is cut short, so that a caller
    // who trusts the length stays inside the block.
    node->valueUnits = valueLength * unitSize <= room ? valueLength : room / unitSize;
    node->childrenStart = start + AlignUp4(node->valueStart + valueLength * unitSize - start);
    return true;
}

char16_t FoldAscii(char16_t unit) { return unit >= u'a' && unit <= u'z' ? unit - 0x20 : unit; }

bool KeyEquals(std::string_view block, const VersionNode& node, std::u16string_view name) {
    if (node.keyEnd - node.keyStart != uint64_t{name.size()} * 2) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        uint32_t unit;
        Read16(block, node.keyStart + i * 2, &unit);
        if (FoldAscii(static_cast<char16_t>(unit)) != FoldAscii(name[i])) return false;
    }
    return true;
}

bool FindChild(std::string_view block, const VersionNode& parent, std::u16string_view name,
               VersionNode* child) {
    // Each child is at least 6 bytes long, so the walk moves on by 8 at the least.
    for (uint64_t at = parent.childrenStart; at < parent.end; at += AlignUp4(child->end - at)) {
        if (!ReadNode(block, at, parent.end, child)) return false;
        if (KeyEquals(block, *child, name)) return true;
    }
    return false;
}

}  // namespace

bool FindVersionResource(std::string_view fileBytes, std::string* resource, uint32_t* error,
                         uint16_t userLanguage) {
    PeImage image;
    const Failure failure = ReadHeaders(fileBytes, &image)
                                ? CopyVersionResource(image, userLanguage, resource)
                                : Failure::NoResourceSection;
    if (failure == Failure::None) return true;
    *error = ErrorCode(failure);
    return false;
}

bool QueryVersionValue(const void* block, size_t blockSize, std::u16string_view subBlock,
                       const void** value, unsigned* length) {
    const std::string_view bytes(static_cast<const char*>(block), blockSize);
    subBlock = subBlock.substr(0, subBlock.find(u'\0'));

    VersionNode node;
    bool found = ReadNode(bytes, 0, bytes.size(), &node);
    for (size_t at = 0; found && at < subBlock.size();) {
        if (subBlock[at] == u'\\') {
            ++at;
            continue;
        }
        const size_t end = std::min(subBlock.find(u'\\', at), subBlock.size());
        VersionNode child;
        found = FindChild(bytes, node, subBlock.substr(at, end - at), &child);
        node = child;
        at = end;
    }
    if (!found) {
        *length = 0;
        return false;
    }
    *value = static_cast<const char*>(block) + node.valueStart;
    *length = static_cast<unsigned>(node.valueUnits);
    return true;
}

}  // namespace platform::sim
