#include "platform/sim/cabinet_entries.h"

#include <cstdint>

namespace platform::sim {

namespace {

// The cabinet format's folder index values for entries that span cabinets.
constexpr uint16_t kContinuedFromPrevious = 0xFFFD;
constexpr uint16_t kContinuedToNext = 0xFFFE;
constexpr uint16_t kContinuedBothWays = 0xFFFF;

constexpr int kHeaderSize = 36;
constexpr int kFileRecordSize = 16;  // before the name
constexpr int kMaxNameBytes = 257;   // the format's limit, with the NUL

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

class Reader {
public:
    Reader(mspack_system* system, mspack_file* file) : system_(system), file_(file) {}
    bool Take(unsigned char* out, int count) {
        for (int i = 0; i < count; ++i) {
            if (next_ == end_) {
                int got = system_->read(file_, buffer_, sizeof buffer_);
                if (got <= 0) return false;
                next_ = 0;
                end_ = got;
            }
            out[i] = buffer_[next_++];
        }
        return true;
    }
    bool SkipName() {
        unsigned char c = 0;
        for (int i = 0; i < kMaxNameBytes; ++i) {
            if (!Take(&c, 1)) return false;
            if (c == 0) return true;
        }
        return false;
    }

private:
    mspack_system* system_;
    mspack_file* file_;
    unsigned char buffer_[4096];
    int next_ = 0;
    int end_ = 0;
};

std::vector<EntryContinuation> ReadFrom(mspack_system* system, mspack_file* file, off_t baseOffset) {
    unsigned char header[kHeaderSize];
    if (system->seek(file, baseOffset, MSPACK_SYS_SEEK_START) != 0 ||
        system->read(file, header, kHeaderSize) != kHeaderSize) {
        return {};
    }
    uint32_t filesOffset = Le32(header + 0x10);
    uint16_t fileCount = Le16(header + 0x1C);
    if (system->seek(file, baseOffset + static_cast<off_t>(filesOffset), MSPACK_SYS_SEEK_START) != 0) return {};
    Reader reader(system, file);
    std::vector<EntryContinuation> marks;
    for (uint16_t i = 0; i < fileCount; ++i) {
        unsigned char record[kFileRecordSize];
        if (!reader.Take(record, kFileRecordSize) || !reader.SkipName()) return {};
        uint16_t folder = Le16(record + 8);
        EntryContinuation mark;
        mark.length = Le32(record);
        mark.offset = Le32(record + 4);
        mark.fromPrevious = folder == kContinuedFromPrevious || folder == kContinuedBothWays;
        mark.toNext = folder == kContinuedToNext || folder == kContinuedBothWays;
        marks.push_back(mark);
    }
    return marks;
}

}  // namespace

std::vector<EntryContinuation> ReadEntryContinuations(mspack_system* system, const char* cabinet,
                                                      off_t baseOffset) {
    mspack_file* file = system->open(system, cabinet, MSPACK_SYS_OPEN_READ);
    if (!file) return {};
    std::vector<EntryContinuation> marks = ReadFrom(system, file, baseOffset);
    system->close(file);
    return marks;
}

}  // namespace platform::sim
