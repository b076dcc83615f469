#pragma once

#include <string>

// Takes one file out of a cabinet and writes it to `destination`: true when the
// cabinet was read and the file, found by its name without regard to case, extracted.
// Files continued into a further cabinet are not supported.
bool ExtractFileFromCabinet(const std::u16string& cabinet, const std::u16string& fileName,
                            const std::u16string& destination);
