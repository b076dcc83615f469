#pragma once

#include "platform/types.h"

// The setup error code that a launched setup leaves under
// HKEY_CURRENT_USER\SOFTWARE\QlnSetup\Status, value ErrorCode; 0 when there is none.
platform::Dword ReadSetupErrorCode();
