#include "platform/sim/inf_strings.h"

#include <algorithm>
#include <optional>

#include "platform/sim/host_text.h"
#include "platform/sim/inf_dirs.h"
#include "platform/sim/inf_parse.h"

namespace platform::sim::inf {

namespace {

constexpr uint16_t kPrimaryMask = 0x3FF;

// The language of a "Strings.<hex id>" name; nothing for other names.
std::optional<uint16_t> StringsLanguage(std::u16string_view name) {
    const std::u16string_view prefix = u"Strings.";
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 4) return std::nullopt;
    if (!EqualsFolded(name.substr(0, prefix.size()), prefix)) return std::nullopt;
    uint16_t id = 0;
    for (char16_t c : name.substr(prefix.size())) {
        int digit = c >= u'0' && c <= u'9' ? c - u'0'
                    : c >= u'a' && c <= u'f' ? c - u'a' + 10
                    : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                             : -1;
        if (digit < 0) return std::nullopt;
        id = static_cast<uint16_t>(id * 16 + digit);
    }
    return id;
}

// Names ask for exactly what wcstol reads in base 10: blanks, a sign, digits, and
// nothing after them.
std::optional<long> DecimalName(std::u16string_view name) {
    size_t i = 0;
    while (i < name.size() && IsInfSpace(name[i])) ++i;
    bool negative = false;
    if (i < name.size() && (name[i] == u'+' || name[i] == u'-')) negative = name[i++] == u'-';
    if (i == name.size()) return std::nullopt;
    long long value = 0;
    for (; i < name.size(); ++i) {
        if (name[i] < u'0' || name[i] > u'9') return std::nullopt;
        value = std::min<long long>(value * 10 + (name[i] - u'0'), 0x80000000LL);
    }
    value = negative ? -value : value;
    return static_cast<long>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

// The value of %name%, or nothing when the name stays as written.
std::optional<std::u16string_view> Lookup(const InfData& inf, std::u16string_view name, bool backslashFollows,
                                          std::u16string* dirBuffer) {
    if (name.empty()) return std::u16string_view(u"%");
    if (inf.stringsSection != kNone) {
        const Section& strings = inf.sections[inf.stringsSection];
        uint32_t slot = inf.strings.Find(FoldedHash(name), 0, [&](uint32_t line) {
            return EqualsFolded(inf.Field(strings.lines[line].keyField), name);
        });
        if (slot != FoldedIndex::kNoSlot) {
            const Line& line = strings.lines[inf.strings.At(slot).first];
            if (line.fieldCount > 0) return inf.Field(line.firstField);
        }
    }
    std::optional<long> dirid = DecimalName(name);
    if (!dirid || !DirIdPath(inf, *dirid, dirBuffer)) return std::nullopt;
    std::u16string_view path = *dirBuffer;
    // "%24%\x" is "C:\x", not "C:\\x"; values from the Strings section keep theirs.
    if (backslashFollows && !path.empty() && path.back() == u'\\') path.remove_suffix(1);
    return path;
}

void AppendCapped(std::u16string* out, std::u16string_view text) {
    if (out->size() >= kMaxString) return;
    out->append(text.substr(0, kMaxString - out->size()));
}

}  // namespace

void ChooseStrings(InfData& inf, uint16_t langId) {
    const uint16_t neutral = langId & kPrimaryMask;
    uint32_t exact = kNone, sameNeutral = kNone, samePrimary = kNone, plain = kNone;
    for (uint32_t s = 0; s < inf.sections.size(); ++s) {
        std::u16string_view name = inf.SectionName(s);
        if (EqualsFolded(name, u"Strings")) {
            plain = s;
            continue;
        }
        std::optional<uint16_t> lang = StringsLanguage(name);
        if (!lang) continue;
        if (*lang == langId) {
            exact = s;
        } else if (*lang == neutral) {
            sameNeutral = s;
        } else if ((*lang & kPrimaryMask) == neutral && samePrimary == kNone) {
            samePrimary = s;
        }
    }
    inf.stringsSection = exact != kNone ? exact : sameNeutral != kNone ? sameNeutral : samePrimary != kNone ? samePrimary : plain;
    if (inf.stringsSection == kNone) return;

    // Keys are matched as written: a key with % signs can never be asked for.
    const Section& strings = inf.sections[inf.stringsSection];
    inf.strings.Reserve(strings.lines.size());
    for (uint32_t i = 0; i < strings.lines.size(); ++i) {
        const Line& line = strings.lines[i];
        if (line.keyField == kNone) continue;
        std::u16string_view key = inf.Field(line.keyField);
        if (key.find(u'%') != std::u16string_view::npos) continue;
        bool added = false;
        inf.strings.Insert(FoldedHash(key), 0, i,
                           [&](uint32_t other) { return EqualsFolded(inf.Field(strings.lines[other].keyField), key); },
                           &added);
    }
}

void Substitute(const InfData& inf, std::u16string_view text, std::u16string* out) {
    out->clear();
    if (text.find(u'%') == std::u16string_view::npos) {
        AppendCapped(out, text);
        return;
    }
    std::u16string dirBuffer;
    size_t start = 0;
    bool inside = false;
    for (size_t p = 0; p < text.size(); ++p) {
        if (text[p] != u'%') continue;
        inside = !inside;
        if (inside) {
            AppendCapped(out, text.substr(start, p - start));
            start = p;
            continue;
        }
        const bool backslashFollows = p + 1 < text.size() && text[p + 1] == u'\\';
        std::optional<std::u16string_view> value = Lookup(inf, text.substr(start + 1, p - start - 1), backslashFollows, &dirBuffer);
        AppendCapped(out, value ? *value : text.substr(start, p - start + 1));
        start = p + 1;
    }
    // An unpaired % and what follows it are copied as they are.
    AppendCapped(out, text.substr(start));
}

std::u16string_view Substituted(const InfData& inf, std::u16string_view text, std::u16string* scratch) {
    if (text.find(u'%') == std::u16string_view::npos) return text.substr(0, kMaxString);
    Substitute(inf, text, scratch);
    return *scratch;
}

}  // namespace platform::sim::inf
