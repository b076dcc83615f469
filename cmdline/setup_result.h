#pragma once
// The result codes of a run and their names, as callers read them.

#include <cstdint>

enum SetupResult : int32_t {
    SetupSuccess = 0,
    SetupSuccessNeedReboot = 1,
    SetupSuccessNeedRestartDriver = 2,
    SetupErrorNoConfigFile = 100,
    SetupErrorInsuficientPrivileges = 101,
    SetupErrorInvalidArguments = 102,
    // Platform not supported. It has no row in the name table.
    SetupErrorPlatform = 103,
    SetupErrorInternal = 200,
    SetupErrorNoMemory = 201,
    SetupErrorUnknown = 202,
};

// The name of the first row of the result table with this code; null when the code
// has no row (103 and anything unknown).
const char16_t* SetupResultName(int32_t code);
