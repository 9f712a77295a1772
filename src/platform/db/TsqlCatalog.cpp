#include "platform/db/TsqlCatalog.h"

#include <cctype>
#include <memory>

namespace corvane::db {

namespace {

struct StatementCloser {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementCloser>;

StatementPtr prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    return nullptr;
  }
  return StatementPtr(statement);
}

std::string text(sqlite3_stmt* statement, int column) {
  const auto* value = sqlite3_column_text(statement, column);
  return value ? reinterpret_cast<const char*>(value) : "";
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::string quoteSqliteName(std::string_view name) {
  std::string out = "\"";
  for (const char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string TsqlCatalog::key(const std::string& schema, const std::string& table) {
  return lower(schema) + "." + lower(table);
}

const std::vector<TsqlColumn>& TsqlCatalog::columns(const std::string& schema, const std::string& table) {
  auto found = cache_.find(key(schema, table));
  if (found == cache_.end()) found = cache_.emplace(key(schema, table), read(schema, table)).first;
  return found->second;
}

void TsqlCatalog::define(const std::string& schema, const std::string& table, std::vector<TsqlColumn> columns) {
  cache_[key(schema, table)] = std::move(columns);
}

std::vector<TsqlColumn> TsqlCatalog::read(const std::string& schema, const std::string& table) const {
  std::vector<TsqlColumn> columns;
  const std::string database = schema.empty() ? schemaOf(table) : schema;
  if (database.empty()) return columns;
  const StatementPtr info =
      prepare(db_, "PRAGMA " + quoteSqliteName(database) + ".table_info(" + quoteSqliteName(table) + ")");
  if (!info) return columns;
  int keyColumns = 0;
  std::size_t keyIndex = 0;
  while (sqlite3_step(info.get()) == SQLITE_ROW) {
    if (sqlite3_column_int(info.get(), 5) > 0) {
      ++keyColumns;
      keyIndex = columns.size();
    }
    columns.push_back({text(info.get(), 1), parseDeclaredType(text(info.get(), 2))});
  }
  if (keyColumns == 1 && columns[keyIndex].type.kind == TsqlType::Kind::Integer &&
      hasAutoincrement(database, table)) {
    columns[keyIndex].identity = true;
  }
  return columns;
}

// The database an unqualified name resolves to, as SQLite searches them; empty when none.
std::string TsqlCatalog::schemaOf(const std::string& table) const {
  const StatementPtr list = prepare(db_, "PRAGMA table_list(" + quoteSqliteName(table) + ")");
  return list && sqlite3_step(list.get()) == SQLITE_ROW ? text(list.get(), 0) : std::string();
}

bool TsqlCatalog::hasAutoincrement(const std::string& schema, const std::string& table) const {
  const StatementPtr query = prepare(db_, "SELECT sql FROM " + quoteSqliteName(schema) +
                                              ".sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
  if (!query) return false;
  sqlite3_bind_text(query.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
  return sqlite3_step(query.get()) == SQLITE_ROW &&
         lower(text(query.get(), 0)).find("autoincrement") != std::string::npos;
}

}  // namespace corvane::db
