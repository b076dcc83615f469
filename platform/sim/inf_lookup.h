#pragma once
// Finding sections and keyed lines of an open INF through its hash indexes: a section
// by its case-folded name, a line by the case-folded key it has after substitution.

#include <string>
#include <string_view>

#include "platform/sim/inf_model.h"

namespace platform::sim::inf {

// The section of that name, or kNone.
uint32_t FindSection(const InfData& inf, std::u16string_view name);

// A line's key as lookups see it, after substitution; false for a line without key.
bool LineKey(const InfData& inf, const Line& line, std::u16string* out);

// Indexes the keys of every section; the Strings section must be chosen already,
// since keys are matched after substitution.
void IndexKeys(InfData& inf);

// The first line of the section at index `from` or later whose key is `key` (case
// ignored); kNone when there is none.
uint32_t FindKeyedLine(const InfData& inf, uint32_t section, std::u16string_view key, uint32_t from);

}  // namespace platform::sim::inf
