#pragma once
// The large buffers of an INF, kept when it is closed for the next one to be opened.
// An installer opens its INFs one after another; the C library hands blocks this large
// back to the system when they are freed, and each open then paid more for faulting in
// fresh pages (about a thousand for a 0.8 MB file) than for reading the file.

#include <string>
#include <vector>

#include "platform/sim/inf_model.h"

namespace platform::sim::inf {

// Emptied buffers with the room of the last ones kept, or new ones.
std::string TakeByteBuffer();
std::u16string TakeTextBuffer();
std::vector<TextRef> TakeFieldBuffer();

// Keeps the buffers' room for the next open (within a limit: a huge file's is let go).
void KeepByteBuffer(std::string&& bytes);
void KeepInfBuffers(InfData&& data);

}  // namespace platform::sim::inf
