#include "platform/sim/registry_paths.h"

#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"

namespace platform::sim::reg {

namespace {

const std::u16string kHklm = u"HKEY_LOCAL_MACHINE";
const std::u16string kHku = u"HKEY_USERS";
const std::u16string kHkcr = u"HKEY_CLASSES_ROOT";

// Keys under HKLM\SOFTWARE that both views share; a subkey follows its nearest listed
// parent. The classes are shared except the five redirected lists.
struct SharedEntry {
    const char16_t* path;
    bool shared;
};
constexpr SharedEntry kViewTable[] = {
    {u"Classes", true},
    {u"Classes\\CLSID", false},
    {u"Classes\\DirectShow", false},
    {u"Classes\\Interface", false},
    {u"Classes\\Media Type", false},
    {u"Classes\\MediaFoundation", false},
    {u"Policies", true},
    {u"Microsoft\\Windows\\CurrentVersion\\App Paths", true},
    {u"Microsoft\\Windows\\CurrentVersion\\Policies", true},
    {u"Microsoft\\Windows\\CurrentVersion\\Setup", true},
    {u"Microsoft\\Windows NT\\CurrentVersion\\Fonts", true},
    {u"Microsoft\\Windows NT\\CurrentVersion\\ProfileList", true},
    {u"Microsoft\\Windows NT\\CurrentVersion\\NetworkCards", true},
    {u"Microsoft\\Windows NT\\CurrentVersion\\Time Zones", true},
    {u"Wow6432Node", true},
};

bool Shared(const KeyPath& path) {
    // path[0] is HKLM, path[1] SOFTWARE.
    size_t best = 0;
    bool shared = false;
    for (const SharedEntry& entry : kViewTable) {
        std::vector<std::u16string> names;
        SplitKeyPath(entry.path, &names);
        if (names.size() > path.size() - 2 || names.size() <= best) continue;
        bool match = true;
        for (size_t i = 0; i < names.size() && match; ++i) match = EqualsFolded(names[i], path[2 + i]);
        if (match) {
            best = names.size();
            shared = entry.shared;
        }
    }
    return shared;
}

KeyId Walk(sqlite3* db, const KeyPath& path, size_t from, KeyId start, bool create, bool* created) {
    KeyId key = start;
    if (created) *created = false;
    for (size_t i = from; i < path.size() && key != kNoKey; ++i) {
        if (create) {
            bool made = false;
            key = CreateChild(db, key, path[i], &made);
            if (made && created) *created = true;
        } else {
            key = FindChild(db, key, path[i]);
        }
    }
    return key;
}

KeyPath UserClasses(const KeyPath& classesPath) {
    KeyPath user = {kHku, Machine::Current().Settings().sid, u"Software", u"Classes"};
    user.insert(user.end(), classesPath.begin() + 1, classesPath.end());
    return user;
}

KeyPath MachineClasses(const KeyPath& classesPath) {
    KeyPath machine = {kHklm, u"SOFTWARE", u"Classes"};
    machine.insert(machine.end(), classesPath.begin() + 1, classesPath.end());
    return machine;
}

KeyId RootId(const std::u16string& name) {
    if (EqualsFolded(name, kHklm)) return kLocalMachine;
    if (EqualsFolded(name, kHku)) return kUsers;
    return kNoKey;
}

}  // namespace

bool SplitKeyPath(std::u16string_view text, std::vector<std::u16string>* names) {
    names->clear();
    if (!text.empty() && text[0] == u'\\') return false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(u'\\', start);
        if (end == std::u16string_view::npos) end = text.size();
        if (end > start) {
            if (end - start > 255) return false;
            names->emplace_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return true;
}

KeyPath RootPath(uint32_t predefined) {
    switch (predefined) {
        case 0x80000000u: return {kHkcr};
        case 0x80000001u: return {kHku, Machine::Current().Settings().sid};
        case 0x80000002u: return {kHklm};
        case 0x80000003u: return {kHku};
        case 0x80000005u: return {kHklm, u"SYSTEM", u"CurrentControlSet", u"Hardware Profiles", u"Current"};
        default: return {};
    }
}

bool ParseKeyText(std::u16string_view text, KeyPath* path) {
    size_t cut = text.find(u'\\');
    std::u16string_view root = text.substr(0, cut);
    struct Alias {
        const char16_t* longName;
        const char16_t* shortName;
        uint32_t value;
    };
    static const Alias aliases[] = {
        {u"HKEY_CLASSES_ROOT", u"HKCR", 0x80000000u},   {u"HKEY_CURRENT_USER", u"HKCU", 0x80000001u},
        {u"HKEY_LOCAL_MACHINE", u"HKLM", 0x80000002u},  {u"HKEY_USERS", u"HKU", 0x80000003u},
        {u"HKEY_CURRENT_CONFIG", u"HKCC", 0x80000005u},
    };
    for (const Alias& alias : aliases) {
        if (EqualsFolded(root, alias.longName) || EqualsFolded(root, alias.shortName)) {
            *path = RootPath(alias.value);
            std::vector<std::u16string> names;
            if (cut != std::u16string_view::npos && !SplitKeyPath(text.substr(cut + 1), &names)) return false;
            path->insert(path->end(), names.begin(), names.end());
            return true;
        }
    }
    return false;
}

std::u16string KeyPathText(const KeyPath& path) {
    std::u16string text;
    for (const auto& name : path) {
        if (!text.empty()) text += u'\\';
        text += name;
    }
    return text;
}

KeyPath ApplyView32(const KeyPath& path) {
    if (path.size() < 3 || !EqualsFolded(path[0], kHklm) || !EqualsFolded(path[1], u"SOFTWARE")) return path;
    if (Shared(path)) return path;
    KeyPath redirected(path.begin(), path.begin() + 2);
    redirected.push_back(u"Wow6432Node");
    redirected.insert(redirected.end(), path.begin() + 2, path.end());
    return redirected;
}

KeyId FindKey(sqlite3* db, const KeyPath& path) {
    if (path.empty()) return kNoKey;
    if (EqualsFolded(path[0], kHkcr)) {
        KeyPath user = UserClasses(path);
        KeyId key = Walk(db, user, 1, kUsers, false, nullptr);
        if (key != kNoKey) return key;
        return Walk(db, MachineClasses(path), 1, kLocalMachine, false, nullptr);
    }
    KeyId root = RootId(path[0]);
    return root == kNoKey ? kNoKey : Walk(db, path, 1, root, false, nullptr);
}

KeyId CreateKey(sqlite3* db, const KeyPath& path, bool* created) {
    if (path.empty()) return kNoKey;
    if (EqualsFolded(path[0], kHkcr)) {
        KeyPath user = UserClasses(path);
        if (Walk(db, user, 1, kUsers, false, nullptr) != kNoKey) {
            if (created) *created = false;
            return Walk(db, user, 1, kUsers, false, nullptr);
        }
        return Walk(db, MachineClasses(path), 1, kLocalMachine, true, created);
    }
    KeyId root = RootId(path[0]);
    return root == kNoKey ? kNoKey : Walk(db, path, 1, root, true, created);
}

bool MayWrite(const KeyPath& path) {
    const MachineSettings& settings = Machine::Current().Settings();
    if (settings.admin || path.empty()) return true;
    if (EqualsFolded(path[0], kHku)) {
        return path.size() >= 2 &&
               (EqualsFolded(path[1], settings.sid) || EqualsFolded(path[1], settings.sid + u"_Classes"));
    }
    return false;
}

}  // namespace platform::sim::reg
