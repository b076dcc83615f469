#pragma once
// Which Windows the program runs on, as one small index, and the identity queries
// the start-up checks make.

#include <cstdint>

enum OsIndex : int {
    OsUnknown = 0,
    OsWin95 = 1,
    OsWinNT4 = 2,
    OsWin9xMinor = 3,
    OsWin98 = 4,
    OsWin2000 = 5,
    OsWinMe = 6,
    OsWinXP = 7,
    OsVistaOrLater = 8,
};

int SetupGetRunningWinVer();
bool IsNtPlatform();
bool IsWow64();
uint16_t GetUiLanguage();
