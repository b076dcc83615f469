#include "platform/sim/inf_index.h"

#include "platform/sim/host_text.h"

namespace platform::sim::inf {

// FNV-1a over the folded code units.
uint64_t FoldedHash(std::u16string_view text) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (char16_t c : text) {
        const char16_t f = FoldChar(c);
        h = (h ^ (f & 0xFF)) * 0x100000001B3ull;
        h = (h ^ (f >> 8)) * 0x100000001B3ull;
    }
    return h;
}

}  // namespace platform::sim::inf
