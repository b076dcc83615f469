#pragma once
// An open INF made from a file's bytes: what SetupOpenInfFileW does once it has read
// the file. It asks nothing of the machine (its folders and the thread's language are
// given), so the fuzz target of the INF reader enters here with bytes that were never
// a file.

#include <cstdint>
#include <string>

#include "platform/inf.h"
#include "platform/sim/inf_model.h"
#include "platform/types.h"

namespace platform::sim::inf {

struct OpenOptions {
    std::u16string path;       // the full Windows path of the file
    Folders folders;           // the machine's folders, for the DIRIDs
    uint16_t langId = 0x0409;  // the thread's language: it chooses the Strings section
    const char16_t* infClass = nullptr;
    Dword style = kInfStyleWin4;
};

// Decodes and parses the bytes, checks the style and the class, and indexes the
// strings and keys. Returns the open INF, or InvalidInf() with the thread's last error
// set (and *errorLine, when given, for a syntax error).
HInf OpenInfFromBytes(std::string bytes, const OpenOptions& options, unsigned* errorLine);

}  // namespace platform::sim::inf
