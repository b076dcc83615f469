#pragma once
// Top-level windows: finding one by its class and title, showing or hiding it.

#include "platform/types.h"

namespace platform {

struct WindowObject;
using HWnd = WindowObject*;

// ShowWindow commands.
constexpr int kSwHide = 0;
constexpr int kSwShowNormal = 1;
constexpr int kSwShow = 5;

// The class of the console windows that the platform opens for console programs.
constexpr char kConsoleWindowClass[] = "ConsoleWindowClass";

constexpr Dword kErrInvalidWindowHandle = 1400;
constexpr Dword kErrCannotFindWndClass = 1407;

// A null class or title matches any. Null when there is no such window.
HWnd FindWindowA(const char* className, const char* windowName);
// True when the window was visible before the call.
bool ShowWindow(HWnd window, int command);

}  // namespace platform
