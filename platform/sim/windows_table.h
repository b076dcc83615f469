#pragma once
// The top-level windows of the simulated machine. The machine has no windows of its
// own: a test stages the ones a program looks for (`winsim window add`), such as the
// console window of a console program, and sees afterwards whether it was hidden.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

namespace platform::sim {

struct StagedWindow {
    uint32_t handle = 0;
    std::u16string className;
    std::u16string title;
    bool visible = true;
};

// The table is made on first use, so that machines made before it have it too.
void EnsureWindowsTable(sqlite3* db);
uint32_t AddWindow(sqlite3* db, const std::u16string& className, const std::u16string& title);
std::vector<StagedWindow> ListWindows(sqlite3* db);
// False when there is no such window.
bool SetWindowVisible(sqlite3* db, uint32_t handle, bool visible, bool* wasVisible);

}  // namespace platform::sim
