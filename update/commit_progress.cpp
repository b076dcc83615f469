#include "update/commit_progress.h"

#include "log/log.h"
#include "platform/process.h"

CommitProgress::CommitProgress(int32_t total) : total_(total) {}

void CommitProgress::Step(int32_t n) {
    current_ += n;
    PrintStatusLine(u"Progress,%d,%d\n", total_, current_);
}

void CommitProgress::Announce(int32_t n) const { PrintStatusLine(u"Progress,%d,%d\n", total_, current_ + n); }

std::u16string_view CommitProgress::CommandLine() const { return platform::GetCommandLineW(); }
