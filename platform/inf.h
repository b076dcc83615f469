#pragma once
// The platform's INF services (SetupAPI's INF calls): open an INF-syntax file, find
// its lines and read their fields, with the platform's string substitution, and the
// DestinationDirs and SourceDisks rules. The win32 backend calls SetupAPI; the
// simulated machine has an INF reader of its own that follows the published format.

#include "platform/errors.h"
#include "platform/types.h"

namespace platform {

struct InfObject;
using HInf = InfObject*;
inline HInf InvalidInf() { return reinterpret_cast<HInf>(static_cast<intptr_t>(-1)); }

// The layout of INFCONTEXT: a line's place inside one section of an open INF.
struct InfContext {
    void* inf;
    void* currentInf;
    unsigned section;
    unsigned line;
};

constexpr Dword kInfStyleOldNt = 0x1;
constexpr Dword kInfStyleWin4 = 0x2;

// SetupAPI's own error codes.
constexpr Dword kErrExpectedSectionName = 0xE0000000;
constexpr Dword kErrBadSectionNameLine = 0xE0000001;
constexpr Dword kErrSectionNameTooLong = 0xE0000002;
constexpr Dword kErrGeneralSyntax = 0xE0000003;
constexpr Dword kErrWrongInfStyle = 0xE0000100;
constexpr Dword kErrSectionNotFound = 0xE0000101;
constexpr Dword kErrLineNotFound = 0xE0000102;

// Opens an INF. The Strings section it substitutes from is chosen by the thread's
// locale at the time of the open. *errorLine (may be null) tells where a syntax error is.
HInf SetupOpenInfFileW(const char16_t* path, const char16_t* infClass, Dword style, unsigned* errorLine);
void SetupCloseInfFile(HInf inf);

// key null: the section's first line.
bool SetupFindFirstLineW(HInf inf, const char16_t* section, const char16_t* key, InfContext* context);
bool SetupFindNextLine(const InfContext* in, InfContext* out);
bool SetupFindNextMatchLineW(const InfContext* in, const char16_t* key, InfContext* out);
bool SetupGetLineByIndexW(HInf inf, const char16_t* section, Dword index, InfContext* context);
// The section's line count; -1 with kErrSectionNotFound when it does not exist.
long SetupGetLineCountW(HInf inf, const char16_t* section);
Dword SetupGetFieldCount(const InfContext* context);

// Buffer-sized as SetupAPI: sizes in characters (bytes for binary fields) with the
// NUL; a too small buffer fails with 122 and *required tells the size.
bool SetupGetStringFieldW(const InfContext* context, Dword field, char16_t* buffer, Dword size,
                          Dword* required);
bool SetupGetIntField(const InfContext* context, Dword field, int* value);
bool SetupGetBinaryField(const InfContext* context, Dword field, uint8_t* buffer, Dword size,
                         Dword* required);
// The line's value part as the platform renders it: by context, or (context null)
// by section and key.
bool SetupGetLineTextW(const InfContext* context, HInf inf, const char16_t* section,
                       const char16_t* key, char16_t* buffer, Dword size, Dword* required);
// The destination folder of a file-list section (context null), or of the section
// that a context's line belongs to (section null).
bool SetupGetTargetPathW(HInf inf, const InfContext* context, const char16_t* section,
                         char16_t* buffer, Dword size, Dword* required);
// The source disk id and the subdirectory of a file from the SourceDisksFiles rules.
bool SetupGetSourceFileLocationW(HInf inf, const InfContext* context, const char16_t* fileName,
                                 unsigned* sourceId, char16_t* buffer, Dword size, Dword* required);

}  // namespace platform
