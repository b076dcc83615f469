#pragma once
// The text of an INI settings file as the platform's profile reader sees it: sections
// of keys, names compared without regard to case.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::sim {

struct ProfileKey {
    std::u16string name;
    // None for a line without '=', which names no value.
    std::optional<std::u16string> value;
    // A line whose first character is ';'. The reader keeps it as a key (named with its
    // ';'), so no other key matches it, but lists it with no section's keys.
    bool comment = false;
};

struct ProfileSection {
    std::u16string name;
    std::vector<ProfileKey> keys;
};

// The file's bytes as text: UTF-16 or UTF-8 after their byte-order marks, else the
// ANSI code page.
std::u16string DecodeProfile(std::string_view bytes);

// The sections in file order. Lines end at CR or LF; blanks around a line, a section
// name, a key name and a value are dropped. Keys before the first section belong to a
// section without a name.
std::vector<ProfileSection> ParseProfile(std::u16string_view text);

// The first section of that name, and its first key of that name; names are compared
// without regard to case and around blanks. Null when missing.
const ProfileSection* FindSection(const std::vector<ProfileSection>& sections, std::u16string_view name);
const ProfileKey* FindKey(const ProfileSection& section, std::u16string_view name);

// A value as the reader hands it out: one pair of matching quotes (" or ') around it
// is removed.
std::u16string Unquoted(std::u16string_view value);

}  // namespace platform::sim
