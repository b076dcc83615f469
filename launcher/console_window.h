#pragma once

// Hides the console window that the platform opened for the launcher, found by its
// class and by its title, which is the launcher's path.
void HideConsoleWindow();
