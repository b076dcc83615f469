#include "platform/sim/inf_buffers.h"

#include <mutex>
#include <utility>

namespace platform::sim::inf {

namespace {

// More than this is not worth holding for a later open.
constexpr size_t kMostKeptBytes = 64u << 20;

struct Kept {
    std::mutex lock;
    std::string bytes;
    std::u16string text;
    std::vector<TextRef> fields;
};

Kept& Buffers() {
    static Kept kept;
    return kept;
}

template <typename Buffer>
Buffer Take(Buffer Kept::*member) {
    Kept& kept = Buffers();
    std::lock_guard<std::mutex> hold(kept.lock);
    Buffer out = std::move(kept.*member);
    kept.*member = Buffer();
    out.clear();
    return out;
}

template <typename Buffer>
void Keep(Buffer Kept::*member, Buffer&& buffer) {
    if (buffer.capacity() * sizeof(typename Buffer::value_type) > kMostKeptBytes) return;
    Kept& kept = Buffers();
    std::lock_guard<std::mutex> hold(kept.lock);
    if (buffer.capacity() > (kept.*member).capacity()) kept.*member = std::move(buffer);
}

}  // namespace

std::string TakeByteBuffer() { return Take(&Kept::bytes); }
std::u16string TakeTextBuffer() { return Take(&Kept::text); }
std::vector<TextRef> TakeFieldBuffer() { return Take(&Kept::fields); }

void KeepByteBuffer(std::string&& bytes) { Keep(&Kept::bytes, std::move(bytes)); }

void KeepInfBuffers(InfData&& data) {
    Keep(&Kept::text, std::move(data.pool));
    Keep(&Kept::fields, std::move(data.fields));
}

}  // namespace platform::sim::inf
