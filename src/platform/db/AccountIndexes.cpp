#include "platform/db/AccountIndexes.h"

#include <mutex>
#include <set>
#include <string>
#include <string_view>

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

// Runs each statement of `script` (line by line until one is complete); one that fails, as an
// index over a missing table does, is left out.
void runEach(sqlite3* handle, std::string_view script) {
  std::string statement;
  while (!script.empty()) {
    const std::size_t end = script.find('\n');
    statement += script.substr(0, end);
    statement += '\n';
    script.remove_prefix(end == std::string_view::npos ? script.size() : end + 1);
    if (sqlite3_complete(statement.c_str()) == 0) continue;
    run(handle, statement);
    statement.clear();
  }
}

// In one immediate transaction that waits for no other writer; true when it is committed or the
// file is read-only.
bool addIndexes(sqlite3* handle) {
  if (sqlite3_db_readonly(handle, "main") == 1) return true;
  sqlite3_busy_timeout(handle, 0);
  if (!run(handle, "BEGIN IMMEDIATE")) return false;
  runEach(handle, scaleIndexScript());
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
