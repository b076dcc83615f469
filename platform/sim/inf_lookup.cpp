#include "platform/sim/inf_lookup.h"

#include "platform/sim/host_text.h"
#include "platform/sim/inf_strings.h"

namespace platform::sim::inf {

uint32_t FindSection(const InfData& inf, std::u16string_view name) {
    uint32_t slot = inf.sectionIndex.Find(FoldedHash(name), 0,
                                          [&](uint32_t s) { return EqualsFolded(inf.SectionName(s), name); });
    return slot == FoldedIndex::kNoSlot ? kNone : inf.sectionIndex.At(slot).first;
}

bool LineKey(const InfData& inf, const Line& line, std::u16string* out) {
    if (line.keyField == kNone) return false;
    Substitute(inf, inf.Field(line.keyField), out);
    return true;
}

void IndexKeys(InfData& inf) {
    size_t keyed = 0;
    for (const Section& s : inf.sections) {
        for (const Line& line : s.lines) keyed += line.keyField != kNone;
    }
    // Reserved up front, so the slot numbers kept in the lines stay valid.
    inf.keys.Reserve(keyed);
    std::u16string key, other;
    for (uint32_t s = 0; s < inf.sections.size(); ++s) {
        std::vector<Line>& lines = inf.sections[s].lines;
        for (uint32_t i = 0; i < lines.size(); ++i) {
            if (!LineKey(inf, lines[i], &key)) continue;
            bool added = false;
            uint32_t slot = inf.keys.Insert(FoldedHash(key), s, i, [&](uint32_t first) {
                LineKey(inf, lines[first], &other);
                return EqualsFolded(other, key);
            }, &added);
            lines[i].keySlot = slot;
            if (!added) {
                FoldedIndex::Entry& entry = inf.keys.At(slot);
                lines[entry.last].nextSameKey = i;
                entry.last = i;
            }
        }
    }
}

uint32_t FindKeyedLine(const InfData& inf, uint32_t section, std::u16string_view key, uint32_t from) {
    const std::vector<Line>& lines = inf.sections[section].lines;
    std::u16string other;
    uint32_t slot = inf.keys.Find(FoldedHash(key), section, [&](uint32_t first) {
        LineKey(inf, lines[first], &other);
        return EqualsFolded(other, key);
    });
    if (slot == FoldedIndex::kNoSlot) return kNone;
    // Stepping on from a line with this very key follows its chain at once.
    if (from > 0 && from <= lines.size() && lines[from - 1].keySlot == slot) return lines[from - 1].nextSameKey;
    uint32_t line = inf.keys.At(slot).first;
    while (line != kNone && line < from) line = lines[line].nextSameKey;
    return line;
}

}  // namespace platform::sim::inf
