#include "tests/fuzz/inf_walk.h"

#include <optional>
#include <string_view>

#include "platform/errors.h"
#include "platform/last_error.h"
#include "platform/sim/inf_model.h"

namespace inftest {

namespace {

using namespace platform;

class Walker {
public:
    explicit Walker(HInf inf) : inf_(inf) {}

    std::vector<std::string> Run() {
        // The services cannot list sections; the open file's own table names them.
        const auto& sections = inf_->data.sections;
        for (uint32_t s = 0; s < sections.size(); ++s) {
            section_ = s;
            WalkSection(std::u16string(inf_->data.SectionName(s)));
        }
        OutOfRangeContext(static_cast<unsigned>(sections.size()));
        return std::move(problems_);
    }

private:
    // The section is told by its place in the file: its name may hold anything.
    void Problem(const std::string& what, Dword line) {
        if (problems_.size() >= 20) return;
        problems_.push_back(what + " (section #" + std::to_string(section_) + ", line " + std::to_string(line) + ")");
    }

    // A text read SetupAPI's way: its size asked first, then read into a buffer of that
    // size; a buffer one character short must fail with 122. Nothing when the first
    // call fails.
    template <class Call>
    std::optional<std::u16string> ReadSized(Call call, const char* what, Dword line) {
        Dword required = 0;
        if (!call(nullptr, 0, &required)) return std::nullopt;
        if (required == 0) {
            Problem(std::string(what) + ": size 0", line);
            return std::nullopt;
        }
        std::u16string text(required, u'\x7F');
        Dword again = 0;
        if (!call(text.data(), required, &again) || again != required || text[required - 1] != 0) {
            Problem(std::string(what) + ": a buffer of the size told is refused or filled otherwise", line);
            return std::nullopt;
        }
        if (required > 1) {
            std::u16string shorter(required - 1, u'\0');
            if (call(shorter.data(), required - 1, nullptr) || GetLastError() != kErrInsufficientBuffer) {
                Problem(std::string(what) + ": a buffer too small is not refused with 122", line);
            }
        }
        text.resize(required - 1);
        return text;
    }

    void ReadBinary(const InfContext& context, Dword field) {
        Dword required = 0;
        if (!SetupGetBinaryField(&context, field, nullptr, 0, &required)) return;
        std::vector<uint8_t> bytes(required + 1);
        Dword again = 0;
        if (!SetupGetBinaryField(&context, field, bytes.data(), required, &again) || again != required) {
            Problem("binary field: a buffer of the size told is refused", context.line);
        }
    }

    void WalkSection(const std::u16string& name) {
        const char16_t* section = name.c_str();
        const long count = SetupGetLineCountW(inf_, section);
        if (count < 0) {
            Problem("line count of an existing section fails", 0);
            return;
        }
        const std::optional<std::u16string> target = ReadSized(
            [&](char16_t* b, Dword n, Dword* r) { return SetupGetTargetPathW(inf_, nullptr, section, b, n, r); },
            "target path", 0);

        InfContext context;
        long walked = 0;
        for (bool more = SetupFindFirstLineW(inf_, section, nullptr, &context); more;
             more = SetupFindNextLine(&context, &context)) {
            const Dword at = static_cast<Dword>(walked);
            InfContext byIndex;
            if (!SetupGetLineByIndexW(inf_, section, at, &byIndex) || byIndex.section != context.section ||
                byIndex.line != context.line) {
                Problem("the line by index is not the line walked to", at);
            }
            if (walked == 0) {
                const std::optional<std::u16string> viaLine = ReadSized(
                    [&](char16_t* b, Dword n, Dword* r) { return SetupGetTargetPathW(inf_, &context, nullptr, b, n, r); },
                    "target path of a line", at);
                if (viaLine != target) Problem("the target path of a line is not its section's", at);
            }
            WalkLine(context, name);
            ++walked;
        }
        if (walked != count) Problem("line count differs from the lines walked", 0);
    }

