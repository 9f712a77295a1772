#include "platform/db/ScratchTables.h"

#include <sqlite3.h>

#include <exception>
#include <string>
#include <vector>

#include "platform/db/ConnectionHandle.h"
#include "platform/tsql/SqliteErrors.h"
#include "platform/tsql/StatementCache.h"
#include "platform/tsql/TsqlCatalog.h"

namespace corvane::db {

namespace {

// As schema/tempdb makes it; an account made before it gets it at its first record.
constexpr const char* kCreateRecord =
    "CREATE TABLE IF NOT EXISTS tempdb.ScratchTableBirth "
    "(cName TEXT NOT NULL PRIMARY KEY COLLATE NOCASE, dCreated TEXT NOT NULL)";
constexpr const char* kRecordExists =
    "SELECT 1 FROM tempdb.sqlite_master WHERE type = 'table' AND name = 'ScratchTableBirth'";
constexpr const char* kRecord =
    "INSERT OR REPLACE INTO tempdb.ScratchTableBirth (cName, dCreated) VALUES (?1, datetime('now'))";
constexpr const char* kRecorded = "SELECT 1 FROM tempdb.ScratchTableBirth WHERE cName = ?1";
constexpr const char* kForget = "DELETE FROM tempdb.ScratchTableBirth WHERE cName = ?1";
constexpr const char* kStale = "SELECT cName FROM tempdb.ScratchTableBirth WHERE dCreated < datetime('now', '-1 day')";

// Runs `sql` to its end, with `name` as its parameter when given, and answers the first column
// of its rows. Texts that carry a value of their own run unkept (`keep` false). Raises as a
// statement does.
std::vector<std::string> run(Connection& connection, const std::string& sql, std::string_view name = {},
                             bool keep = true) {
  sqlite3* handle = sqliteHandle(connection);
  const StatementLease statement = StatementCache::lease(keep ? &statementCache(connection) : nullptr, handle, sql);
  if (!name.empty()) {
    sqlite3_bind_text(statement.get(), 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  }
  std::vector<std::string> rows;
  int rc;
  while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
    rows.emplace_back(text != nullptr ? text : "");
  }
  if (rc != SQLITE_DONE) raiseSqliteError(handle, rc, sql);
  return rows;
}

bool recordExists(Connection& connection) { return !run(connection, kRecordExists).empty(); }

std::string quotedName(std::string_view name) {
  std::string quoted = "\"";
  for (const char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// Drops the tables and their records in one transaction, without waiting for tempdb's lock.
void dropStale(Connection& connection, const std::vector<std::string>& stale) {
  struct WaitAgain {
    Connection& connection;
    ~WaitAgain() { connection.setCommandTimeout(connection.commandTimeout()); }
  } const waitAgain{connection};
  sqlite3_busy_timeout(sqliteHandle(connection), 0);
  run(connection, "BEGIN DEFERRED");
  try {
    for (const std::string& name : stale) {
      run(connection, "DROP TABLE IF EXISTS tempdb." + quotedName(name), {}, false);
      run(connection, kForget, name);
    }
    run(connection, "COMMIT");
  } catch (...) {
    if (connection.inTransaction()) run(connection, "ROLLBACK");
    throw;
  }
  catalogMemo(connection).schemaChanging();
}

}  // namespace

void recordScratchTable(Connection& connection, std::string_view name) {
  if (!recordExists(connection)) {
    run(connection, kCreateRecord);
    catalogMemo(connection).schemaChanging();
  }
  run(connection, kRecord, name);
}

void forgetScratchTable(Connection& connection, std::string_view name) {
  try {
    // Only a recorded name takes tempdb's write lock.
    if (recordExists(connection) && !run(connection, kRecorded, name).empty()) run(connection, kForget, name);
  } catch (const std::exception&) {
    // The record stays until the sweep of its day, which finds its table gone.
  }
}

void sweepStaleScratchTables(Connection& connection) {
  if (connection.inTransaction()) return;
  try {
    if (!recordExists(connection)) return;
    const std::vector<std::string> stale = run(connection, kStale);
    if (!stale.empty()) dropStale(connection, stale);
  } catch (const std::exception&) {
    // tempdb is busy, read-only or unreadable: its tables are left to a later open.
  }
}

}  // namespace corvane::db
