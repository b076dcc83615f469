#pragma once
// The launcher's fixed limits and its own exit codes. A text beyond a limit is refused
// with a trace, never cut: a cut path or command line would start the wrong program
// or hand it wrong arguments.

#include "platform/types.h"

// Paths (the launcher's own, its settings file, the staging folder) and launch-list
// values: up to 259 characters, the platform's MAX_PATH less its NUL.
constexpr size_t kMaxPathLength = 259;
// The argument text and a launched program's command line.
constexpr size_t kMaxCommandLength = 1023;

// The launcher's own failure: its folder unknown, nothing to launch, a program that
// could not be started, or a text beyond a limit. No setup error code is this value.
constexpr platform::Dword kLauncherFailed = 0xFFFFFFFF;
