#include "platform/sim/ansi_text.h"

#include <algorithm>
#include <cstdint>

namespace platform::sim {

namespace {

// Bytes 0x80 to 0x9F of Windows-1252; the others are Latin-1. Zero marks the five
// bytes the code page leaves undefined, which the platform maps to the same code point.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char16_t FromByte(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80]) return kHigh[b - 0x80];
    return b;
}

}  // namespace

std::u16string AnsiToWide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) out += FromByte(static_cast<unsigned char>(c));
    return out;
}

std::string WideToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF) || (c >= 0x80 && c <= 0x9F && !kHigh[c - 0x80])) {
            out += static_cast<char>(c);
            continue;
        }
        const char16_t* found = std::find(std::begin(kHigh), std::end(kHigh), c);
        out += found != std::end(kHigh) ? static_cast<char>(0x80 + (found - kHigh)) : '?';
    }
    return out;
}

uint32_t CopyOutAnsi(const std::string& text, uint32_t size, char* buffer) {
    if (size < text.size() + 1) return static_cast<uint32_t>(text.size() + 1);
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return static_cast<uint32_t>(text.size());
}

}  // namespace platform::sim
