#pragma once
// For the database layer and the translator only: the statements a connection has prepared,
// kept for the next text that translates to the same SQLite text. SQLite prepares a kept
// statement again by itself when the schema it read has changed. A statement is lent out while
// it runs and comes back reset, its parameters cleared, so that it holds no lock and no value of
// the run before.

#include <sqlite3.h>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/tsql/ColumnInfo.h"

namespace corvane::db {

class StatementCache;

// A prepared statement lent by the cache (or prepared for this use alone, when the cache is
// suspended or already lent the same text); reset and given back when the lease ends.
class StatementLease {
 public:
  StatementLease(StatementCache* cache, std::string sql, sqlite3_stmt* statement, int reuses = 0)
      : cache_(cache), sql_(std::move(sql)), statement_(statement), reuses_(reuses) {}
  ~StatementLease();
  StatementLease(const StatementLease&) = delete;
  StatementLease& operator=(const StatementLease&) = delete;

  sqlite3_stmt* get() const { return statement_; }
  // Ends the run: resets the statement and answers SQLite's code of its last step (SQLITE_OK
  // when it ran without error); the lease then holds nothing.
  int finish();

 private:
  StatementCache* cache_;
  std::string sql_;
  sqlite3_stmt* statement_;
  int reuses_;  // how often the cache lent it before
};

class StatementCache {
 public:
  StatementCache() = default;
  ~StatementCache() { clear(); }
  StatementCache(const StatementCache&) = delete;
  StatementCache& operator=(const StatementCache&) = delete;

  // The statement of `sql` on `db`, prepared when none is kept; raises as raiseSqliteError.
  // A null cache prepares a statement of its own, finalized when the lease ends.
  static StatementLease lease(StatementCache* cache, sqlite3* db, const std::string& sql);

  // Finalizes every kept statement (before the connection closes).
  void clear();

  // The result columns a record set described for `statement` under the schema `versions` (see
  // TsqlTranslator), while the cache keeps the statement, SQLite has not prepared it again and
  // the versions are the same; null otherwise. Versions that could not be read keep nothing.
  const std::vector<FieldInfo>* describedColumns(sqlite3_stmt* statement, const std::string& versions) const;
  void keepDescribedColumns(sqlite3_stmt* statement, const std::string& versions, std::vector<FieldInfo> columns);

  // While suspended (nested counts), statements are neither taken from nor kept in the cache:
  // a query a client sends is prepared under its own authorizer.
  void suspend() { ++suspended_; }
  void resume() { --suspended_; }
  bool suspended() const { return suspended_ > 0; }

 private:
  friend class StatementLease;
  struct Described {
    std::string versions;
    int prepared = 0;  // SQLite's count of the statement's preparations again
    std::vector<FieldInfo> columns;
  };

  struct Kept {
    sqlite3_stmt* statement;
    int reuses;
  };

  void keep(std::string sql, sqlite3_stmt* statement, int reuses);
  // Makes room when the cache is full: the statements never lent again go first (most texts
  // that carry a value are run once), then every one.
  void makeRoom();
  void finalize(sqlite3_stmt* statement);

  std::unordered_map<std::string, Kept> statements_;
  std::unordered_map<sqlite3_stmt*, Described> described_;  // of kept and lent statements
  int suspended_ = 0;
};

// Suspends a cache for as long as it lives.
class StatementCacheSuspension {
 public:
  explicit StatementCacheSuspension(StatementCache& cache) : cache_(cache) { cache_.suspend(); }
  ~StatementCacheSuspension() { cache_.resume(); }
  StatementCacheSuspension(const StatementCacheSuspension&) = delete;
  StatementCacheSuspension& operator=(const StatementCacheSuspension&) = delete;

 private:
  StatementCache& cache_;
};

}  // namespace corvane::db
