#pragma once
// The progress of one commit: a fixed total and a current value that grows step by
// step, each step printed as a "Progress" protocol line.

#include <cstdint>
#include <string>

class CommitProgress {
public:
    explicit CommitProgress(int32_t total);
    // Adds n to the current value and prints a progress line.
    void Step(int32_t n);
    // Prints a line with the current value plus n, leaving the value as it is.
    void Announce(int32_t n) const;
    int32_t Total() const { return total_; }
    int32_t Current() const { return current_; }
    // The program's own command line, as the driver phase asks it.
    std::u16string_view CommandLine() const;

private:
    int32_t total_;
    int32_t current_ = 0;
};
