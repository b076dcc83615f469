// Finding and hiding top-level windows on the simulated machine, among the windows a
// test staged.

#include <cstdint>

#include "platform/sim/ansi_text.h"
#include "platform/sim/fail.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/sqlite_db.h"
#include "platform/sim/windows_table.h"
#include "platform/windows_ui.h"

namespace platform {

HWnd FindWindowA(const char* className, const char* windowName) {
    try {
        bool classKnown = false;
        for (const sim::StagedWindow& w : sim::ListWindows(sim::Machine::Current().Db())) {
            if (className && !sim::EqualsFolded(w.className, sim::AnsiToWide(className))) continue;
            classKnown = true;
            if (windowName && !sim::EqualsFolded(w.title, sim::AnsiToWide(windowName))) continue;
            SetLastError(0);
            return reinterpret_cast<HWnd>(static_cast<uintptr_t>(w.handle));
        }
        // The platform tells a class that no window has from a title that none has.
        return sim::Fail(classKnown ? 0 : kErrCannotFindWndClass, HWnd{nullptr});
    } catch (const sim::DbError&) {
        return sim::Fail(kErrCannotFindWndClass, HWnd{nullptr});
    }
}

bool ShowWindow(HWnd window, int command) {
    auto value = reinterpret_cast<uintptr_t>(window);
    bool wasVisible = false;
    try {
        if (value > UINT32_MAX ||
            !sim::SetWindowVisible(sim::Machine::Current().Db(), static_cast<uint32_t>(value),
                                   command != kSwHide, &wasVisible)) {
            return sim::Fail(kErrInvalidWindowHandle);
        }
    } catch (const sim::DbError&) {
        return sim::Fail(kErrInvalidWindowHandle);
    }
    return wasVisible;
}

}  // namespace platform
