#pragma once
// The one reader of INF-syntax files in the program: the setup scripts and the
// driver packages' INF files. It wraps the platform's INF services, adds the ".amd64"
// section rule, and turns the platform's "not found" answers into InfStatus codes;
// every other failure raises a BasicException. All access is read-only.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/inf.h"

enum InfStatus : int {
    InfFound = 0,
    InfNoSection = 1,
    InfNoLine = 2,   // no line with that key, or none at that index
    InfNoField = 3,  // no field at that index (or, for integers, not an integer)
};

// The language that leaves the thread's locale alone (driver INF files).
constexpr uint16_t kUserDefaultLanguage = 0x400;

class DriverInf {
public:
    DriverInf() = default;
    ~DriverInf();
    DriverInf(const DriverInf&) = delete;
    DriverInf& operator=(const DriverInf&) = delete;

    // Opens the file in the given language's Strings; raises on failure (the reader
    // keeps its path, without a handle).
    void Open(const std::u16string& path, uint16_t language);
    void Close();

    const std::u16string& GetPath() const;
    std::u16string GetDirectory() const;

    // Not decorated.
    bool SectionExists(const std::u16string& section);

    // Decorated lookups.
    InfStatus FindLine(const std::u16string& section, const std::u16string& key, platform::InfContext& line);
    InfStatus GetLineByIndex(const std::u16string& section, uint32_t index, platform::InfContext& line);
    // A missing section is logged.
    InfStatus GetLineCount(const std::u16string& section, long& count);
    InfStatus GetStringField(const platform::InfContext& line, uint32_t field, std::u16string& text);
    InfStatus GetLineText(const std::u16string& section, const std::u16string& key, std::u16string& text);
    InfStatus GetKeyField(const std::u16string& section, const std::u16string& key, uint32_t field,
                          std::u16string& text);
    InfStatus GetKeyFields(const std::u16string& section, const std::u16string& key,
                           std::vector<std::u16string>& fields);
    InfStatus GetLineField(const std::u16string& section, uint32_t line, uint32_t field, std::u16string& text);
    // The output stays as it was unless the status is InfFound.
    InfStatus GetLineInt(const std::u16string& section, uint32_t line, uint32_t field, int& value);
    InfStatus GetLineBinary(const std::u16string& section, uint32_t line, uint32_t field,
                            std::vector<uint8_t>& bytes);
    InfStatus GetColumn(const std::u16string& section, uint32_t field, std::vector<std::u16string>& column);

    // The keys of SourceDisksFiles; raises when they cannot be read.
    std::vector<std::u16string> GetSourceDisksFiles();
    // The first hardware ID of every model of the first manufacturer; raises when
    // they cannot be read.
    std::vector<std::u16string> GetPnpIds();
    // The destination folder of a file-list section; raises on failure. CopyFiles asks
    // it for the section's name as listed, without the ".amd64" rule.
    enum class Naming { Decorated, AsListed };
    std::u16string GetTargetPath(const std::u16string& section, Naming naming = Naming::Decorated);
    // The source disk and subdirectory of a file listed in SourceDisksFiles.
    bool GetSourceFileLocation(const std::u16string& fileName, unsigned& sourceId, std::u16string& relativePath);

private:
    std::u16string Decorate(const std::u16string& section);
    platform::HInf Handle() const;

    std::u16string path_;
    platform::HInf handle_ = nullptr;
};
