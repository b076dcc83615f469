#include "util/path_text.h"

#include <algorithm>

namespace {

void TurnSlashes(std::u16string& path) { std::replace(path.begin(), path.end(), u'/', u'\\'); }

bool IsScanfSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Whether a scanf-style "oem%u..." reads its number from the name: the literal "oem",
// then what the %u conversion accepts before its digits (blanks, one sign), then at least
// one digit. Nothing after the number affects whether it was read.
bool ScansOemNumber(std::u16string_view name) {
    constexpr std::u16string_view kPrefix = u"oem";
    if (!name.starts_with(kPrefix)) return false;
    size_t i = kPrefix.size();
    while (i < name.size() && IsScanfSpace(name[i])) ++i;
    if (i < name.size() && (name[i] == u'+' || name[i] == u'-')) ++i;
    return i < name.size() && IsDigit(name[i]);
}

}  // namespace

void StripLastPathPart(std::u16string& path) {
    TurnSlashes(path);
    const size_t last = path.rfind(u'\\');
    if (last != std::u16string::npos) path.erase(last);
}

std::u16string GetDirectoryPart(std::u16string_view path) {
    std::u16string directory(path);
    StripLastPathPart(directory);
    return directory;
}

std::u16string GetFileNamePart(std::u16string_view path) {
    std::u16string name(path);
    TurnSlashes(name);
    const size_t last = name.rfind(u'\\');
    if (last != std::u16string::npos) name.erase(0, last + 1);
    return name;
}

void AppendPath(std::u16string& base, std::u16string_view part) {
    TurnSlashes(base);
    if (part.empty()) return;
    const bool partLeads = part.front() == u'\\';
    if (!base.empty() && base.back() == u'\\') {
        if (partLeads) base.pop_back();
    } else if (!base.empty() && !partLeads) {
        base += u'\\';
    }
    base += part;
}

std::u16string CombinePath(std::u16string_view base, std::u16string_view part) {
    std::u16string combined(base);
    AppendPath(combined, part);
    return combined;
}

bool IsOemInfName(std::u16string_view path) {
    std::u16string name = GetFileNamePart(path);
    for (char16_t& c : name) {
        if (c >= u'A' && c <= u'Z') c = c - u'A' + u'a';
    }
    // The platform's copies are matched as "oem%u.inf" and then as "oem%u.pnf". Both
    // patterns agree up to the number, and only the number decides, so one scan answers
    // for both.
    return ScansOemNumber(name);
}
