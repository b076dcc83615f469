// The platform's INF services on the simulated machine, with SetupAPI's results and
// error codes. A context's `section` and `line` are indexes into the open file's
// merged sections and their lines.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/inf.h"
#include "platform/sim/fail.h"
#include "platform/sim/host_errors.h"
#include "platform/sim/host_text.h"
#include "platform/sim/inf_buffers.h"
#include "platform/sim/inf_dirs.h"
#include "platform/sim/inf_lookup.h"
#include "platform/sim/inf_model.h"
#include "platform/sim/inf_open.h"
#include "platform/sim/inf_read.h"
#include "platform/sim/machine.h"
#include "platform/sim/paths.h"
#include "platform/system.h"

namespace platform {

namespace {

using namespace sim::inf;

InfData* Data(HInf inf) {
    if (!inf || inf == InvalidInf() || inf->magic != InfObject::kMagic) return nullptr;
    return &inf->data;
}

// The line a context names, or null (and the last error set) for a context that
// names none.
const Line* ContextLine(const InfContext* context, const InfData** data) {
    if (!context) return sim::Fail(kErrInvalidParameter, nullptr);
    const InfData* d = Data(static_cast<HInf>(context->currentInf));
    if (!d) return sim::Fail(kErrInvalidHandle, nullptr);
    if (context->section >= d->sections.size() || context->line >= d->sections[context->section].lines.size()) {
        return sim::Fail(kErrLineNotFound, nullptr);
    }
    *data = d;
    return &d->sections[context->section].lines[context->line];
}

void SetContext(HInf inf, uint32_t section, uint32_t line, InfContext* context) {
    context->inf = inf;
    context->currentInf = inf;
    context->section = section;
    context->line = line;
}

// Copies a text out with its NUL, SetupAPI's way: the size needed is always told; a
// buffer that is given must hold it.
bool CopyOut(std::u16string_view text, char16_t* buffer, Dword size, Dword* required) {
    const Dword needed = static_cast<Dword>(text.size() + 1);
    if (required) *required = needed;
    if (buffer) {
        if (size < needed) return sim::Fail(kErrInsufficientBuffer);
        std::copy(text.begin(), text.end(), buffer);
        buffer[text.size()] = 0;
    }
    platform::SetLastError(0);
    return true;
}

// The whole file at a Windows path; 0 or the platform's error for opening it.
Dword ReadWholeFile(const std::u16string& path, std::string* bytes) {
    sim::HostPath host;
    if (Dword error = sim::MapPath(path, &host)) return error;
    if (!host.exists) return host.parentExists ? kErrFileNotFound : kErrPathNotFound;
    const int fd = ::open(host.host.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return sim::ErrorFromErrno(errno);
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return kErrAccessDenied;
    }
    bytes->clear();
    bytes->reserve(static_cast<size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const Dword error = sim::ErrorFromErrno(errno);
            ::close(fd);
            return error;
        }
        if (n == 0) break;
        bytes->append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return 0;
}

// A name without a path is looked for in the INF folder, then in the system folder.
Dword ReadInfFile(const char16_t* name, std::u16string* full, std::string* bytes) {
    std::u16string_view given(name);
    if (given.find_first_of(u"\\/") != std::u16string_view::npos) {
        *full = sim::FullWindowsPath(given);
        return ReadWholeFile(*full, bytes);
    }
    const sim::MachineSettings& s = sim::Machine::Current().Settings();
    *full = s.windowsDir + u"\\INF\\" + std::u16string(given);
    if (ReadWholeFile(*full, bytes) == 0) return 0;
    *full = s.systemDir + u"\\" + std::u16string(given);
    return ReadWholeFile(*full, bytes);
}

}  // namespace

HInf SetupOpenInfFileW(const char16_t* path, const char16_t* infClass, Dword style, unsigned* errorLine) {
    if (errorLine) *errorLine = 0;
    if (!path || !*path) return sim::Fail(kErrInvalidParameter, InvalidInf());
    OpenOptions options;
    std::string bytes = TakeByteBuffer();
    if (Dword error = ReadInfFile(path, &options.path, &bytes)) return sim::Fail(error, InvalidInf());
    options.folders = MachineFolders();
    // The thread's locale at the time of the open chooses the string table.
    options.langId = static_cast<uint16_t>(GetThreadLocale() & 0xFFFF);
    options.infClass = infClass;
    options.style = style;
    return OpenInfFromBytes(std::move(bytes), options, errorLine);
}

void SetupCloseInfFile(HInf inf) {
    if (!Data(inf)) return;
    inf->magic = 0;
    KeepInfBuffers(std::move(inf->data));
    delete inf;
}

bool SetupFindFirstLineW(HInf inf, const char16_t* section, const char16_t* key, InfContext* context) {
    const InfData* data = Data(inf);
    if (!data) return sim::Fail(kErrInvalidHandle);
    if (!section || !context) return sim::Fail(kErrInvalidParameter);
    const uint32_t s = FindSection(*data, section);
    if (s == kNone) return sim::Fail(kErrLineNotFound);
    uint32_t line = kNone;
    if (key) {
        line = FindKeyedLine(*data, s, key, 0);
    } else if (!data->sections[s].lines.empty()) {
        line = 0;
    }
    if (line == kNone) return sim::Fail(kErrLineNotFound);
    SetContext(inf, s, line, context);
    platform::SetLastError(0);
    return true;
}

bool SetupFindNextLine(const InfContext* in, InfContext* out) {
    const InfData* data = nullptr;
    if (!ContextLine(in, &data)) return false;
    if (in->line + 1 >= data->sections[in->section].lines.size()) return sim::Fail(kErrLineNotFound);
    *out = *in;
    ++out->line;
    platform::SetLastError(0);
    return true;
}

bool SetupFindNextMatchLineW(const InfContext* in, const char16_t* key, InfContext* out) {
    if (!key) return SetupFindNextLine(in, out);
    const InfData* data = nullptr;
    if (!ContextLine(in, &data)) return false;
    const uint32_t line = FindKeyedLine(*data, in->section, key, in->line + 1);
    if (line == kNone) return sim::Fail(kErrLineNotFound);
    *out = *in;
    out->line = line;
    platform::SetLastError(0);
    return true;
}

bool SetupGetLineByIndexW(HInf inf, const char16_t* section, Dword index, InfContext* context) {
    const InfData* data = Data(inf);
    if (!data) return sim::Fail(kErrInvalidHandle);
    if (!section || !context) return sim::Fail(kErrInvalidParameter);
    const uint32_t s = FindSection(*data, section);
    if (s == kNone || index >= data->sections[s].lines.size()) return sim::Fail(kErrLineNotFound);
    SetContext(inf, s, index, context);
    platform::SetLastError(0);
    return true;
}

long SetupGetLineCountW(HInf inf, const char16_t* section) {
    const InfData* data = Data(inf);
    if (!data) return sim::Fail(kErrInvalidHandle, -1L);
    const uint32_t s = section ? FindSection(*data, section) : kNone;
    if (s == kNone) return sim::Fail(kErrSectionNotFound, -1L);
    platform::SetLastError(0);
    return static_cast<long>(data->sections[s].lines.size());
}

Dword SetupGetFieldCount(const InfContext* context) {
    const InfData* data = nullptr;
    const Line* line = ContextLine(context, &data);
    return line ? line->fieldCount : 0;
}

bool SetupGetStringFieldW(const InfContext* context, Dword field, char16_t* buffer, Dword size, Dword* required) {
    const InfData* data = nullptr;
    const Line* line = ContextLine(context, &data);
    if (!line) return false;
    std::u16string scratch;
    std::u16string_view text;
    if (!FieldView(*data, *line, field, &scratch, &text)) return sim::Fail(kErrInvalidParameter);
    return CopyOut(text, buffer, size, required);
}

bool SetupGetIntField(const InfContext* context, Dword field, int* value) {
    const InfData* data = nullptr;
    const Line* line = ContextLine(context, &data);
    if (!line) return false;
    int read = 0;
    if (Dword error = IntField(*data, *line, field, &read)) return sim::Fail(error);
    *value = read;
    platform::SetLastError(0);
    return true;
}

bool SetupGetBinaryField(const InfContext* context, Dword field, uint8_t* buffer, Dword size, Dword* required) {
    const InfData* data = nullptr;
    const Line* line = ContextLine(context, &data);
    if (!line) return false;
    // Every byte is checked before the size is told, as Windows does.
    std::vector<uint8_t> bytes;
    if (Dword error = BinaryField(*data, *line, field, &bytes)) return sim::Fail(error);
    if (required) *required = static_cast<Dword>(bytes.size());
    if (buffer) {
        if (size < bytes.size()) return sim::Fail(kErrInsufficientBuffer);
        std::copy(bytes.begin(), bytes.end(), buffer);
    }
    platform::SetLastError(0);
    return true;
}

bool SetupGetLineTextW(const InfContext* context, HInf inf, const char16_t* section, const char16_t* key,
                       char16_t* buffer, Dword size, Dword* required) {
    InfContext found;
    if (!context) {
        if (!SetupFindFirstLineW(inf, section, key, &found)) return false;
        context = &found;
    }
    const InfData* data = nullptr;
    const Line* line = ContextLine(context, &data);
    if (!line) return false;
    std::u16string text;
    LineText(*data, *line, &text);
    return CopyOut(text, buffer, size, required);
}

bool SetupGetTargetPathW(HInf inf, const InfContext* context, const char16_t* section, char16_t* buffer,
                         Dword size, Dword* required) {
    const InfData* data = Data(inf);
    if (!data) return sim::Fail(kErrInvalidHandle);
    std::optional<std::u16string_view> name;
    if (context) {
        // The file-list section that holds the context's line.
        const InfData* contextData = nullptr;
        if (!ContextLine(context, &contextData)) return false;
        name = contextData->SectionName(context->section);
    } else if (section) {
        name = section;
    }
    std::u16string path;
    TargetPath(*data, name, &path);
    return CopyOut(path, buffer, size, required);
}

bool SetupGetSourceFileLocationW(HInf inf, const InfContext* context, const char16_t* fileName,
                                 unsigned* sourceId, char16_t* buffer, Dword size, Dword* required) {
    const InfData* data = Data(inf);
    if (!data) return sim::Fail(kErrInvalidHandle);
    std::u16string name;
    if (context) {
        // A copy-list line names its source file in field 2, or in field 1 when that is
        // the same name.
        const InfData* contextData = nullptr;
        const Line* line = ContextLine(context, &contextData);
        if (!line) return false;
        if (!FieldText(*contextData, *line, 2, &name) || name.empty()) FieldText(*contextData, *line, 1, &name);
    } else if (fileName) {
        name = fileName;
    } else {
        return sim::Fail(kErrInvalidParameter);
    }
    unsigned id = 0;
    std::u16string path;
    if (Dword error = SourceFileLocation(*data, name, &id, &path)) return sim::Fail(error);
    if (sourceId) *sourceId = id;
    return CopyOut(path, buffer, size, required);
}

}  // namespace platform
