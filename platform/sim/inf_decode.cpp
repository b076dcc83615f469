#include "platform/sim/inf_decode.h"

#include <algorithm>
#include <cstdint>

#include "platform/sim/ansi_text.h"

namespace platform::sim::inf {

namespace {

char16_t Unit(std::string_view bytes, size_t index) {
    return static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * index]) |
                                 (static_cast<uint8_t>(bytes[2 * index + 1]) << 8));
}

// IsTextUnicode's verdict. Only the first 256 units are looked at, and a final NUL byte
// does not count. An odd length is never Unicode; a byte-swapped mark or byte-swapped
// line controls mean it is not; a mark, a majority of units below 0x100 (ASCII text
// with a zero high byte) or a unit that is a line control or blank means it is. Unlike
// the simplest form of the test, a stray NUL byte alone does not make an ANSI file
// Unicode: Windows reads such files as ANSI.
bool LooksLikeUtf16(std::string_view bytes) {
    size_t size = bytes.size();
    if (size < 2 || size % 2 != 0) return false;
    if (bytes[size - 1] == 0) --size;
    const size_t units = std::min<size_t>(size / 2, 256);
    if (units == 0) return false;
    const char16_t first = Unit(bytes, 0);
    if (first == 0xFFFE) return false;
    bool signature = first == 0xFEFF;
    size_t narrow = 0;
    bool controls = false;
    for (size_t i = 0; i < units; ++i) {
        const char16_t u = Unit(bytes, i);
        if (u == 0x0D00 || u == 0x0A00 || u == 0x0900 || u == 0x2000) return false;
        if (u <= 0xFF) ++narrow;
        if (u == u'\r' || u == u'\n' || u == u'\t' || u == u' ' || u == 0x3000) controls = true;
    }
    return signature || controls || narrow > units / 2;
}

bool HasUtf8Mark(std::string_view bytes) {
    return bytes.size() > 3 && static_cast<uint8_t>(bytes[0]) == 0xEF && static_cast<uint8_t>(bytes[1]) == 0xBB &&
           static_cast<uint8_t>(bytes[2]) == 0xBF;
}

void AppendCodePoint(char32_t cp, std::u16string& out) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

// A malformed sequence gives one U+FFFD for its longest valid-looking start (at least
// one byte), as Windows's UTF-8 conversion does since Vista.
void DecodeUtf8(std::string_view bytes, std::u16string& out) {
    size_t i = 0;
    while (i < bytes.size()) {
        const uint8_t lead = static_cast<uint8_t>(bytes[i]);
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        size_t length = 0;
        char32_t cp = 0;
        uint8_t low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            cp = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            cp = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        size_t taken = 1;
        bool complete = true;
        for (; taken < length; ++taken) {
            if (i + taken >= bytes.size()) {
                complete = false;
                break;
            }
            const uint8_t b = static_cast<uint8_t>(bytes[i + taken]);
            const uint8_t lo = taken == 1 ? low : 0x80;
            const uint8_t hi = taken == 1 ? high : 0xBF;
            if (b < lo || b > hi) {
                complete = false;
                break;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        if (!complete) {
            out += u'\xFFFD';
            i += taken;
            continue;
        }
        AppendCodePoint(cp, out);
        i += length;
    }
}

// ASCII, most of an INF's text, is widened in place; only the runs of other bytes go
// through the code page's conversion, so that a large file is not converted one
// character at a time.
void DecodeAnsi(std::string_view bytes, std::u16string& out) {
    out.resize(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        if (static_cast<uint8_t>(bytes[i]) < 0x80) {
            out[i] = static_cast<char16_t>(bytes[i]);
            ++i;
            continue;
        }
        size_t end = i;
        while (end < bytes.size() && static_cast<uint8_t>(bytes[end]) >= 0x80) ++end;
        // Windows-1252 maps each byte to one UTF-16 unit.
        const std::u16string wide = AnsiToWide(bytes.substr(i, end - i));
        std::copy(wide.begin(), wide.end(), out.begin() + i);
        i = end;
    }
}

}  // namespace

Encoding DetectEncoding(std::string_view bytes) {
    if (LooksLikeUtf16(bytes)) return Encoding::Utf16;
    if (HasUtf8Mark(bytes)) return Encoding::Utf8;
    return Encoding::Ansi;
}

void DecodeInfText(std::string_view bytes, std::u16string* text) {
    std::u16string& out = *text;
    out.clear();
    switch (DetectEncoding(bytes)) {
        case Encoding::Utf16: {
            const size_t units = bytes.size() / 2;
            out.reserve(units);
            size_t i = 0;
            if (units > 0 && Unit(bytes, 0) == 0xFEFF) i = 1;
            for (; i < units; ++i) out += Unit(bytes, i);
            break;
        }
        case Encoding::Utf8:
            out.reserve(bytes.size() - 3);
            DecodeUtf8(bytes.substr(3), out);
            break;
        case Encoding::Ansi:
            DecodeAnsi(bytes, out);
            break;
    }
}

}  // namespace platform::sim::inf
