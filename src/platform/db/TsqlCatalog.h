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

#include "platform/db/TsqlType.h"

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

  // Inside a transaction of the connection, every database stays as the transaction first read
  // it, so the versions read once in it stand until it ends or the connection changes a schema.
  void transactionBegun() { inTransaction_ = true, versionsStand_ = false; }
  void transactionEnded() { inTransaction_ = false, versionsStand_ = false; }
  // Inside a transaction every version is read at once, so that they stand for the rest of it.
  bool inTransaction(sqlite3* db) const { return inTransaction_ && sqlite3_get_autocommit(db) == 0; }
  void schemaChanging() { versionsStand_ = false; }
  // The versions of the latest translation when they still stand on db; null otherwise.
  const std::string* standingVersions(sqlite3* db) const {
    return versionsStand_ && sqlite3_get_autocommit(db) == 0 ? &versions_ : nullptr;
  }
  // The versions were just read on db: they stand while its transaction lasts.
  void versionsRead(sqlite3* db) { versionsStand_ = inTransaction_ && sqlite3_get_autocommit(db) == 0; }

 private:
  std::string versions_;
  std::string programVersions_;
  std::map<std::string, TsqlTable> tables_;
  bool inTransaction_ = false;
  bool versionsStand_ = false;
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
