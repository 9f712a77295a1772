#include "platform/tsql/TsqlCatalog.h"

#include <cctype>
#include <memory>

#include "platform/com/AsciiText.h"
#include "platform/tsql/SqliteStatement.h"

namespace corvane::db {

std::string quoteSqliteName(std::string_view name) {
  std::string out = "\"";
  for (const char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string TsqlCatalog::key(const std::string& schema, const std::string& table) {
  return toLowerAscii(schema) + "." + toLowerAscii(table);
}

void CatalogMemo::useVersions(const std::string& versions) {
  if (versions == versions_) return;
  versions_ = versions;
  tables_.clear();
}

const TsqlTable* CatalogMemo::find(const std::string& key) const {
  const auto found = tables_.find(key);
  return found == tables_.end() ? nullptr : &found->second;
}

void CatalogMemo::keep(const std::string& key, const TsqlTable& table) { tables_[key] = table; }

const std::vector<TsqlColumn>& TsqlCatalog::columns(const std::string& schema, const std::string& table) {
  const std::string name = key(schema, table);
  auto found = cache_.find(name);
  if (found == cache_.end()) {
    if (const TsqlTable* known = memo_ ? memo_->find(name) : nullptr) {
      found = cache_.emplace(name, *known).first;
    } else {
      found = cache_.emplace(name, read(schema, table)).first;
      if (memo_) memo_->keep(name, found->second);
    }
  }
  schemasRead_ |= found->second.schemasRead;
  return found->second.columns;
}

void TsqlCatalog::define(const std::string& schema, const std::string& table, std::vector<TsqlColumn> columns) {
  cache_[key(schema, table)] = TsqlTable{std::move(columns), 0};
}

// SQLite looks a name without its schema up in temp, then main, then the attached databases in
// their order: what it finds depends on each of those up to the one that holds the name.
SchemaSet TsqlCatalog::schemasFor(const std::string& schema, const std::string& resolved) const {
  int index = -1;
  for (int i = 0; const char* name = sqlite3_db_name(db_, i); ++i) {
    if (sqlite3_stricmp(name, resolved.c_str()) == 0) {
      index = i;
      break;
    }
  }
  if (index < 0 || index >= 63) return kEverySchema;
  if (!schema.empty()) return SchemaSet{1} << index;
  return ((SchemaSet{1} << (index + 1)) - 1) | SchemaSet{3};
}

TsqlTable TsqlCatalog::read(const std::string& schema, const std::string& table) const {
  TsqlTable found{{}, kEverySchema};
  const std::string database = schema.empty() ? schemaOf(table) : schema;
  if (database.empty()) return found;
  found.schemasRead = schemasFor(schema, database);
  std::vector<TsqlColumn>& columns = found.columns;
  const StatementPtr info =
      prepare(db_, "PRAGMA " + quoteSqliteName(database) + ".table_info(" + quoteSqliteName(table) + ")");
  if (!info) return found;
  int keyColumns = 0;
  std::size_t keyIndex = 0;
  while (sqlite3_step(info.get()) == SQLITE_ROW) {
    if (sqlite3_column_int(info.get(), 5) > 0) {
      ++keyColumns;
      keyIndex = columns.size();
    }
    columns.push_back({columnText(info.get(), 1), parseDeclaredType(columnText(info.get(), 2))});
  }
  if (keyColumns == 1 && columns[keyIndex].type.kind == TsqlType::Kind::Integer && hasAutoincrement(database, table)) {
    columns[keyIndex].identity = true;
  }
  return found;
}

// The database an unqualified name resolves to, as SQLite searches them; empty when none.
std::string TsqlCatalog::schemaOf(const std::string& table) const {
  const StatementPtr list = prepare(db_, "PRAGMA table_list(" + quoteSqliteName(table) + ")");
  return list && sqlite3_step(list.get()) == SQLITE_ROW ? columnText(list.get(), 0) : std::string();
}

bool TsqlCatalog::hasAutoincrement(const std::string& schema, const std::string& table) const {
  const StatementPtr query = prepare(db_, "SELECT sql FROM " + quoteSqliteName(schema) +
                                              ".sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
  if (!query) return false;
  sqlite3_bind_text(query.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
  return sqlite3_step(query.get()) == SQLITE_ROW &&
         toLowerAscii(columnText(query.get(), 0)).find("autoincrement") != std::string::npos;
}

}  // namespace corvane::db
