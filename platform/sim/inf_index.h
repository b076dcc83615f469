#pragma once
// An open-addressing hash index of names compared without regard to case, as the INF
// reader finds its sections and keyed lines: each entry holds the first and last of
// the items that carry one name within one owner (a section, or the file).

#include <cstdint>
#include <string_view>
#include <vector>

namespace platform::sim::inf {

// The hash of a text after the platform's case fold.
uint64_t FoldedHash(std::u16string_view text);

class FoldedIndex {
public:
    static constexpr uint32_t kNoSlot = UINT32_MAX;

    struct Entry {
        uint64_t hash = 0;
        uint32_t owner = 0;
        uint32_t first = kNoSlot;  // kNoSlot marks a free slot
        uint32_t last = kNoSlot;
    };

    // Room for `count` entries, so that slot numbers stay valid while they are added.
    void Reserve(size_t count) {
        size_t capacity = 16;
        while (capacity < count * 2) capacity *= 2;
        if (capacity > slots_.size()) Rehash(capacity);
    }

    // The slot whose entry has this hash and owner and whose first item `same` accepts
    // (the hash is not trusted alone); kNoSlot when there is none.
    template <class Same>
    uint32_t Find(uint64_t hash, uint32_t owner, Same same) const {
        if (slots_.empty()) return kNoSlot;
        const size_t mask = slots_.size() - 1;
        for (size_t at = Start(hash, owner) & mask;; at = (at + 1) & mask) {
            const Entry& e = slots_[at];
            if (e.first == kNoSlot) return kNoSlot;
            if (e.hash == hash && e.owner == owner && same(e.first)) return static_cast<uint32_t>(at);
        }
    }

    // The slot of the item's name: an existing entry, or a new one whose first and last
    // item is `item` (then *added is true).
    template <class Same>
    uint32_t Insert(uint64_t hash, uint32_t owner, uint32_t item, Same same, bool* added) {
        if ((used_ + 1) * 2 > slots_.size()) Rehash(slots_.empty() ? 16 : slots_.size() * 2);
        const size_t mask = slots_.size() - 1;
        for (size_t at = Start(hash, owner) & mask;; at = (at + 1) & mask) {
            Entry& e = slots_[at];
            if (e.first == kNoSlot) {
                e = Entry{hash, owner, item, item};
                ++used_;
                *added = true;
                return static_cast<uint32_t>(at);
            }
            if (e.hash == hash && e.owner == owner && same(e.first)) {
                *added = false;
                return static_cast<uint32_t>(at);
            }
        }
    }

    Entry& At(uint32_t slot) { return slots_[slot]; }
    const Entry& At(uint32_t slot) const { return slots_[slot]; }

private:
    static size_t Start(uint64_t hash, uint32_t owner) {
        uint64_t h = hash ^ (uint64_t(owner) * 0x9E3779B97F4A7C15ull);
        h ^= h >> 31;
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 29;
        return static_cast<size_t>(h);
    }

    void Rehash(size_t capacity) {
        std::vector<Entry> old = std::move(slots_);
        slots_.assign(capacity, Entry{});
        const size_t mask = capacity - 1;
        for (const Entry& e : old) {
            if (e.first == kNoSlot) continue;
            size_t at = Start(e.hash, e.owner) & mask;
            while (slots_[at].first != kNoSlot) at = (at + 1) & mask;
            slots_[at] = e;
        }
    }

    std::vector<Entry> slots_;
    size_t used_ = 0;
};

}  // namespace platform::sim::inf
