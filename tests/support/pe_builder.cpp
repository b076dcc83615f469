#include "tests/support/pe_builder.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace testsupport {
namespace {

constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kPeHeaderOffset = pe_layout::kPeHeader;
constexpr uint32_t kSectionRva = kSectionAlignment;  // the one section follows the headers
constexpr uint16_t kRtVersion = 16;

void Put16(std::string& out, size_t at, uint32_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, size_t at, uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

void Put64(std::string& out, size_t at, uint64_t value) {
    Put32(out, at, static_cast<uint32_t>(value));
    Put32(out, at + 4, static_cast<uint32_t>(value >> 32));
}

void Append16(std::string& out, uint32_t value) {
    out.append(2, '\0');
    Put16(out, out.size() - 2, value);
}

void Append32(std::string& out, uint32_t value) {
    out.append(4, '\0');
    Put32(out, out.size() - 4, value);
}

uint32_t AlignUp(uint32_t value, uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

void PadTo4(std::string& out) { out.append(AlignUp(out.size(), 4) - out.size(), '\0'); }

// One node of a version block: header, key, value, then children, each 4-aligned.
struct VersionNode {
    std::u16string key;
    uint16_t type = 0;            // 1 text, 0 binary
    std::string value;            // raw bytes
    uint16_t valueLength = 0;     // as stored: characters for text, bytes for binary
    std::vector<VersionNode> children;
};

// Writes the node at the end of out, which must be 4-aligned from the block's start.
// wLength counts the padding between children but not after the last one.
void WriteNode(const VersionNode& node, std::string& out) {
    const size_t start = out.size();
    Append16(out, 0);  // wLength, known at the end
    Append16(out, node.valueLength);
    Append16(out, node.type);
    for (char16_t unit : node.key) Append16(out, unit);
    Append16(out, 0);
    PadTo4(out);
    out += node.value;
    for (const VersionNode& child : node.children) {
        PadTo4(out);
        WriteNode(child, out);
    }
    const size_t length = out.size() - start;
    if (length > 0xFFFF) throw std::length_error("version node longer than 65535 bytes");
    Put16(out, start, static_cast<uint32_t>(length));
}

VersionNode TextNode(std::u16string key, const std::u16string& text) {
    VersionNode node{std::move(key), 1, {}, 0, {}};
    for (char16_t unit : text) Append16(node.value, unit);
    Append16(node.value, 0);
    node.valueLength = static_cast<uint16_t>(text.size() + 1);
    return node;
}

std::string FixedFileInfo(const VersionInfo& info) {
    auto high = [](const uint16_t* v) { return uint32_t{v[0]} << 16 | v[1]; };
    auto low = [](const uint16_t* v) { return uint32_t{v[2]} << 16 | v[3]; };
    std::string fixed;
    Append32(fixed, 0xFEEF04BD);
    Append32(fixed, 0x00010000);  // structure version 1.0
    Append32(fixed, high(info.fileVersion));
    Append32(fixed, low(info.fileVersion));
    Append32(fixed, high(info.productVersion));
    Append32(fixed, low(info.productVersion));
    Append32(fixed, 0x3F);       // VS_FFI_FILEFLAGSMASK
    Append32(fixed, 0);          // no flags
    Append32(fixed, 0x00040004); // VOS_NT_WINDOWS32
    Append32(fixed, 1);          // VFT_APP
    Append32(fixed, 0);
    Append32(fixed, 0);
    Append32(fixed, 0);
    return fixed;
}

std::u16string TableKey(uint16_t language, uint16_t codePage) {
    char text[9];
    std::snprintf(text, sizeof text, "%04X%04X", language, codePage);
    return std::u16string(text, text + 8);
}

// The resource section, placed at kSectionRva: the three directory levels (type,
// name, language), the data entries, then the data, each block 8-aligned.
std::string ResourceSection(const std::vector<std::pair<uint16_t, std::string>>& blocks) {
    constexpr uint32_t kNameDir = pe_layout::kNameDirectory - pe_layout::kResources;
    constexpr uint32_t kLanguageDir = pe_layout::kLanguageDirectory - pe_layout::kResources;
    constexpr uint32_t kSubdirectory = 0x80000000;
    const uint32_t count = static_cast<uint32_t>(blocks.size());
    const uint32_t dataEntries = kLanguageDir + 16 + 8 * count;
    std::string section;
    auto directoryHeader = [&section](uint32_t idCount) {
        section.append(12, '\0');  // characteristics, time stamp, version
        Append16(section, 0);      // named entries
        Append16(section, idCount);
    };
    directoryHeader(1);
    Append32(section, kRtVersion);
    Append32(section, kSubdirectory | kNameDir);
    directoryHeader(1);
    Append32(section, 1);  // VS_VERSION_INFO
    Append32(section, kSubdirectory | kLanguageDir);
    directoryHeader(count);
    for (uint32_t i = 0; i < count; ++i) {
        Append32(section, blocks[i].first);
        Append32(section, dataEntries + 16 * i);
    }
    uint32_t data = AlignUp(dataEntries + 16 * count, 8);
    for (const auto& [language, block] : blocks) {
        Append32(section, kSectionRva + data);  // an RVA, unlike the offsets above
        Append32(section, static_cast<uint32_t>(block.size()));
        Append32(section, 0);  // code page
        Append32(section, 0);
        data = AlignUp(data + static_cast<uint32_t>(block.size()), 8);
    }
    for (const auto& [language, block] : blocks) {
        section.append(AlignUp(section.size(), 8) - section.size(), '\0');
        section += block;
    }
    return section;
}

enum class SectionKind { Resources, Data };

// A console program whose one section holds sectionData, at kSectionRva. It has no
// code: the loader maps it as a data file only.
std::string BuildImage(PeKind kind, const std::string& sectionData, SectionKind sectionKind) {
    const bool isResources = sectionKind == SectionKind::Resources;
    const bool plus = kind == PeKind::Pe32Plus;
    const uint32_t optionalSize = plus ? 0xF0 : 0xE0;
    const uint32_t sectionTable = kPeHeaderOffset + 4 + 20 + optionalSize;
    const uint32_t headersSize = AlignUp(sectionTable + 40, kFileAlignment);
    const uint32_t virtualSize = static_cast<uint32_t>(sectionData.size());
    const uint32_t rawSize = AlignUp(virtualSize, kFileAlignment);
    const uint32_t imageSize = kSectionRva + AlignUp(virtualSize, kSectionAlignment);

    std::string image(headersSize + rawSize, '\0');

    // DOS header and the stub that says the program needs Windows.
    static const unsigned char kDosStub[] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09,
                                             0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21};
    static const char kDosMessage[] = "This program cannot be run in DOS mode.\r\r\n$";
    image[0] = 'M';
    image[1] = 'Z';
    Put16(image, 0x02, 0x90);    // bytes on the last page
    Put16(image, 0x04, 3);       // pages
    Put16(image, 0x08, 4);       // header paragraphs
    Put16(image, 0x0C, 0xFFFF);  // most extra paragraphs
    Put16(image, 0x10, 0xB8);    // initial SP
    Put16(image, 0x18, 0x40);    // relocation table
    Put32(image, 0x3C, kPeHeaderOffset);
    image.replace(0x40, sizeof kDosStub, reinterpret_cast<const char*>(kDosStub),
                  sizeof kDosStub);
    image.replace(0x40 + sizeof kDosStub, sizeof kDosMessage - 1, kDosMessage);

    const uint32_t pe = kPeHeaderOffset;
    image.replace(pe, 4, std::string("PE\0\0", 4));
    const uint32_t coff = pe + 4;
    Put16(image, coff + 0, plus ? 0x8664 : 0x014C);  // machine
    Put16(image, coff + 2, 1);                       // sections
    Put16(image, coff + 16, optionalSize);
    // RELOCS_STRIPPED (there are none), EXECUTABLE_IMAGE, and LARGE_ADDRESS_AWARE or
    // 32BIT_MACHINE.
    Put16(image, coff + 18, plus ? 0x0023 : 0x0103);

    const uint32_t opt = coff + 20;
    Put16(image, opt + 0, plus ? 0x20B : 0x10B);
    image[opt + 2] = 2;  // linker version 2.x, as GNU ld writes
    Put32(image, opt + 8, rawSize);  // initialized data
    if (plus) {
        Put64(image, opt + 24, 0x140000000);
    } else {
        Put32(image, opt + 24, kSectionRva);  // base of data
        Put32(image, opt + 28, 0x400000);
    }
    Put32(image, opt + 32, kSectionAlignment);
    Put32(image, opt + 36, kFileAlignment);
    Put16(image, opt + 40, 6);  // operating system 6.0
    Put16(image, opt + 48, 6);  // subsystem 6.0
    Put32(image, opt + 56, imageSize);
    Put32(image, opt + 60, headersSize);
    Put16(image, opt + 68, 3);       // IMAGE_SUBSYSTEM_WINDOWS_CUI
    Put16(image, opt + 70, 0x8100);  // NX_COMPAT, TERMINAL_SERVER_AWARE
    const uint32_t sizes = opt + 72;  // stack and heap reserve and commit
    const uint32_t sizeField = plus ? 8 : 4;
    const uint32_t stackHeap[] = {0x200000, 0x1000, 0x100000, 0x1000};
    for (int i = 0; i < 4; ++i) {
        if (plus) Put64(image, sizes + i * sizeField, stackHeap[i]);
        else Put32(image, sizes + i * sizeField, stackHeap[i]);
    }
    const uint32_t rvaCount = sizes + 4 * sizeField + 4;  // after the loader flags
    Put32(image, rvaCount, 16);
    if (isResources) {
        const uint32_t resourceDirectory = rvaCount + 4 + 2 * 8;
        Put32(image, resourceDirectory, kSectionRva);
        Put32(image, resourceDirectory + 4, virtualSize);
    }

    const char* name = isResources ? ".rsrc" : ".data";
    image.replace(sectionTable, std::char_traits<char>::length(name), name);
    Put32(image, sectionTable + 8, virtualSize);
    Put32(image, sectionTable + 12, kSectionRva);
    Put32(image, sectionTable + 16, rawSize);
    Put32(image, sectionTable + 20, headersSize);
    // INITIALIZED_DATA, MEM_READ, and MEM_WRITE for the data section.
    Put32(image, sectionTable + 36, isResources ? 0x40000040 : 0xC0000040);

    image.replace(headersSize, sectionData.size(), sectionData);
    return image;
}

}  // namespace

std::string BuildVersionBlock(const VersionInfo& info) {
    VersionNode table{TableKey(info.language, info.codePage), 1, {}, 0, {}};
    for (const auto& [name, text] : info.strings) table.children.push_back(TextNode(name, text));

    VersionNode translation{u"Translation", 0, {}, 4, {}};
    Append32(translation.value, uint32_t{info.codePage} << 16 | info.language);

    VersionNode root{u"VS_VERSION_INFO", 0, FixedFileInfo(info), 52, {}};
    root.children.push_back({u"StringFileInfo", 1, {}, 0, {std::move(table)}});
    root.children.push_back({u"VarFileInfo", 1, {}, 0, {std::move(translation)}});

    std::string block;
    WriteNode(root, block);
    return block;
}

std::string BuildPeWithVersion(const VersionInfo& info) { return BuildPeWithVersions({info}); }

std::string BuildPeWithVersions(const std::vector<VersionInfo>& versions) {
    std::vector<std::pair<uint16_t, std::string>> blocks;
    for (const VersionInfo& info : versions)
        blocks.emplace_back(info.language, BuildVersionBlock(info));
    std::sort(blocks.begin(), blocks.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return BuildImage(versions.front().kind, ResourceSection(blocks), SectionKind::Resources);
}

std::string BuildPeWithoutResources(PeKind kind) {
    return BuildImage(kind, std::string(16, '\0'), SectionKind::Data);
}

}  // namespace testsupport
