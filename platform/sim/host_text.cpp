#include "platform/sim/host_text.h"

namespace platform::sim {

std::string ToHost(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string FromHost(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        char32_t c;
        size_t n;
        if (b < 0x80) {
            c = b;
            n = 1;
        } else if (b >= 0xC2 && b <= 0xDF) {
            c = b & 0x1F;
            n = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            c = b & 0x0F;
            n = 3;
        } else if (b >= 0xF0 && b <= 0xF4) {
            c = b & 0x07;
            n = 4;
        } else {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        bool ok = i + n <= text.size();
        for (size_t k = 1; ok && k < n; ++k) {
            unsigned char t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) ok = false;
            c = (c << 6) | (t & 0x3F);
        }
        if (ok && ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
                   (c >= 0xD800 && c <= 0xDFFF))) {
            ok = false;
        }
        if (!ok) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += n;
    }
    return out;
}

char16_t FoldChar(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
    // Latin-1: à..þ except ÷; ÿ folds to Ÿ.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    // Latin Extended-A: pairs upper/lower, with the odd runs of 0x139..0x148 and 0x179..0x17E.
    if (c >= 0x100 && c <= 0x17F) {
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
            return (c % 2 == 0) ? static_cast<char16_t>(c - 1) : c;
        }
        if (c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
            return (c % 2 == 1) ? static_cast<char16_t>(c - 1) : c;
        }
        return c;
    }
    // Greek and Cyrillic lower-case letters.
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    return c;
}

std::u16string Fold(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = FoldChar(c);
    return out;
}

bool EqualsFolded(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldChar(a[i]) != FoldChar(b[i])) return false;
    }
    return true;
}

std::string FoldKey(std::u16string_view text) { return ToHost(Fold(text)); }

}  // namespace platform::sim
