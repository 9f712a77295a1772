#pragma once
// The translator's view of the schema: the declared columns of tables and views, read with
// PRAGMA table_info and kept for the length of one translation, and across translations on one
// connection for as long as the schema versions of its databases stay the same (CatalogMemo).

#include <sqlite3.h>

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

// The columns a connection's translations have read, kept while the schema versions of the
// connection's databases are those they were read under.
class CatalogMemo {
 public:
  // Starts a translation under `versions` (see TsqlTranslator); forgets every column read under
  // other versions.
  void useVersions(const std::string& versions);
  const std::string& versions() const { return versions_; }  // of the latest translation
  const std::vector<TsqlColumn>* find(const std::string& key) const;
  void keep(const std::string& key, const std::vector<TsqlColumn>& columns);

  // Inside a transaction of the connection, every database stays as the transaction first read
  // it, so the versions read once in it stand until it ends or the connection changes a schema.
  void transactionBegun() { inTransaction_ = true, versionsStand_ = false; }
  void transactionEnded() { inTransaction_ = false, versionsStand_ = false; }
  void schemaChanging() { versionsStand_ = false; }
  // The versions of the latest translation when they still stand on db; null otherwise.
  const std::string* standingVersions(sqlite3* db) const {
    return versionsStand_ && sqlite3_get_autocommit(db) == 0 ? &versions_ : nullptr;
  }
  // The versions were just read on db: they stand while its transaction lasts.
  void versionsRead(sqlite3* db) { versionsStand_ = inTransaction_ && sqlite3_get_autocommit(db) == 0; }

 private:
  std::string versions_;
  std::map<std::string, std::vector<TsqlColumn>> columns_;
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
  // Makes a table that an earlier statement of the same text creates known by its columns.
  void define(const std::string& schema, const std::string& table, std::vector<TsqlColumn> columns);

 private:
  static std::string key(const std::string& schema, const std::string& table);
  std::vector<TsqlColumn> read(const std::string& schema, const std::string& table) const;
  std::string schemaOf(const std::string& table) const;
  bool hasAutoincrement(const std::string& schema, const std::string& table) const;

  sqlite3* db_;
  CatalogMemo* memo_;
  std::map<std::string, std::vector<TsqlColumn>> cache_;  // this translation's, tables it defines too
};

// name quoted as an SQLite identifier: "name" with inner quotes doubled.
std::string quoteSqliteName(std::string_view name);

}  // namespace corvane::db
