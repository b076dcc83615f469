#pragma once
// The printf-style formatter of log entries, protocol lines and log-file records, with
// the Windows conventions whatever the build: %s takes a UTF-16 text and %S an 8-bit
// text, %d %u %x and %l... are 32-bit, %ll... and %I64... 64-bit.
//
// Every argument carries its kind, so a format that does not fit its arguments writes
// "(bad-arg)" where the conversion would go instead of reading the wrong thing.

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

// One argument of a format. It keeps pointers and views, not copies: it lives only for
// the call that formats it.
class FormatArg {
public:
    enum class Kind : uint8_t { Integer, Character, Text16, Text8, Pointer };

    // Integers of any width and signedness. The value is kept sign- or zero-extended to
    // 64 bits; each conversion takes the part of it that its size asks for.
    template <std::integral T>
        requires(!std::same_as<T, char16_t>)
    FormatArg(T value)
        : kind_(Kind::Integer), isSigned_(std::is_signed_v<T>), bits_(sizeof(T) * 8),
          value_(static_cast<uint64_t>(value)) {}

    template <class E>
        requires std::is_enum_v<E>
    FormatArg(E value) : FormatArg(static_cast<std::underlying_type_t<E>>(value)) {}

    FormatArg(char16_t unit) : kind_(Kind::Character), bits_(16), value_(unit) {}

    // A null pointer prints "(null)".
    FormatArg(const char16_t* text) : kind_(Kind::Text16), data_(text), size_(kUnknownSize) {}
    FormatArg(const std::u16string& text)
        : kind_(Kind::Text16), data_(text.data()), size_(text.size()) {}
    FormatArg(std::u16string_view text)
        : kind_(Kind::Text16), data_(text.data()), size_(text.size()) {}

    // 8-bit texts are read as UTF-8; a byte that is not part of well-formed UTF-8 is
    // printed as the Latin-1 character of its value.
    FormatArg(const char* text) : kind_(Kind::Text8), data_(text), size_(kUnknownSize) {}
    FormatArg(const std::string& text)
        : kind_(Kind::Text8), data_(text.data()), size_(text.size()) {}
    FormatArg(std::string_view text) : kind_(Kind::Text8), data_(text.data()), size_(text.size()) {}

    FormatArg(const void* pointer)
        : kind_(Kind::Pointer), bits_(sizeof(void*) * 8),
          value_(reinterpret_cast<uintptr_t>(pointer)) {}
    // A null pointer of no particular type: "(null)" as a text, zero as a pointer.
    FormatArg(std::nullptr_t) : kind_(Kind::Pointer), bits_(sizeof(void*) * 8), isNull_(true) {}

    // There is no floating-point conversion; this keeps a double from passing as an integer.
    FormatArg(double) = delete;

    Kind kind() const { return kind_; }
    bool isSigned() const { return isSigned_; }
    int bits() const { return bits_; }
    uint64_t value() const { return value_; }
    bool isNull() const { return isNull_ || ((kind_ == Kind::Text16 || kind_ == Kind::Text8) && !data_); }

    // The text up to its first NUL, reading no more than maxUnits units of it (the whole
    // of a C string is not read when a precision makes only its start matter).
    std::u16string_view Text16(size_t maxUnits) const;
    std::string_view Text8(size_t maxBytes) const;

private:
    static constexpr size_t kUnknownSize = std::numeric_limits<size_t>::max();

    Kind kind_;
    bool isSigned_ = false;
    uint8_t bits_ = 0;
    bool isNull_ = false;
    uint64_t value_ = 0;
    const void* data_ = nullptr;
    size_t size_ = 0;
};

inline constexpr size_t kFormatNoLimit = std::numeric_limits<size_t>::max();

// Formats into at most maxUnits UTF-16 units; the rest is cut off, and a surrogate pair
// that the cut would split is dropped whole. Never throws for any format or arguments
// (only for want of memory).
std::u16string FormatText(size_t maxUnits, std::u16string_view format, const FormatArg* args,
                          size_t count);

template <class... A>
std::u16string FormatLimited(size_t maxUnits, std::u16string_view format, const A&... args) {
    const std::array<FormatArg, sizeof...(A)> packed{FormatArg(args)...};
    return FormatText(maxUnits, format, packed.data(), packed.size());
}

template <class... A>
std::u16string Format(std::u16string_view format, const A&... args) {
    return FormatLimited(kFormatNoLimit, format, args...);
}