    void WalkLine(const InfContext& context, const std::u16string& name) {
        const char16_t* section = name.c_str();
        const Dword fields = SetupGetFieldCount(&context);
        std::optional<std::u16string> key;
        for (Dword f = 0; f <= fields + 1; ++f) {
            std::optional<std::u16string> text = ReadSized(
                [&](char16_t* b, Dword n, Dword* r) { return SetupGetStringFieldW(&context, f, b, n, r); },
                "string field", context.line);
            if (f >= 1 && f <= fields && !text) Problem("a field within the count cannot be read", context.line);
            if (f == fields + 1 && text) Problem("a field past the count can be read", context.line);
            if (f == 0) key = text;
            int value = 0;
            SetupGetIntField(&context, f, &value);
        }
        ReadBinary(context, 1);
        if (fields > 1) ReadBinary(context, fields);
        ReadSized(
            [&](char16_t* b, Dword n, Dword* r) { return SetupGetLineTextW(&context, nullptr, nullptr, nullptr, b, n, r); },
            "line text", context.line);
        unsigned sourceId = 0;
        ReadSized([&](char16_t* b, Dword n,
                      Dword* r) { return SetupGetSourceFileLocationW(inf_, &context, nullptr, &sourceId, b, n, r); },
                  "source location of a line", context.line);
        if (!key) return;

        // The line is found by its own key, at or before itself; the next line with
        // that key comes after it.
        InfContext found;
        if (!SetupFindFirstLineW(inf_, section, key->c_str(), &found) || found.section != context.section ||
            found.line > context.line) {
            Problem("a line is not found by its own key", context.line);
        }
        InfContext next;
        if (SetupFindNextMatchLineW(&context, key->c_str(), &next) &&
            (next.section != context.section || next.line <= context.line)) {
            Problem("the next line with a key is not after the line", context.line);
        }
        ReadSized(
            [&](char16_t* b, Dword n, Dword* r) { return SetupGetLineTextW(nullptr, inf_, section, key->c_str(), b, n, r); },
            "line text by key", context.line);
        ReadSized([&](char16_t* b, Dword n,
                      Dword* r) { return SetupGetSourceFileLocationW(inf_, nullptr, key->c_str(), &sourceId, b, n, r); },
                  "source location by name", context.line);
    }

    // A context past the file's sections, or past a section's lines, names no line.
    void OutOfRangeContext(unsigned sections) {
        InfContext context{inf_, inf_, sections, 0};
        char16_t buffer[8];
        if (SetupGetFieldCount(&context) != 0 || SetupGetStringFieldW(&context, 1, buffer, 8, nullptr)) {
            Problem("a context past the sections reads a line", 0);
        }
        if (sections == 0) return;
        context.section = 0;
        context.line = static_cast<unsigned>(inf_->data.sections[0].lines.size());
        if (SetupGetFieldCount(&context) != 0 || SetupGetStringFieldW(&context, 1, buffer, 8, nullptr)) {
            Problem("a context past a section's lines reads a line", 0);
        }
    }

    HInf inf_;
    uint32_t section_ = 0;  // the section being walked
    std::vector<std::string> problems_;
};

}  // namespace

OpenChoice OpenChoiceFor(size_t size) {
    // US English; German, chosen exactly, by its neutral form or by its primary
    // language; Japanese.
    static const uint16_t kLanguages[] = {0x0409, 0x0407, 0x0C07, 0x0411};
    OpenChoice choice;
    choice.langId = kLanguages[size % 4];
    choice.style = (size / 4) % 4 == 0 ? platform::kInfStyleWin4 : platform::kInfStyleOldNt;
    choice.infClass = (size / 16) % 4 == 1 ? u"Net" : nullptr;
    return choice;
}

std::vector<std::string> WalkInf(platform::HInf inf) { return Walker(inf).Run(); }

}  // namespace inftest
