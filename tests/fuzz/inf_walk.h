#pragma once
// Reads everything an open INF of the simulated machine holds through the platform's
// INF services: every section by name, every line, every field with every reading
// call. The fuzz target walks each input this way, and the regression test walks each
// input that once broke the reader. Readings that contradict each other (a line's own
// key not found, two calls telling different sizes) are reported as problems.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/inf.h"

namespace inftest {

// How an input is opened. It follows from the input's size alone, so that the bytes
// stay the INF file as written while the fuzzer still varies the language that chooses
// the Strings section, the style checked and the class asked for.
struct OpenChoice {
    uint16_t langId;
    platform::Dword style;
    const char16_t* infClass;  // null: any class
};
OpenChoice OpenChoiceFor(size_t size);

// The problems found; empty when every reading agreed with the others.
std::vector<std::string> WalkInf(platform::HInf inf);

}  // namespace inftest
