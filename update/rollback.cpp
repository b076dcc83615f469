// Rollback: the transaction's rollback log replayed backwards, newest line first,
// each step undone where it can be; every failure is logged or passed over, so the
// replay always reaches the oldest line.

#include <algorithm>
#include <vector>

#include "log/log.h"
#include "platform/files.h"
#include "update/update.h"
#include "util/pending_renames.h"
#include "util/text.h"

namespace {

std::vector<std::u16string> ReadAllLines(LineFile& file) {
    std::vector<std::u16string> lines;
    std::u16string line;
    while (file.ReadLine(line) == LineFile::kOk) lines.push_back(line);
    return lines;
}

std::u16string Field(const std::vector<std::u16string>& fields, size_t index) {
    return index < fields.size() ? fields[index] : std::u16string();
}

}  // namespace

void Update::Rollback() {
    LogPrint(2, u"Rollback()\n");
    if (!rollbackLog.IsOpen()) return;
    rollbackLog.Rewind();
    std::vector<std::u16string> lines = ReadAllLines(rollbackLog);
    std::reverse(lines.begin(), lines.end());
    for (const std::u16string& line : lines) {
        LogPrint(2, u"Rollback log line: \"%s\"\n", line);
        std::vector<std::u16string> fields;
        SplitCommaList(line, &fields);
        const std::u16string& keyword = fields[0];
        if (keyword == u"CopyFile") {
            LogPrint(2, u"Rollback(): DeleteFile( \"%s\" )\n", Field(fields, 2));
            platform::DeleteFileW(Field(fields, 2).c_str());
        } else if (keyword == u"MoveFile") {
            LogPrint(2, u"Rollback(): MoveFile( \"%s\", \"%s\")\n", Field(fields, 2), Field(fields, 1));
            platform::MoveFileExW(Field(fields, 2).c_str(), Field(fields, 1).c_str(), 0);
        } else if (keyword == u"QueuedMove") {
            LogPrint(2, u"Rollback(): QueuedMove( \"%s\", \"%s\")\n", Field(fields, 2), Field(fields, 1));
            // Left registered, the restart would still carry the move out: a held file
            // of the earlier installation would go aside with nothing to take its place.
            if (!CancelQueuedMove(Field(fields, 1), Field(fields, 2))) {
                LogPrint(0, u"Rollback(): the move of \"%s\" at the next restart could not be taken back.\n",
                         Field(fields, 1));
            }
        } else if (keyword == u"CopyInf" || keyword == u"UpdateDriver") {
            // FIXME: driver packages and bindings are not undone yet; nothing in this
            // build writes these lines.
            LogPrint(0, u"Rollback(): \"%s\" cannot be undone in this build.\n", line);
        } else if (keyword == u"CreateDir") {
            // Folders made for new files stay.
        } else {
            LogPrint(0, u"Rollback(): Unknown message \"%s\"\n", line);
        }
    }
    rollbackLog.Delete();
    if (!uninstallLog.Path().empty()) uninstallLog.Delete();
}

void Update::RollbackAll() {
    for (Update* u : updates) u->Rollback();
}
