#pragma once
// Whether the running program is a 32-bit one (its registry view and folders are
// then redirected as WOW64 does). A 32-bit program of the host build links a
// definition that answers true; every other program gets the 64-bit answer.

namespace platform::sim {

bool ProcessIs32Bit();

}  // namespace platform::sim
