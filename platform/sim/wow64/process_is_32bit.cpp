// Linked into the 32-bit programs of the host build only (the launcher): the machine
// then treats the program as WOW64 treats a 32-bit one (registry view, folders).

#include "platform/sim/process_bits.h"

namespace platform::sim {

bool ProcessIs32Bit() { return true; }

}  // namespace platform::sim
