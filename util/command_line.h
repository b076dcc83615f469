#pragma once
// The arguments of a raw command line, split by the platform's C runtime rules.

#include <string>
#include <string_view>
#include <vector>

// argv[0] runs to the next quote when it starts with one, else to the first blank;
// the rest follow the runtime's rules for quotes and backslashes (2n backslashes
// before a quote give n and the quote toggles quoting; 2n+1 give n and a literal
// quote; a doubled quote inside quotes is a literal quote).
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);
