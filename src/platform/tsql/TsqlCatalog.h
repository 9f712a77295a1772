#pragma once
// The translator's view of the schema: the declared columns of tables and views, read with
// PRAGMA table_info and kept for the length of one translation, and across translations on one
// connection for as long as the schema versions of its databases stay the same (CatalogMemo).

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/TsqlType.h"

namespace corvane::db {

struct TsqlColumn {
  std::string name;
  TsqlType type;
  bool identity = false;  // the table's INTEGER PRIMARY KEY AUTOINCREMENT column
};

// The databases of a connection whose schemas a reading depended on, one bit per database in
// SQLite's order (0 main, 1 temp, then the attached ones); every bit when it cannot be told.
using SchemaSet = std::uint64_t;
constexpr SchemaSet kEverySchema = ~SchemaSet{0};

// The columns of one table and the schemas that finding them read.
struct TsqlTable {
  std::vector<TsqlColumn> columns;
  SchemaSet schemasRead = 0;
};

// The columns a connection's translations have read, kept while the schema versions of the
// connection's databases are those they were read under.
class CatalogMemo {
 public:
  // Starts a translation under `versions` (see TsqlTranslator); forgets every column read under
  // other versions.
  void useVersions(const std::string& versions);
  const TsqlTable* find(const std::string& key) const;
  void keep(const std::string& key, const TsqlTable& table);

  // The versions the latest translated program stands on (those of the schemas it read).
  const std::string& programVersions() const { return programVersions_; }
  void programStands(std::string versions) { programVersions_ = std::move(versions); }

  // Inside a transaction of the connection, each database stays as the transaction first read
  // it, so a version read in it stands until the transaction ends or the connection changes a
  // schema.
  void transactionBegun() { inTransaction_ = true, standing_.clear(); }
  void transactionEnded() { inTransaction_ = false, standing_.clear(); }
  void schemaChanging() { standing_.clear(); }
  // The version of database `index` read in the transaction that db is in; null otherwise.
  const std::string* standingVersion(sqlite3* db, std::size_t index) const {
    if (!inTransaction(db) || index >= standing_.size() || standing_[index].empty()) return nullptr;
    return &standing_[index];
  }
  // The version of database `index` was just read on db: it stands while db's transaction lasts.
  void versionRead(sqlite3* db, std::size_t index, const std::string& version) {
    if (!inTransaction(db)) return;
    if (index >= standing_.size()) standing_.resize(index + 1);
    standing_[index] = version;
  }

 private:
  bool inTransaction(sqlite3* db) const { return inTransaction_ && sqlite3_get_autocommit(db) == 0; }

  std::string versions_;
  std::string programVersions_;
  std::map<std::string, TsqlTable> tables_;
  std::vector<std::string> standing_;  // by database index; empty: not read in the transaction
  bool inTransaction_ = false;
};

class TsqlCatalog {
 public:
  // `memo`, when given, holds the columns read by earlier translations under the same versions.
  explicit TsqlCatalog(sqlite3* db, CatalogMemo* memo = nullptr) : db_(db), memo_(memo) {}

  // The columns of schema.table in declaration order (schema empty: SQLite's search order over
  // main and the attached databases); empty when there is no such table or view.
  const std::vector<TsqlColumn>& columns(const std::string& schema, const std::string& table);
  // The schemas the columns asked for so far depended on: the one named, or, for a name without
  // its schema, temp, main and each attached database up to the one that holds it.
  SchemaSet schemasRead() const { return schemasRead_; }
  // Makes a table that an earlier statement of the same text creates known by its columns.
  void define(const std::string& schema, const std::string& table, std::vector<TsqlColumn> columns);

 private:
  static std::string key(const std::string& schema, const std::string& table);
  TsqlTable read(const std::string& schema, const std::string& table) const;
  std::string schemaOf(const std::string& table) const;
  SchemaSet schemasFor(const std::string& schema, const std::string& resolved) const;
  bool hasAutoincrement(const std::string& schema, const std::string& table) const;

  sqlite3* db_;
  CatalogMemo* memo_;
  std::map<std::string, TsqlTable> cache_;  // this translation's, tables it defines too
  SchemaSet schemasRead_ = 0;
};

// name quoted as an SQLite identifier: "name" with inner quotes doubled.
std::string quoteSqliteName(std::string_view name);

}  // namespace corvane::db
