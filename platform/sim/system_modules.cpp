#include "platform/sim/system_modules.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/process.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/process_bits.h"
#include "platform/system.h"

namespace platform::sim {

namespace {

// The library functions a program finds with GetProcAddress.
unsigned PLATFORM_API SimGetSystemWindowsDirectoryW(char16_t* buffer, unsigned size) {
    return GetWindowsDirectoryW(buffer, size);
}

LangId PLATFORM_API SimGetUserDefaultUILanguage() { return Machine::Current().Settings().uiLanguage; }

int PLATFORM_API SimIsWow64Process(Handle /*process*/, int* wow64) {
    *wow64 = ProcessIs32Bit() ? 1 : 0;
    return 1;
}

struct Export {
    const char* name;
    FarProc function;
    // The first NT version that has it (major * 100 + minor); the 9x family has none of these.
    uint32_t sinceNt;
};

struct SystemModule {
    const char16_t* fileName;
    const Export* exports;
    size_t exportCount;
};

const Export kKernel32[] = {
    {"GetSystemWindowsDirectoryW", reinterpret_cast<FarProc>(&SimGetSystemWindowsDirectoryW), 500},
    {"GetUserDefaultUILanguage", reinterpret_cast<FarProc>(&SimGetUserDefaultUILanguage), 500},
    {"IsWow64Process", reinterpret_cast<FarProc>(&SimIsWow64Process), 501},
};

const SystemModule kModules[] = {
    {u"kernel32.dll", kKernel32, std::size(kKernel32)},
};

// Module handles are the addresses of the table's rows.
const SystemModule* FromHandle(Module module) {
    for (const SystemModule& m : kModules) {
        if (reinterpret_cast<Module>(const_cast<SystemModule*>(&m)) == module) return &m;
    }
    return nullptr;
}

std::u16string_view FileNamePart(std::u16string_view name) {
    size_t cut = name.find_last_of(u"\\/");
    return cut == std::u16string_view::npos ? name : name.substr(cut + 1);
}

}  // namespace

Module FindSystemModule(std::u16string_view name) {
    std::u16string file(FileNamePart(name));
    if (file.find(u'.') == std::u16string::npos) file += u".dll";
    for (const SystemModule& m : kModules) {
        if (EqualsFolded(file, m.fileName)) return reinterpret_cast<Module>(const_cast<SystemModule*>(&m));
    }
    return nullptr;
}

bool IsSystemModule(Module module) { return FromHandle(module) != nullptr; }

std::u16string ModulePath(Module module) {
    const SystemModule* m = FromHandle(module);
    if (!m) return {};
    return Machine::Current().Settings().systemDir + u"\\" + m->fileName;
}

FarProc FindSystemFunction(Module module, std::string_view name) {
    const SystemModule* m = FromHandle(module);
    if (!m) return nullptr;
    const MachineSettings& s = Machine::Current().Settings();
    uint32_t version = s.osPlatform == kVerPlatformWin32Nt ? s.osMajor * 100 + s.osMinor : 0;
    for (size_t i = 0; i < m->exportCount; ++i) {
        const Export& e = m->exports[i];
        if (name == e.name && version >= e.sinceNt) return e.function;
    }
    return nullptr;
}

}  // namespace platform::sim
