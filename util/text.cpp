#include "util/text.h"

#include <algorithm>
#include <cstdint>

#include "util/basic_exception.h"

namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(char32_t codePoint, std::string& out) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// The allowed range of the byte after a lead byte. The narrowed ranges after E0, ED, F0
// and F4 are what keep out overlong forms, surrogate code points and code points above
// U+10FFFF, so no decoded value needs checking afterwards.
struct SecondByteRange {
    uint8_t low;
    uint8_t high;
};

SecondByteRange SecondByteRangeAfter(uint8_t lead) {
    switch (lead) {
        case 0xE0: return {0xA0, 0xBF};
        case 0xED: return {0x80, 0x9F};
        case 0xF0: return {0x90, 0xBF};
        case 0xF4: return {0x80, 0x8F};
        default: return {0x80, 0xBF};
    }
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size() && text[i] != 0; ++i) {
        const char16_t unit = text[i];
        if (IsLowSurrogate(unit)) THROW_BASIC();
        if (!IsHighSurrogate(unit)) {
            AppendUtf8(unit, out);
            continue;
        }
        if (i + 1 >= text.size() || !IsLowSurrogate(text[i + 1])) THROW_BASIC();
        const char16_t low = text[++i];
        AppendUtf8(0x10000 + ((char32_t(unit) - 0xD800) << 10) + (low - 0xDC00), out);
    }
    return out;
}

int Utf8ToUtf16(std::string_view bytes, std::u16string* out) {
    out->clear();
    const size_t end = std::min(bytes.find('\0'), bytes.size());
    size_t i = 0;
    while (i < end) {
        const uint8_t lead = static_cast<uint8_t>(bytes[i]);
        if (lead < 0x80) {
            *out += char16_t(lead);
            ++i;
            continue;
        }
        size_t length;
        char32_t codePoint;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07;
        } else {
            return -1;
        }
        // A sequence cut short by the end of the text (or by its NUL) is refused too.
        if (end - i < length) return -1;
        const SecondByteRange second = SecondByteRangeAfter(lead);
        for (size_t k = 1; k < length; ++k) {
            const uint8_t byte = static_cast<uint8_t>(bytes[i + k]);
            const uint8_t low = k == 1 ? second.low : 0x80;
            const uint8_t high = k == 1 ? second.high : 0xBF;
            if (byte < low || byte > high) return -1;
            codePoint = (codePoint << 6) | (byte & 0x3F);
        }
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            *out += char16_t(0xD800 + (codePoint >> 10));
            *out += char16_t(0xDC00 + (codePoint & 0x3FF));
        } else {
            *out += char16_t(codePoint);
        }
        i += length;
    }
    return 0;
}

void SplitCommaList(std::u16string_view text, std::vector<std::u16string>* out) {
    out->clear();
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(u',', start);
        if (comma == std::u16string_view::npos) {
            out->emplace_back(text.substr(start));
            return;
        }
        out->emplace_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}
