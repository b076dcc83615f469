#include "platform/sim/profile_text.h"

#include "platform/sim/ansi_text.h"
#include "platform/sim/host_text.h"

namespace platform::sim {

namespace {

// The reader's white space includes the old end-of-file mark, Ctrl-Z.
bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0x1A; }

std::u16string_view Trimmed(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::u16string DecodeProfile(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8);
        }
        return text;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return FromHost(bytes.substr(3));
    return AnsiToWide(bytes);
}

std::vector<ProfileSection> ParseProfile(std::u16string_view text) {
    std::vector<ProfileSection> sections(1);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of(u"\r\n", pos);
        if (end == std::u16string_view::npos) end = text.size();
        std::u16string_view line = Trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty()) continue;
        if (line.front() == u'[') {
            size_t close = line.rfind(u']');
            if (close != std::u16string_view::npos) {
                sections.push_back({std::u16string(Trimmed(line.substr(1, close - 1))), {}});
                continue;
            }
        }
        ProfileKey key;
        key.comment = line.front() == u';';
        size_t equals = line.find(u'=');
        if (equals == std::u16string_view::npos) {
            key.name = std::u16string(line);
        } else {
            key.name = std::u16string(Trimmed(line.substr(0, equals)));
            key.value = std::u16string(Trimmed(line.substr(equals + 1)));
        }
        sections.back().keys.push_back(std::move(key));
    }
    // The keys before the first section stay in the nameless first one.
    return sections;
}

const ProfileSection* FindSection(const std::vector<ProfileSection>& sections, std::u16string_view name) {
    name = Trimmed(name);
    if (name.empty()) return nullptr;
    for (const ProfileSection& s : sections) {
        if (EqualsFolded(s.name, name)) return &s;
    }
    return nullptr;
}

const ProfileKey* FindKey(const ProfileSection& section, std::u16string_view name) {
    name = Trimmed(name);
    for (const ProfileKey& k : section.keys) {
        if (EqualsFolded(k.name, name)) return &k;
    }
    return nullptr;
}

std::u16string Unquoted(std::u16string_view value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
        return std::u16string(value.substr(1, value.size() - 2));
    }
    return std::u16string(value);
}

}  // namespace platform::sim
