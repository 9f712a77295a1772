#include "platform/db/AccountIndexes.h"

#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/EmbeddedSchema.h"

namespace corvane::db {

namespace {

constexpr std::string_view kScaleIndexes = "910_scale_indexes.sql";

std::string_view scaleIndexScript() {
  for (const SchemaScript& script : embeddedSchema()) {
    if (script.folder == "company" && script.name == kScaleIndexes) return script.text;
  }
  return {};
}

bool run(sqlite3* handle, const std::string& sql) {
  return sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The statements of the file (read line by line until one is complete).
std::vector<std::string> scaleIndexStatements() {
  std::string_view script = scaleIndexScript();
  std::vector<std::string> statements;
  std::string statement;
  while (!script.empty()) {
    const std::size_t end = script.find('\n');
    statement.append(script.substr(0, end)).append(1, '\n');
    script.remove_prefix(end == std::string_view::npos ? script.size() : end + 1);
    if (sqlite3_complete(statement.c_str()) == 0) continue;
    statements.push_back(std::move(statement));
    statement.clear();
  }
  return statements;
}

// Whether the index that `statement` makes ("CREATE INDEX IF NOT EXISTS name ON ...") exists.
bool made(sqlite3* handle, const std::string& statement) {
  constexpr std::string_view kBefore = "IF NOT EXISTS ";
  const std::size_t start = statement.find(kBefore);
  if (start == std::string::npos) return false;
  const std::size_t from = start + kBefore.size();
  const std::string name = statement.substr(from, statement.find(' ', from) - from);
  sqlite3_stmt* query = nullptr;
  sqlite3_prepare_v2(handle, "SELECT 1 FROM main.sqlite_master WHERE type = 'index' AND name = ?1", -1, &query,
                     nullptr);
  sqlite3_bind_text(query, 1, name.c_str(), -1, SQLITE_TRANSIENT);
  const bool found = sqlite3_step(query) == SQLITE_ROW;
  sqlite3_finalize(query);
  return found;
}

// Makes the missing indexes in one immediate transaction that waits for no other writer; one that
// fails, as an index over a missing table does, is left out. True when none is missing, the file
// is read-only or the transaction is committed.
bool addIndexes(sqlite3* handle) {
  if (sqlite3_db_readonly(handle, "main") == 1) return true;
  std::vector<std::string> missing = scaleIndexStatements();
  std::erase_if(missing, [handle](const std::string& statement) { return made(handle, statement); });
  if (missing.empty()) return true;
  sqlite3_busy_timeout(handle, 0);
  if (!run(handle, "BEGIN IMMEDIATE")) return false;
  for (const std::string& statement : missing) run(handle, statement);
  if (run(handle, "COMMIT")) return true;
  run(handle, "ROLLBACK");
  return false;
}

}  // namespace

void addMissingScaleIndexes(sqlite3* handle, const std::string& companyFile) {
  static std::mutex mutex;
  static std::set<std::string> done;
  const std::lock_guard lock(mutex);
  if (done.contains(companyFile)) return;
  if (addIndexes(handle)) done.insert(companyFile);
}

}  // namespace corvane::db
