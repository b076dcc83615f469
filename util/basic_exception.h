#pragma once
// The one exception type of the program's own code: where a failure was detected,
// what it concerned and the platform's error code read right after the failing call.

#include <cstdint>
#include <optional>
#include <string>

class BasicException {
public:
    BasicException(const char* file, int line) : line(line), file(file) {}
    BasicException(const char* file, int line, std::u16string description, uint32_t lastError)
        : line(line), file(file), description(std::move(description)), lastError(lastError) {}

    int32_t line;
    std::string file;
    std::optional<std::u16string> description;
    uint32_t lastError = 0;
};

// Raises a BasicException carrying this source position.
#define THROW_BASIC() throw BasicException(__FILE__, __LINE__)
#define THROW_BASIC_DESC(description, lastError) \
    throw BasicException(__FILE__, __LINE__, (description), (lastError))
