#pragma once
// The record files of a transaction (its rollback log, the uninstall log): UTF-8
// text with CR LF line ends, every write on the disk before it returns, read back
// line by line through a small buffer that only grows.

#include <string>
#include <vector>

#include "platform/types.h"

class LineFile {
public:
    // Results of Open, WriteText and ReadLine.
    static constexpr int kOk = 0;
    static constexpr int kEnd = 2;
    static constexpr int kFailed = 3;

    LineFile() = default;
    ~LineFile();
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;

    // Opens for reading and writing: anew (emptied) with create, else an existing
    // file. Others may read or delete the file while it is open, not write it. On
    // failure the platform's error of the open stays readable as the last error.
    int Open(const std::u16string& path, bool create);
    // Writes one text as it is (the caller supplies the line feeds).
    int WriteText(const std::u16string& text);
    // The next line without its line end; carriage returns are dropped.
    int ReadLine(std::u16string& text);
    void Rewind();
    void Close();
    // Closes, then deletes the file; true when there is no path or it is gone.
    bool Delete();

    const std::u16string& Path() const { return path_; }
    bool IsOpen() const { return handle_ != nullptr; }
    // The read buffer's size in bytes (0 before the first Open).
    size_t BufferCapacity() const { return buffer_.size(); }
    // Whether the last line delivered was cut before malformed UTF-8.
    bool LastLineMalformed() const { return lastLineMalformed_; }
    // Whether bytes without a final line feed wait in the buffer (at the end of the
    // data: a record whose writing was cut off).
    bool HasUnfinishedLine() const { return dataEnd_ > 0; }

private:
    int Fill();

    std::u16string path_;
    platform::Handle handle_ = nullptr;
    std::vector<char> buffer_;
    size_t dataEnd_ = 0;
    size_t scan_ = 0;
    bool lastLineMalformed_ = false;
};
