#include "support/AccountSnapshot.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "platform/db/AccountFiles.h"

namespace corvane {

namespace {

struct Closer {
  void operator()(sqlite3* handle) const { sqlite3_close_v2(handle); }
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Handle = std::unique_ptr<sqlite3, Closer>;
using Statement = std::unique_ptr<sqlite3_stmt, Closer>;

Statement prepared(sqlite3* handle, const std::string& sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
    throw std::runtime_error(std::string(sqlite3_errmsg(handle)) + ": " + sql);
  }
  return Statement(raw);
}

std::string columnText(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return text == nullptr ? std::string() : std::string(text);
}

// One row as "type:value|type:value|...".
std::string rowText(sqlite3_stmt* statement) {
  std::string row;
  for (int column = 0; column < sqlite3_column_count(statement); ++column) {
    row += std::to_string(sqlite3_column_type(statement, column)) + ":" + columnText(statement, column) + "|";
  }
  return row;
}

std::vector<std::string> tableNames(sqlite3* handle, const std::string& schema) {
  const Statement names = prepared(handle, "SELECT name FROM " + schema + ".sqlite_master WHERE type='table'");
  std::vector<std::string> result;
  while (sqlite3_step(names.get()) == SQLITE_ROW) result.push_back(columnText(names.get(), 0));
  return result;
}

std::vector<std::string> sortedRows(sqlite3* handle, const std::string& schema, const std::string& table) {
  const Statement rows = prepared(handle, "SELECT * FROM " + schema + ".\"" + table + "\"");
  std::vector<std::string> result;
  while (sqlite3_step(rows.get()) == SQLITE_ROW) result.push_back(rowText(rows.get()));
  std::sort(result.begin(), result.end());
  return result;
}

void attach(sqlite3* handle, const std::filesystem::path& file, const std::string& schema) {
  const Statement statement = prepared(handle, "ATTACH DATABASE ?1 AS " + schema);
  sqlite3_bind_text(statement.get(), 1, file.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(statement.get()) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(handle));
}

}  // namespace

AccountSnapshot AccountSnapshot::of(const std::filesystem::path& accountFolder) {
  const db::AccountFiles files{accountFolder};
  sqlite3* raw = nullptr;
  if (sqlite3_open_v2(files.company().c_str(), &raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(raw);
    throw std::runtime_error("cannot open " + files.company().string());
  }
  const Handle handle(raw);
  attach(handle.get(), files.system(), db::kSystemSchema);
  attach(handle.get(), files.tempdb(), db::kTempSchema);
  AccountSnapshot snapshot;
  for (const std::string schema : {"main", db::kSystemSchema, db::kTempSchema}) {
    for (const std::string& table : tableNames(handle.get(), schema)) {
      snapshot.tables_[schema + "." + table] = sortedRows(handle.get(), schema, table);
    }
  }
  return snapshot;
}

std::string AccountSnapshot::changesSince(const AccountSnapshot& before) const {
  std::string changes;
  for (const auto& [table, rows] : tables_) {
    const auto old = before.tables_.find(table);
    if (old == before.tables_.end()) {
      changes += table + ": made\n";
    } else if (old->second != rows) {
      changes += table + ": " + std::to_string(old->second.size()) + " rows before, " + std::to_string(rows.size()) +
                 " after\n";
    }
  }
  for (const auto& [table, rows] : before.tables_) {
    if (!tables_.contains(table)) changes += table + ": dropped\n";
  }
  return changes;
}

}  // namespace corvane
