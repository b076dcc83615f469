#include "platform/sim/inf_read.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/inf.h"
#include "platform/sim/inf_strings.h"

namespace platform::sim::inf {

namespace {

// The C runtime's blanks; other characters do not survive the runtime's 8-bit copy of
// the field as blanks.
bool IsCBlank(char16_t c) { return c == u' ' || (c >= 0x09 && c <= 0x0D); }

int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return 99;
}

}  // namespace

bool FieldView(const InfData& inf, const Line& line, uint32_t index, std::u16string* scratch,
               std::u16string_view* out) {
    uint32_t field;
    if (index == 0) {
        if (line.keyField == kNone) return false;
        field = line.keyField;
    } else {
        if (index > line.fieldCount) return false;
        field = line.firstField + index - 1;
    }
    *out = Substituted(inf, inf.Field(field), scratch);
    return true;
}

bool FieldText(const InfData& inf, const Line& line, uint32_t index, std::u16string* out) {
    std::u16string_view view;
    if (!FieldView(inf, line, index, out, &view)) return false;
    if (view.data() != out->data()) out->assign(view);
    return true;
}

Dword ReadInt(std::u16string_view text, int* value) {
    if (text.empty()) {
        *value = 0;
        return 0;
    }
    size_t i = 0;
    while (i < text.size() && IsCBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    int base = 10;
    if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    } else if (i < text.size() && text[i] == u'0') {
        base = 8;
    }
    // Saturates like the runtime's 64-bit reading, then to the 32 bits of a long.
    constexpr uint64_t kCap = uint64_t(1) << 32;
    uint64_t magnitude = 0;
    bool digits = false;
    for (; i < text.size(); ++i) {
        const int d = DigitValue(text[i]);
        if (d >= base) break;
        digits = true;
        magnitude = std::min<uint64_t>(magnitude * base + d, kCap);
    }
    if (!digits || i != text.size()) return kErrInvalidData;
    const int64_t signedValue = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    *value = static_cast<int>(std::clamp<int64_t>(signedValue, INT32_MIN, INT32_MAX));
    return 0;
}

Dword IntField(const InfData& inf, const Line& line, uint32_t index, int* value) {
    std::u16string scratch;
    std::u16string_view text;
    if (!FieldView(inf, line, index, &scratch, &text)) return kErrInvalidParameter;
    return ReadInt(text, value);
}

Dword BinaryField(const InfData& inf, const Line& line, uint32_t index, std::vector<uint8_t>* out) {
    out->clear();
    if (index == 0 || index > line.fieldCount) return kErrInvalidParameter;
    for (uint32_t f = index; f <= line.fieldCount; ++f) {
        std::u16string_view text = inf.Field(line.firstField + f - 1);
        if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) text.remove_prefix(2);
        if (text.empty()) return kErrInvalidData;
        unsigned byte = 0;
        for (char16_t c : text) {
            const int d = DigitValue(c);
            if (d >= 16) return kErrInvalidData;
            byte = byte * 16 + d;
            if (byte > 0xFF) return kErrInvalidData;
        }
        out->push_back(static_cast<uint8_t>(byte));
    }
    return 0;
}

void LineText(const InfData& inf, const Line& line, std::u16string* out) {
    out->clear();
    std::u16string field;
    for (uint32_t f = 0; f < line.fieldCount; ++f) {
        if (f > 0) *out += u',';
        Substitute(inf, inf.Field(line.firstField + f), &field);
        *out += field;
    }
}

}  // namespace platform::sim::inf
