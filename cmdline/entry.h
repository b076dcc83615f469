#pragma once

// Runs the one command of this process from its start-up checks to its result:
// reports it on standard output and in the registry, and returns it as the code the
// process exits with.
int RunSetupCommand();
