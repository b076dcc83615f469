#include "util/format.h"

#include <algorithm>
#include <optional>

#include "util/text.h"

namespace {

constexpr std::u16string_view kBadArg = u"(bad-arg)";
constexpr std::u16string_view kNull = u"(null)";

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// Keeps at most this many units. A text that reaches the limit must not end in a high
// surrogate: its partner is cut off (or it never had one), and the conversion to UTF-8
// would refuse the whole text for it; so the half goes with the cut.
void CutAt(std::u16string& text, size_t units) {
    if (text.size() < units) return;
    text.resize(units);
    if (!text.empty() && IsHighSurrogate(text.back())) text.pop_back();
}

// The number of UTF-8 bytes that a well-formed UTF-16 text came from.
size_t Utf8Length(std::u16string_view text) {
    size_t length = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit < 0x80) {
            length += 1;
        } else if (unit < 0x800) {
            length += 2;
        } else if (IsHighSurrogate(unit)) {
            length += 4;
            ++i;
        } else {
            length += 3;
        }
    }
    return length;
}

// 8-bit texts are mostly UTF-8, but a file name or message in the machine's code page
// must still reach the log: each byte that does not begin a well-formed sequence becomes
// the Latin-1 character of its value, and the conversion goes on after it.
std::u16string WidenEightBit(std::string_view bytes) {
    std::u16string wide;
    while (!bytes.empty()) {
        std::u16string piece;
        const bool stopped = Utf8ToUtf16(bytes, &piece) != 0;
        wide += piece;
        if (!stopped) break;
        const size_t refused = Utf8Length(piece);
        wide += char16_t(static_cast<uint8_t>(bytes[refused]));
        bytes.remove_prefix(refused + 1);
    }
    return wide;
}

// The output. What goes beyond the limit is not even stored, so that a huge width or
// precision costs no more than the limit allows.
class Output {
public:
    explicit Output(size_t maxUnits) : maxUnits_(maxUnits) {}

    bool Full() const { return text_.size() >= maxUnits_; }
    void Put(char16_t unit) {
        if (!Full()) text_ += unit;
    }
    void Put(std::u16string_view units) { text_.append(units.substr(0, maxUnits_ - text_.size())); }
    void Repeat(char16_t unit, size_t count) {
        text_.append(std::min(count, maxUnits_ - text_.size()), unit);
    }
    std::u16string Finish() {
        CutAt(text_, maxUnits_);
        return std::move(text_);
    }

private:
    size_t maxUnits_;
    std::u16string text_;
};

enum class Size { Default, Char, Short, Long, LongLong, Int32, Int64, PointerSized };

enum class FieldCount { None, Given, FromArg };

struct Conversion {
    bool left = false;
    bool zero = false;
    bool plus = false;
    bool space = false;
    bool alternate = false;
    FieldCount widthKind = FieldCount::None;
    size_t width = 0;
    FieldCount precisionKind = FieldCount::None;
    size_t precision = 0;
    Size size = Size::Default;
    char16_t type = 0;
};

// Reads a width or precision; one that would not fit in an int makes the conversion
// invalid, as it does for printf.
bool ReadCount(std::u16string_view format, size_t& pos, size_t& count) {
    constexpr size_t kMax = 0x7FFFFFFF;
    count = 0;
    while (pos < format.size() && format[pos] >= u'0' && format[pos] <= u'9') {
        count = count * 10 + (format[pos] - u'0');
        if (count > kMax) return false;
        ++pos;
    }
    return true;
}

bool IsKnownType(char16_t type) {
    return std::u16string_view(u"diuxXocCsSp%eEfFgGaA").find(type) != std::u16string_view::npos;
}

// Parses the conversion whose '%' is at format[start]; pos ends after its type letter.
// Returns nothing for an unknown type, an invalid count or a format that ends early.
std::optional<Conversion> ParseConversion(std::u16string_view format, size_t start, size_t& pos) {
    Conversion c;
    pos = start + 1;
    for (; pos < format.size(); ++pos) {
        const char16_t flag = format[pos];
        if (flag == u'-') c.left = true;
        else if (flag == u'0') c.zero = true;
        else if (flag == u'+') c.plus = true;
        else if (flag == u' ') c.space = true;
        else if (flag == u'#') c.alternate = true;
        else break;
    }
    if (pos < format.size() && format[pos] == u'*') {
        c.widthKind = FieldCount::FromArg;
        ++pos;
    } else if (pos < format.size() && format[pos] >= u'1' && format[pos] <= u'9') {
        c.widthKind = FieldCount::Given;
        if (!ReadCount(format, pos, c.width)) return std::nullopt;
    }
    if (pos < format.size() && format[pos] == u'.') {
        ++pos;
        if (pos < format.size() && format[pos] == u'*') {
            c.precisionKind = FieldCount::FromArg;
            ++pos;
        } else {
            c.precisionKind = FieldCount::Given;
            if (!ReadCount(format, pos, c.precision)) return std::nullopt;
        }
    }
    const std::u16string_view rest = format.substr(std::min(pos, format.size()));
    if (rest.starts_with(u"hh")) {
        c.size = Size::Char;
        pos += 2;
    } else if (rest.starts_with(u"ll")) {
        c.size = Size::LongLong;
        pos += 2;
    } else if (rest.starts_with(u"I64")) {
        c.size = Size::Int64;
        pos += 3;
    } else if (rest.starts_with(u"I32")) {
        c.size = Size::Int32;
        pos += 3;
    } else if (rest.starts_with(u"h")) {
        c.size = Size::Short;
        pos += 1;
    } else if (rest.starts_with(u"l") || rest.starts_with(u"w")) {
        c.size = Size::Long;
        pos += 1;
    } else if (rest.starts_with(u"I") || rest.starts_with(u"z")) {
        c.size = Size::PointerSized;
        pos += 1;
    }
    if (pos >= format.size() || !IsKnownType(format[pos])) return std::nullopt;
    c.type = format[pos++];
    return c;
}

