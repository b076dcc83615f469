#pragma once
// The INF syntax: sections, lines, keys and fields out of the decoded text, in one
// pass, with the platform's rules for quotes, comments, line continuation, blanks and
// the limits on names and fields.

#include <string>

#include "platform/sim/inf_model.h"
#include "platform/types.h"

namespace platform::sim::inf {

// A section name may have 255 characters; a token keeps at most 4096 (Vista and
// later), the rest of a longer one is dropped.
constexpr size_t kMaxSectionName = 255;
constexpr size_t kMaxToken = 4096;

struct ParseResult {
    Dword error = 0;       // 0, or the SetupAPI error of the open
    unsigned line = 0;     // where that error is, counted from 1
};

// Fills `out` (pool, fields, sections and the section index) from the text, which
// becomes the pool: its tokens are gathered in place.
ParseResult ParseInfText(std::u16string text, InfData* out);

// The platform's blank characters (the Unicode White_Space set).
bool IsInfSpace(char16_t c);

}  // namespace platform::sim::inf
