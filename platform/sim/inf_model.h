#pragma once
// What an open INF holds on the simulated machine: the file's decoded text, in which
// every token was gathered in place (the text pool), the lines of each section
// (sections of the same name merged in file order), and hash indexes of the
// case-folded section names and line keys, so that finding a section or a keyed line
// never scans.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/inf.h"
#include "platform/sim/inf_index.h"

namespace platform::sim::inf {

constexpr uint32_t kNone = UINT32_MAX;

// A token: a run of the text pool.
struct TextRef {
    uint32_t offset = 0;
    uint32_t length = 0;
};

struct Line {
    uint32_t firstField = 0;  // the fields 1..n follow each other in InfData::fields
    uint32_t fieldCount = 0;
    uint32_t keyField = kNone;     // the key's token, or kNone for a line without key
    uint32_t nextSameKey = kNone;  // the next line of the section with the same key
    uint32_t keySlot = kNone;      // the key's entry in InfData::keys
};

struct Section {
    TextRef name;  // as first written
    std::vector<Line> lines;
};

// The folders the DIRIDs of an open INF resolve to, taken from the machine when the
// file was opened, as Windows paths without a final backslash.
struct Folders {
    std::u16string windows;
    std::u16string system;
    std::u16string programFiles;
    std::u16string profile;
    uint32_t osMajor = 10;
};

struct InfData {
    std::u16string pool;
    std::vector<TextRef> fields;
    std::vector<Section> sections;
    FoldedIndex sectionIndex;  // folded section name -> section
    FoldedIndex keys;          // (section, folded key after substitution) -> first line
    FoldedIndex strings;       // folded key of the chosen Strings section -> first line
    uint32_t stringsSection = kNone;
    std::u16string path;    // the full path the file was opened by
    std::u16string folder;  // the folder of that path, without a final backslash
    Folders folders;

    std::u16string_view Text(TextRef ref) const { return std::u16string_view(pool).substr(ref.offset, ref.length); }
    std::u16string_view Field(uint32_t index) const { return Text(fields[index]); }
    std::u16string_view SectionName(uint32_t section) const { return Text(sections[section].name); }
};

}  // namespace platform::sim::inf

namespace platform {

// The object behind an HInf of the simulated machine.
struct InfObject {
    static constexpr uint32_t kMagic = 0x464E4953;  // "SINF"
    uint32_t magic = kMagic;
    sim::inf::InfData data;
};

}  // namespace platform
