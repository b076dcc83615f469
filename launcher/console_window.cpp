#include "launcher/console_window.h"

#include <cstdint>

#include "launcher/trace.h"
#include "platform/ansi.h"
#include "platform/windows_ui.h"

void HideConsoleWindow() {
    char path[platform::kMaxPath] = {};
    platform::GetModuleFileNameA(nullptr, path, sizeof path);
    path[sizeof path - 1] = 0;
    LauncherTrace("Window Title: %s", path);
    platform::HWnd window = platform::FindWindowA(platform::kConsoleWindowClass, path);
    if (window) {
        LauncherTrace("Found Window Handle: %d", static_cast<int>(reinterpret_cast<intptr_t>(window)));
        platform::ShowWindow(window, platform::kSwHide);
    } else {
        LauncherTrace("Failed to Find Window Handle: %d", 0);
    }
}
