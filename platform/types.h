#pragma once
// Basic types of the platform interface. They mirror the Win32 shapes (sizes,
// layouts, numeric values) without including <windows.h>, so the logic above this
// layer builds against either backend.

#include <cstdint>
#include <string>

#if defined(_WIN32) && !defined(_WIN64)
#define PLATFORM_API __stdcall
#else
#define PLATFORM_API
#endif

namespace platform {

using Dword = uint32_t;
using LStatus = int32_t;  // registry results: a Win32 error code
using HResult = int32_t;
using LangId = uint16_t;

// Kernel objects (files, searches, processes, tokens). Opaque to the logic.
struct HandleObject;
using Handle = HandleObject*;
inline Handle InvalidHandle() { return reinterpret_cast<Handle>(static_cast<intptr_t>(-1)); }

// A loaded module; none (nullptr) names the program itself.
struct ModuleObject;
using Module = ModuleObject*;

// A function found by GetProcAddress; cast to its own signature before calling.
using FarProc = void (*)();

// The platform's boolean answers travel as C++ bool; its error codes as Dword.
struct SystemTime {
    uint16_t year;
    uint16_t month;
    uint16_t dayOfWeek;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;
};

}  // namespace platform
