#pragma once
// A cabinet, or a set of cabinets joined to it, read through the platform's file
// calls: the entries libmspack found and the extraction of one to a path of the
// machine. Everything is closed with the object.

#include <mspack.h>

#include <deque>
#include <string>
#include <string_view>

#include "platform/sim/mspack_io.h"
#include "platform/types.h"

namespace platform::sim {

class CabinetFile {
public:
    CabinetFile();
    ~CabinetFile();
    CabinetFile(const CabinetFile&) = delete;
    CabinetFile& operator=(const CabinetFile&) = delete;

    // Opens the cabinet at a Windows path: 0, or the platform error (the file's own,
    // or 13 for what is no cabinet or a damaged one).
    Dword Open(std::u16string_view path);
    mscabd_cabinet* Get() const { return cabinet_; }
    MspackFiles& Files() { return files_; }

    // Joins the cabinet at `path` as the one following `last` in the set, so that the
    // entries that run on into it can be extracted. *joined is the cabinet read.
    Dword Append(mscabd_cabinet* last, std::u16string_view path, mscabd_cabinet** joined);

    // Writes an entry to a Windows path, replacing a file there.
    Dword Extract(mscabd_file* entry, std::u16string_view target);

private:
    // libmspack keeps the name a cabinet was opened by, and opens it again by that name
    // to extract: the names live as long as the cabinets.
    const char* Keep(std::u16string_view path);

    MspackFiles files_;
    std::deque<std::string> names_;
    mscab_decompressor* decompressor_ = nullptr;
    mscabd_cabinet* cabinet_ = nullptr;
};

}  // namespace platform::sim
