#include "platform/sim/cabinet_file.h"

#include "platform/errors.h"

namespace platform::sim {

CabinetFile::CabinetFile() : decompressor_(mspack_create_cab_decompressor(files_.System())) {}

CabinetFile::~CabinetFile() {
    if (!decompressor_) return;
    // Closing the first cabinet closes the ones joined to it too.
    if (cabinet_) decompressor_->close(decompressor_, cabinet_);
    mspack_destroy_cab_decompressor(decompressor_);
}

const char* CabinetFile::Keep(std::u16string_view path) {
    names_.push_back(MspackFiles::Name(path));
    return names_.back().c_str();
}

Dword CabinetFile::Open(std::u16string_view path) {
    if (!decompressor_) return kErrNotEnoughMemory;
    files_.ClearError();
    cabinet_ = decompressor_->open(decompressor_, Keep(path));
    return cabinet_ ? kErrSuccess : files_.ErrorFor(decompressor_->last_error(decompressor_));
}

Dword CabinetFile::Append(mscabd_cabinet* last, std::u16string_view path, mscabd_cabinet** joined) {
    files_.ClearError();
    mscabd_cabinet* next = decompressor_->open(decompressor_, Keep(path));
    if (!next) return files_.ErrorFor(decompressor_->last_error(decompressor_));
    int result = decompressor_->append(decompressor_, last, next);
    if (result != MSPACK_ERR_OK) {
        // A cabinet of another set, or one whose entries do not continue ours.
        decompressor_->close(decompressor_, next);
        return files_.ErrorFor(result);
    }
    *joined = next;
    return kErrSuccess;
}

Dword CabinetFile::Extract(mscabd_file* entry, std::u16string_view target) {
    files_.ClearError();
    return files_.ErrorFor(decompressor_->extract(decompressor_, entry, MspackFiles::Name(target).c_str()));
}

}  // namespace platform::sim
