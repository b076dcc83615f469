#include "util/pending_renames.h"

#include <vector>

#include "platform/registry.h"
#include "util/registry_services.h"

namespace {

const char16_t kSessionManager[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char16_t kPending[] = u"PendingFileRenameOperations";

char16_t FoldAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

// A name of the list against a path: the list's names carry the NT prefix "\??\", and
// a destination to be replaced a leading '!'.
bool NamesPath(std::u16string_view entry, const std::u16string& path) {
    if (!entry.empty() && entry[0] == u'!') entry.remove_prefix(1);
    const std::u16string_view nt = u"\\??\\";
    if (entry.substr(0, nt.size()) == nt) entry.remove_prefix(nt.size());
    if (entry.size() != path.size()) return false;
    for (size_t i = 0; i < path.size(); ++i) {
        if (FoldAscii(entry[i]) != FoldAscii(path[i])) return false;
    }
    return true;
}

}  // namespace

bool CancelQueuedMove(const std::u16string& source, const std::u16string& destination) {
    OpenedKey k;
    if (platform::RegOpenKeyExW(platform::HkeyLocalMachine(), kSessionManager, 0,
                                platform::kKeyQueryValue | platform::kKeySetValue, &k.key) != 0) {
        k.key = nullptr;
        return false;
    }
    platform::Dword type = 0, size = 0;
    if (platform::RegQueryValueExW(k.key, kPending, &type, nullptr, &size) != 0 || type != platform::kRegMultiSz) {
        return false;
    }
    std::vector<char16_t> data(size / 2 + 1, 0);
    platform::Dword read = size;
    if (platform::RegQueryValueExW(k.key, kPending, &type, data.data(), &read) != 0) return false;
    // The names, in order; the list ends with an empty string.
    std::vector<std::u16string> names;
    const size_t units = read / 2;
    for (size_t at = 0; at < units;) {
        size_t end = at;
        while (end < units && data[end]) ++end;
        names.emplace_back(data.data() + at, end - at);
        at = end + 1;
    }
    // The empty string that closes the list and the empty destination of a deletion
    // look alike: once the closing ones are gone, a last name without its partner is a
    // deletion's source.
    while (!names.empty() && names.back().empty()) names.pop_back();
    if (names.size() % 2) names.emplace_back();
    for (size_t pair = names.size() / 2; pair-- > 0;) {
        const std::u16string& to = names[2 * pair + 1];
        if (!NamesPath(names[2 * pair], source)) continue;
        if (destination.empty() ? !to.empty() : !NamesPath(to, destination)) continue;
        names.erase(names.begin() + static_cast<long>(2 * pair), names.begin() + static_cast<long>(2 * pair + 2));
        if (names.empty()) return platform::RegDeleteValueW(k.key, kPending) == 0;
        std::u16string list;
        for (const std::u16string& name : names) {
            list += name;
            list += u'\0';
        }
        list += u'\0';
        return platform::RegSetValueExW(k.key, kPending, platform::kRegMultiSz, list.data(),
                                        static_cast<platform::Dword>(list.size() * 2)) == 0;
    }
    return false;
}
