#include "log/line_file.h"

#include <cstring>

#include "platform/files.h"
#include "platform/last_error.h"
#include "util/basic_exception.h"
#include "util/text.h"

namespace {
constexpr size_t kFirstCapacity = 32;
// The most one read asks of the file.
constexpr size_t kReadStep = 16;
}  // namespace

LineFile::~LineFile() { Close(); }

int LineFile::Open(const std::u16string& path, bool create) {
    path_ = path;
    Close();
    platform::Handle h = platform::CreateFileW(
        path.c_str(), platform::kGenericRead | platform::kGenericWrite,
        platform::kFileShareRead | platform::kFileShareDelete,
        create ? platform::kCreateAlways : platform::kOpenExisting, platform::kFileAttributeNormal);
    if (h == platform::InvalidHandle()) return kFailed;
    handle_ = h;
    if (buffer_.empty()) buffer_.resize(kFirstCapacity);
    dataEnd_ = 0;
    scan_ = 0;
    return kOk;
}

int LineFile::WriteText(const std::u16string& text) {
    if (!handle_) return kFailed;
    std::string utf8 = Utf16ToUtf8(text);
    std::string bytes;
    bytes.reserve(utf8.size() + 8);
    for (char c : utf8) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    platform::Dword written = 0;
    if (!platform::WriteFile(handle_, bytes.data(), static_cast<platform::Dword>(bytes.size()), &written) ||
        written != bytes.size()) {
        return kFailed;
    }
    // A record must survive a crash of the process once it is written.
    if (!platform::FlushFileBuffers(handle_)) THROW_BASIC_DESC(path_, platform::GetLastError());
    return kOk;
}

int LineFile::ReadLine(std::u16string& text) {
    if (!handle_) return kFailed;
    for (;;) {
        while (scan_ < dataEnd_ && buffer_[scan_] != '\n') ++scan_;
        if (scan_ < dataEnd_) break;
        if (int result = Fill()) return result;
    }
    std::string line;
    line.reserve(scan_);
    for (size_t i = 0; i < scan_; ++i) {
        if (buffer_[i] != '\r') line += buffer_[i];
    }
    // A malformed sequence cuts the line there; the line is still delivered.
    text.clear();
    lastLineMalformed_ = Utf8ToUtf16(line, &text) != 0;
    size_t rest = dataEnd_ - (scan_ + 1);
    std::memmove(buffer_.data(), buffer_.data() + scan_ + 1, rest);
    dataEnd_ = rest;
    scan_ = 0;
    return kOk;
}

int LineFile::Fill() {
    if (buffer_.size() - dataEnd_ < kReadStep) buffer_.resize(buffer_.size() * 2);
    size_t room = buffer_.size() - dataEnd_;
    platform::Dword read = 0;
    if (!platform::ReadFile(handle_, buffer_.data() + dataEnd_,
                            static_cast<platform::Dword>(room < kReadStep ? room : kReadStep), &read)) {
        return kFailed;
    }
    if (read == 0) return kEnd;
    dataEnd_ += read;
    return kOk;
}

void LineFile::Rewind() {
    if (!platform::SetFilePointerEx(handle_, 0, nullptr, platform::kFileBegin)) {
        THROW_BASIC_DESC(path_, platform::GetLastError());
    }
}

void LineFile::Close() {
    if (handle_) {
        platform::CloseHandle(handle_);
        handle_ = nullptr;
    }
}

bool LineFile::Delete() {
    Close();
    if (path_.empty()) return true;
    return platform::DeleteFileW(path_.c_str());
}
