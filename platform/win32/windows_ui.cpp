#include "platform/windows_ui.h"

#include "platform/win32/win32.h"

namespace platform {

HWnd FindWindowA(const char* className, const char* windowName) {
    return reinterpret_cast<HWnd>(::FindWindowA(className, windowName));
}

bool ShowWindow(HWnd window, int command) {
    return ::ShowWindow(reinterpret_cast<HWND>(window), command) != FALSE;
}

}  // namespace platform
