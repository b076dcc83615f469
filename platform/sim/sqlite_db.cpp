#include "platform/sim/sqlite_db.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace platform::sim {

static void Check(sqlite3* db, int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) {
        throw DbError{sqlite3_errmsg(db)};
    }
}

namespace {

// Compiling a statement costs more than running one of the machine's small queries,
// and every file call runs several: a finished statement is kept, reset and without
// its bindings, for the next use of the same text on the same connection.
using StatementKey = std::pair<uintptr_t, std::string>;

StatementKey KeyOf(sqlite3* db, std::string sql) { return {reinterpret_cast<uintptr_t>(db), std::move(sql)}; }

std::map<StatementKey, std::vector<sqlite3_stmt*>>& IdleStatements() {
    // Never destroyed: objects destroyed at exit (the fault counts) still run queries.
    static auto* idle = new std::map<StatementKey, std::vector<sqlite3_stmt*>>;
    return *idle;
}

// Kept per text: more than one is in use at once only when a query runs inside another.
constexpr size_t kIdlePerText = 4;

}  // namespace

Statement::Statement(sqlite3* db, const char* sql) : db_(db), sql_(sql) {
    auto& idle = IdleStatements();
    auto it = idle.find(KeyOf(db_, sql_));
    if (it != idle.end() && !it->second.empty()) {
        stmt_ = it->second.back();
        it->second.pop_back();
        return;
    }
    Check(db_, sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr));
}

Statement::~Statement() {
    if (!stmt_) return;
    // A reset statement holds no lock and no transaction open, as a finalized one.
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    std::vector<sqlite3_stmt*>& kept = IdleStatements()[KeyOf(db_, std::move(sql_))];
    if (kept.size() < kIdlePerText) {
        kept.push_back(stmt_);
    } else {
        sqlite3_finalize(stmt_);
    }
}

void ForgetStatements(sqlite3* db) {
    auto& idle = IdleStatements();
    const uintptr_t connection = reinterpret_cast<uintptr_t>(db);
    for (auto it = idle.lower_bound(KeyOf(db, std::string())); it != idle.end() && it->first.first == connection;) {
        for (sqlite3_stmt* stmt : it->second) sqlite3_finalize(stmt);
        it = idle.erase(it);
    }
}

Statement& Statement::Bind(int index, int64_t value) {
    Check(db_, sqlite3_bind_int64(stmt_, index, value));
    return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
    Check(db_, sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                                 SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::BindBlob(int index, const void* data, size_t size) {
    // A zero-length blob must stay a blob, not become NULL.
    static const char empty = 0;
    Check(db_, sqlite3_bind_blob(stmt_, index, size ? data : &empty, static_cast<int>(size),
                                 SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::BindNull(int index) {
    Check(db_, sqlite3_bind_null(stmt_, index));
    return *this;
}

bool Statement::Step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    std::string message = sqlite3_errmsg(db_);
    sqlite3_reset(stmt_);
    throw DbError{message};
}

void Statement::Run() {
    while (Step()) {
    }
}

void Statement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Statement::Text(int column) const {
    const unsigned char* p = sqlite3_column_text(stmt_, column);
    return p ? std::string(reinterpret_cast<const char*>(p),
                           static_cast<size_t>(sqlite3_column_bytes(stmt_, column)))
             : std::string();
}

std::string Statement::Blob(int column) const {
    const void* p = sqlite3_column_blob(stmt_, column);
    int n = sqlite3_column_bytes(stmt_, column);
    return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

bool Statement::IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

void Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "unknown database error";
        sqlite3_free(error);
        throw DbError{message};
    }
}

Transaction::Transaction(sqlite3* db) : db_(db) { Exec(db_, "BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
    if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
    Exec(db_, "COMMIT");
    done_ = true;
}

}  // namespace platform::sim
