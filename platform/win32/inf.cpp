#include "platform/inf.h"

#include "platform/win32/win32.h"

#include <setupapi.h>  // after <windows.h>

namespace platform {

using win32::W;

static_assert(sizeof(InfContext) == sizeof(INFCONTEXT));

static HINF H(HInf inf) { return reinterpret_cast<HINF>(inf); }
static INFCONTEXT* C(InfContext* c) { return reinterpret_cast<INFCONTEXT*>(c); }
// SetupAPI reads through these without writing, but some of its declarations lack the const.
static INFCONTEXT* C(const InfContext* c) { return reinterpret_cast<INFCONTEXT*>(const_cast<InfContext*>(c)); }
static const wchar_t* Opt(const char16_t* text) { return text ? W(text) : nullptr; }

HInf SetupOpenInfFileW(const char16_t* path, const char16_t* infClass, Dword style, unsigned* errorLine) {
    UINT line = 0;
    HINF inf = ::SetupOpenInfFileW(W(path), Opt(infClass), style, &line);
    if (errorLine) *errorLine = line;
    return reinterpret_cast<HInf>(inf);
}

void SetupCloseInfFile(HInf inf) { ::SetupCloseInfFile(H(inf)); }

bool SetupFindFirstLineW(HInf inf, const char16_t* section, const char16_t* key, InfContext* context) {
    return ::SetupFindFirstLineW(H(inf), W(section), Opt(key), C(context)) != FALSE;
}

bool SetupFindNextLine(const InfContext* in, InfContext* out) {
    return ::SetupFindNextLine(C(in), C(out)) != FALSE;
}

bool SetupFindNextMatchLineW(const InfContext* in, const char16_t* key, InfContext* out) {
    return ::SetupFindNextMatchLineW(C(in), Opt(key), C(out)) != FALSE;
}

bool SetupGetLineByIndexW(HInf inf, const char16_t* section, Dword index, InfContext* context) {
    return ::SetupGetLineByIndexW(H(inf), W(section), index, C(context)) != FALSE;
}

long SetupGetLineCountW(HInf inf, const char16_t* section) { return ::SetupGetLineCountW(H(inf), W(section)); }

Dword SetupGetFieldCount(const InfContext* context) { return ::SetupGetFieldCount(C(context)); }

bool SetupGetStringFieldW(const InfContext* context, Dword field, char16_t* buffer, Dword size,
                          Dword* required) {
    DWORD needed = 0;
    BOOL ok = ::SetupGetStringFieldW(C(context), field, buffer ? W(buffer) : nullptr, size, &needed);
    if (required) *required = needed;
    return ok != FALSE;
}

bool SetupGetIntField(const InfContext* context, Dword field, int* value) {
    INT v = 0;
    BOOL ok = ::SetupGetIntField(C(context), field, &v);
    if (ok) *value = v;
    return ok != FALSE;
}

bool SetupGetBinaryField(const InfContext* context, Dword field, uint8_t* buffer, Dword size,
                         Dword* required) {
    DWORD needed = 0;
    BOOL ok = ::SetupGetBinaryField(C(context), field, buffer, size, &needed);
    if (required) *required = needed;
    return ok != FALSE;
}

bool SetupGetLineTextW(const InfContext* context, HInf inf, const char16_t* section,
                       const char16_t* key, char16_t* buffer, Dword size, Dword* required) {
    DWORD needed = 0;
    BOOL ok = ::SetupGetLineTextW(C(context), H(inf), Opt(section), Opt(key),
                                  buffer ? W(buffer) : nullptr, size, &needed);
    if (required) *required = needed;
    return ok != FALSE;
}

bool SetupGetTargetPathW(HInf inf, const InfContext* context, const char16_t* section,
                         char16_t* buffer, Dword size, Dword* required) {
    DWORD needed = 0;
    BOOL ok = ::SetupGetTargetPathW(H(inf), C(context), Opt(section),
                                    buffer ? W(buffer) : nullptr, size, &needed);
    if (required) *required = needed;
    return ok != FALSE;
}

bool SetupGetSourceFileLocationW(HInf inf, const InfContext* context, const char16_t* fileName,
                                 unsigned* sourceId, char16_t* buffer, Dword size, Dword* required) {
    DWORD needed = 0;
    UINT id = 0;
    BOOL ok = ::SetupGetSourceFileLocationW(H(inf), C(context), Opt(fileName), &id,
                                            buffer ? W(buffer) : nullptr, size, &needed);
    if (sourceId) *sourceId = id;
    if (required) *required = needed;
    return ok != FALSE;
}

}  // namespace platform
