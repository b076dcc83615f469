#pragma once
// What libmspack keeps to itself about a cabinet's entries: whether an entry began in
// the previous cabinet of a set, or goes on into the next one. The platform offers
// the first kind to no callback, and asks for the next cabinet before it extracts
// the second.

#include <mspack.h>

#include <vector>

namespace platform::sim {

struct EntryContinuation {
    unsigned offset = 0;  // where the entry starts in its folder's data
    unsigned length = 0;
    bool fromPrevious = false;
    bool toNext = false;
};

// The marks of the cabinet's file records, in the cabinet's order (libmspack's order
// too). Empty when the records cannot be read; libmspack has read the same records
// already, so that only happens to a file that changed in between.
std::vector<EntryContinuation> ReadEntryContinuations(mspack_system* system, const char* cabinet,
                                                      off_t baseOffset);

}  // namespace platform::sim
