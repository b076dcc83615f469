#include "platform/sim/file_state.h"

#include "platform/files.h"
#include "platform/sim/file_attributes.h"
#include "platform/sim/host_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/sqlite_db.h"

namespace platform::sim {

bool FileState::ReadOnly() const { return attributes.value_or(0) & kFileAttributeReadOnly; }

FileState StateOf(const std::u16string& fullPath) {
    static const std::string sql = std::string("SELECT (SELECT error FROM file_locks WHERE path = ?1), "
                                               "(SELECT attributes FROM file_attributes WHERE path = ?1), "
                                               "EXISTS(SELECT 1 FROM file_attributes WHERE ") +
                                   kAttributeRowsAtOrBelow + ")";
    Statement s(Machine::Current().Db(), sql.c_str());
    s.Bind(1, FoldKey(fullPath));
    FileState state;
    if (!s.Step()) return state;
    if (!s.IsNull(0)) state.lockError = static_cast<Dword>(s.Int(0));
    if (!s.IsNull(1)) state.attributes = static_cast<Dword>(s.Int(1));
    state.attributeRows = s.Int(2) != 0;
    return state;
}

}  // namespace platform::sim
