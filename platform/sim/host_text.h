#pragma once
// Text where the simulated machine meets the host: UTF-16 names of the machine
// become UTF-8 host names and database texts, and the platform's case-insensitive
// name comparison is done on folded texts.

#include <string>
#include <string_view>

namespace platform::sim {

// Lenient both ways: an unpaired surrogate or a malformed byte becomes U+FFFD, so a
// name the host cannot carry never aborts a platform call.
std::string ToHost(std::u16string_view text);
std::u16string FromHost(std::string_view text);

// The upper-case fold the platform uses to compare names (ASCII, Latin-1 and the
// common European alphabets).
char16_t FoldChar(char16_t c);
std::u16string Fold(std::u16string_view text);
bool EqualsFolded(std::u16string_view a, std::u16string_view b);
// Folded UTF-8, the form names are indexed by in the database.
std::string FoldKey(std::u16string_view text);

inline size_t Length(const char16_t* text) {
    size_t n = 0;
    while (text[n]) ++n;
    return n;
}

}  // namespace platform::sim