// The Windows sizes: int and long are both 32-bit.
int BitsOf(Size size) {
    switch (size) {
        case Size::Char: return 8;
        case Size::Short: return 16;
        case Size::LongLong:
        case Size::Int64: return 64;
        case Size::PointerSized: return sizeof(void*) * 8;
        default: return 32;
    }
}

void Pad(Output& out, size_t used, size_t width) {
    if (width > used) out.Repeat(u' ', width - used);
}

// Writes the field with its padding: before it, or after it with the '-' flag. The
// zeros between a number's sign and its digits are counted, not built, so that the
// output's limit bounds them too.
void PutField(Output& out, const Conversion& c, std::u16string_view prefix, size_t zeros,
              std::u16string_view body) {
    const size_t used = prefix.size() + zeros + body.size();
    if (!c.left) Pad(out, used, c.width);
    out.Put(prefix);
    out.Repeat(u'0', zeros);
    out.Put(body);
    if (c.left) Pad(out, used, c.width);
}

void PutField(Output& out, const Conversion& c, std::u16string_view body) {
    PutField(out, c, {}, 0, body);
}

void PutInteger(Output& out, const Conversion& c, const FormatArg& arg) {
    const int bits = c.type == u'p' ? int(sizeof(void*) * 8) : BitsOf(c.size);
    const uint64_t mask = bits == 64 ? ~uint64_t(0) : (uint64_t(1) << bits) - 1;
    uint64_t magnitude = arg.value() & mask;
    const bool isSignedType = c.type == u'd' || c.type == u'i';
    const bool negative = isSignedType && ((magnitude >> (bits - 1)) & 1);
    if (negative) magnitude = (0 - magnitude) & mask;

    const unsigned base = c.type == u'o' ? 8 : (c.type == u'u' || isSignedType) ? 10 : 16;
    const char16_t* digitSet = c.type == u'x' ? u"0123456789abcdef" : u"0123456789ABCDEF";
    std::u16string digits;
    for (uint64_t rest = magnitude; rest != 0; rest /= base) digits += digitSet[rest % base];
    std::reverse(digits.begin(), digits.end());

    // %p shows every digit of the pointer, as Windows does.
    size_t minDigits = c.type == u'p' ? sizeof(void*) * 2 : 1;
    if (c.precisionKind != FieldCount::None) minDigits = c.precision;
    // '#' with %o asks for a leading zero digit.
    if (c.type == u'o' && c.alternate && digits.size() >= minDigits) minDigits = digits.size() + 1;
    size_t zeros = minDigits > digits.size() ? minDigits - digits.size() : 0;

    std::u16string_view prefix;
    if (negative) prefix = u"-";
    else if (isSignedType && c.plus) prefix = u"+";
    else if (isSignedType && c.space) prefix = u" ";
    else if (c.alternate && magnitude != 0 && c.type == u'x') prefix = u"0x";
    else if (c.alternate && magnitude != 0 && c.type == u'X') prefix = u"0X";

    const size_t used = prefix.size() + zeros + digits.size();
    if (c.zero && !c.left && c.precisionKind == FieldCount::None && c.width > used) {
        zeros += c.width - used;
    }
    PutField(out, c, prefix, zeros, digits);
}

void PutCharacter(Output& out, const Conversion& c, const FormatArg& arg) {
    // A char16_t is a UTF-16 unit whatever the conversion says; a plain number is a
    // character of the width that the conversion names.
    const bool eightBit = c.size == Size::Char || c.size == Size::Short ||
                          (c.type == u'C' && c.size != Size::Long);
    char16_t unit = char16_t(arg.value());
    if (arg.kind() == FormatArg::Kind::Integer && eightBit) unit = char16_t(arg.value() & 0xFF);
    PutField(out, c, std::u16string_view(&unit, 1));
}

