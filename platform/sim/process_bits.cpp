#include "platform/sim/process_bits.h"

namespace platform::sim {

__attribute__((weak)) bool ProcessIs32Bit() { return false; }

}  // namespace platform::sim
