#include "launcher/trace.h"

#include <vector>

#include "platform/debug_output.h"

namespace {

constexpr size_t kMaxMessage = 4092;
constexpr char kPrefix[] = "*** LAUNCHER ***: ";

std::string Padded(std::string digits, char pad, size_t width) {
    if (digits.size() < width) {
        size_t at = pad == '0' && !digits.empty() && digits[0] == '-' ? 1 : 0;
        digits.insert(at, width - digits.size(), pad);
    }
    return digits;
}

std::string Number(char conversion, uint32_t bits) {
    if (conversion == 'd') return std::to_string(static_cast<int32_t>(bits));
    if (conversion == 'u') return std::to_string(bits);
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    do {
        hex.insert(hex.begin(), kHex[bits & 0xF]);
        bits >>= 4;
    } while (bits);
    return hex;
}

bool IsTraceBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

std::string FormatTrace(std::string_view format, std::initializer_list<TraceArg> args) {
    std::string out;
    const TraceArg* next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        size_t start = i++;
        if (i < format.size() && format[i] == '%') {
            out += '%';
            continue;
        }
        char pad = ' ';
        if (i < format.size() && format[i] == '0') {
            pad = '0';
            ++i;
        }
        size_t width = 0;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') width = width * 10 + (format[i++] - '0');
        char conversion = i < format.size() ? format[i] : '\0';
        bool wantsText = conversion == 's';
        bool wantsNumber = conversion == 'd' || conversion == 'u' || conversion == 'x';
        if ((!wantsText && !wantsNumber) || next == args.end() || next->IsText() != wantsText) {
            out.append(format.substr(start, i + 1 - start));
            continue;
        }
        out += wantsText ? Padded(std::string(next->Text()), ' ', width) : Padded(Number(conversion, next->Bits()), pad, width);
        ++next;
    }
    return out;
}

std::string TraceLine(std::string_view message) {
    if (message.size() > kMaxMessage) message = message.substr(0, kMaxMessage);
    while (!message.empty() && IsTraceBlank(message.back())) message.remove_suffix(1);
    std::string line = kPrefix;
    line.append(message);
    line += "\r\n";
    return line;
}

void SendTrace(std::string_view message) { platform::OutputDebugStringA(TraceLine(message).c_str()); }