void PutText(Output& out, const Conversion& c, const FormatArg& arg) {
    const bool limited = c.precisionKind != FieldCount::None;
    const size_t maxUnits = limited ? c.precision : kFormatNoLimit;
    std::u16string text;
    if (arg.isNull()) {
        text = kNull;
    } else if (arg.kind() == FormatArg::Kind::Text16) {
        text = arg.Text16(maxUnits);
    } else {
        // No widened unit comes from more than four bytes (most from three or fewer),
        // so reading this many bytes yields every unit that the precision lets through.
        const size_t maxBytes = maxUnits > kFormatNoLimit / 4 ? kFormatNoLimit : maxUnits * 4;
        text = WidenEightBit(arg.Text8(maxBytes));
    }
    if (limited) CutAt(text, c.precision);
    PutField(out, c, text);
}

bool Accepts(char16_t type, const FormatArg& arg) {
    using Kind = FormatArg::Kind;
    switch (type) {
        case u's':
        case u'S':
            return arg.kind() == Kind::Text16 || arg.kind() == Kind::Text8 || arg.isNull();
        case u'c':
        case u'C': return arg.kind() == Kind::Integer || arg.kind() == Kind::Character;
        case u'd':
        case u'i':
        case u'u':
        case u'x':
        case u'X':
        case u'o':
        case u'p':
            return arg.kind() == Kind::Integer || arg.kind() == Kind::Character ||
                   arg.kind() == Kind::Pointer;
        default: return false;  // floating-point conversions: no argument can be one
    }
}

class ArgList {
public:
    ArgList(const FormatArg* args, size_t count) : args_(args), count_(count) {}
    const FormatArg* Next() { return next_ < count_ ? &args_[next_++] : nullptr; }

private:
    const FormatArg* args_;
    size_t count_;
    size_t next_ = 0;
};

// A '*' count: an int argument; a negative width means the '-' flag, a negative
// precision means none.
bool TakeCount(ArgList& args, FieldCount& kind, size_t& count, bool* left) {
    if (kind != FieldCount::FromArg) return true;
    const FormatArg* arg = args.Next();
    if (!arg || arg->kind() != FormatArg::Kind::Integer) return false;
    const int32_t value = static_cast<int32_t>(static_cast<uint32_t>(arg->value()));
    kind = FieldCount::Given;
    if (value >= 0) {
        count = size_t(value);
    } else if (left) {
        *left = true;
        count = size_t(-int64_t(value));
    } else {
        kind = FieldCount::None;
    }
    return true;
}

void PutConversion(Output& out, Conversion c, ArgList& args) {
    if (c.type == u'%') {
        out.Put(u'%');
        return;
    }
    // Counts and value are taken in order even when one is refused, so that the
    // conversions after this one still meet their own arguments.
    const bool widthOk = TakeCount(args, c.widthKind, c.width, &c.left);
    const bool precisionOk = TakeCount(args, c.precisionKind, c.precision, nullptr);
    const FormatArg* arg = args.Next();
    if (!widthOk || !precisionOk || !arg || !Accepts(c.type, *arg)) {
        out.Put(kBadArg);
        return;
    }
    switch (c.type) {
        case u's':
        case u'S': PutText(out, c, *arg); break;
        case u'c':
        case u'C': PutCharacter(out, c, *arg); break;
        default: PutInteger(out, c, *arg); break;
    }
}

}  // namespace

std::u16string_view FormatArg::Text16(size_t maxUnits) const {
    const auto* units = static_cast<const char16_t*>(data_);
    if (!units) return {};
    size_t length = 0;
    const size_t bound = std::min(size_, maxUnits);
    while (length < bound && units[length] != 0) ++length;
    return {units, length};
}

std::string_view FormatArg::Text8(size_t maxBytes) const {
    const auto* bytes = static_cast<const char*>(data_);
    if (!bytes) return {};
    size_t length = 0;
    const size_t bound = std::min(size_, maxBytes);
    while (length < bound && bytes[length] != 0) ++length;
    return {bytes, length};
}

std::u16string FormatText(size_t maxUnits, std::u16string_view format, const FormatArg* args,
                          size_t count) {
    Output out(maxUnits);
    ArgList argList(args, count);
    size_t pos = 0;
    while (pos < format.size() && !out.Full()) {
        const size_t percent = format.find(u'%', pos);
        if (percent == std::u16string_view::npos) {
            out.Put(format.substr(pos));
            break;
        }
        out.Put(format.substr(pos, percent - pos));
        size_t end;
        const std::optional<Conversion> conversion = ParseConversion(format, percent, end);
        if (conversion) {
            PutConversion(out, *conversion, argList);
        } else {
            // What is not a conversion is text, copied as it stands.
            out.Put(format.substr(percent, end + 1 - percent));
            ++end;
        }
        pos = end;
    }
    return out.Finish();
}
