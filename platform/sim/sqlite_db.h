#pragma once
// Thin owning wrappers over SQLite, for the machine database.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::sim {

class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, int64_t value);
    Statement& Bind(int index, std::string_view text);
    Statement& BindBlob(int index, const void* data, size_t size);
    Statement& BindNull(int index);

    // True while a row is available; false when done. Errors throw DbError.
    bool Step();
    // Runs to completion.
    void Run();
    void Reset();

    int64_t Int(int column) const;
    std::string Text(int column) const;
    std::string Blob(int column) const;
    bool IsNull(int column) const;

private:
    sqlite3* db_;
    std::string sql_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Statements are compiled once per connection and kept for reuse when destroyed; a
// connection's kept statements must be finalized by this before it is closed.
void ForgetStatements(sqlite3* db);

// A failure of the machine database itself (corrupt file, disk full...). The backend
// turns it into a platform error at the call that met it.
struct DbError {
    std::string message;
};

void Exec(sqlite3* db, const char* sql);

// One call, one transaction: BEGIN IMMEDIATE here, COMMIT on Commit(), ROLLBACK if
// destroyed uncommitted.
class Transaction {
public:
    explicit Transaction(sqlite3* db);
    ~Transaction();
    void Commit();

private:
    sqlite3* db_;
    bool done_ = false;
};

}  // namespace platform::sim
