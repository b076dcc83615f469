#pragma once
// The moves and deletions registered for the next restart (MoveFileEx with
// MOVEFILE_DELAY_UNTIL_REBOOT), which the system keeps as pairs of names in
// HKLM\SYSTEM\CurrentControlSet\Control\Session Manager PendingFileRenameOperations.

#include <string>

// Takes back a registered move of `source` to `destination` (an empty destination: a
// registered deletion), the latest one if there are several. True when it was found
// and removed. A rolled-back transaction must not leave the restart a move that
// would carry part of it out against the files it restored.
bool CancelQueuedMove(const std::u16string& source, const std::u16string& destination);
