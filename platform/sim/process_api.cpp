// The running program on the simulated machine: its module path, command line and
// exit, and the system libraries whose functions the program looks up by name.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/errors.h"
#include "platform/process.h"
#include "platform/sim/fail.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/process_bits.h"
#include "platform/sim/process_state.h"
#include "platform/sim/system_modules.h"

namespace platform {

Dword GetModuleFileNameW(Module module, char16_t* buffer, Dword size) {
    std::u16string path;
    if (!module) {
        path = sim::ProcessState::Get().imagePath;
    } else {
        path = sim::ModulePath(module);
        if (path.empty()) return sim::Fail(kErrModNotFound, Dword{0});
    }
    if (size == 0) return sim::Fail(kErrInsufficientBuffer, Dword{0});
    // Too small a buffer gets the path cut and terminated, its full size as the answer.
    if (path.size() + 1 > size) {
        std::copy_n(path.data(), size - 1, buffer);
        buffer[size - 1] = 0;
        return sim::Fail(kErrInsufficientBuffer, size);
    }
    std::copy(path.begin(), path.end(), buffer);
    buffer[path.size()] = 0;
    SetLastError(0);
    return static_cast<Dword>(path.size());
}

const char16_t* GetCommandLineW() { return sim::ProcessState::Get().commandLine.c_str(); }

Dword GetCurrentProcessId() { return static_cast<Dword>(::getpid()); }

Handle GetCurrentProcess() { return reinterpret_cast<Handle>(static_cast<intptr_t>(-1)); }
Handle GetCurrentThread() { return reinterpret_cast<Handle>(static_cast<intptr_t>(-2)); }

Module GetModuleHandleW(const char16_t* name) {
    if (!name) return reinterpret_cast<Module>(static_cast<intptr_t>(0x400000));
    Module module = sim::FindSystemModule(name);
    if (!module) return sim::Fail(kErrModNotFound, Module{nullptr});
    return module;
}

Module LoadLibraryW(const char16_t* name) {
    Module module = sim::FindSystemModule(name ? name : u"");
    if (!module) return sim::Fail(kErrModNotFound, Module{nullptr});
    return module;
}

FarProc GetProcAddress(Module module, const char* name) {
    FarProc proc = sim::FindSystemFunction(module, name ? name : "");
    if (!proc) return sim::Fail(kErrProcNotFound, FarProc{nullptr});
    return proc;
}

bool FreeLibrary(Module module) {
    if (!sim::IsSystemModule(module)) return sim::Fail(kErrInvalidHandle);
    return true;
}

void ExitProcess(Dword exitCode) {
    const std::string& file = sim::ProcessState::Get().exitCodeFile;
    if (!file.empty()) {
        if (FILE* f = std::fopen(file.c_str(), "w")) {
            std::fprintf(f, "%u\n", exitCode);
            std::fclose(f);
        }
    }
    std::fflush(nullptr);
    std::exit(static_cast<int>(exitCode & 0xFF));
}

}  // namespace platform
