#include "platform/tsql/StatementCache.h"

#include "platform/tsql/SqliteErrors.h"

namespace corvane::db {

namespace {
// Statements kept per connection.
constexpr std::size_t kKeptStatements = 256;
}  // namespace

StatementLease::~StatementLease() { finish(); }

int StatementLease::finish() {
  if (statement_ == nullptr) return SQLITE_OK;
  sqlite3_stmt* statement = statement_;
  statement_ = nullptr;
  const int rc = sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  if (cache_ == nullptr) {
    sqlite3_finalize(statement);
  } else if (cache_->suspended()) {
    cache_->finalize(statement);
  } else {
    cache_->keep(std::move(sql_), statement, reuses_);
  }
  return rc;
}

StatementLease StatementCache::lease(StatementCache* cache, sqlite3* db, const std::string& sql) {
  if (cache != nullptr && !cache->suspended()) {
    if (const auto kept = cache->statements_.find(sql); kept != cache->statements_.end()) {
      const Kept found = kept->second;
      cache->statements_.erase(kept);
      return StatementLease(cache, sql, found.statement, found.reuses + 1);
    }
  }
  sqlite3_stmt* statement = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(statement);
    raiseSqliteError(db, rc, sql);
  }
  return StatementLease(cache, sql, statement);
}

void StatementCache::keep(std::string sql, sqlite3_stmt* statement, int reuses) {
  if (statements_.size() >= kKeptStatements) makeRoom();
  const auto [slot, added] = statements_.emplace(std::move(sql), Kept{statement, reuses});
  if (!added) finalize(statement);  // the same text was lent twice at once
}

void StatementCache::makeRoom() {
  std::erase_if(statements_, [this](const auto& entry) {
    if (entry.second.reuses > 0) return false;
    finalize(entry.second.statement);
    return true;
  });
  if (statements_.size() >= kKeptStatements / 2) clear();
}

void StatementCache::clear() {
  for (const auto& [sql, kept] : statements_) finalize(kept.statement);
  statements_.clear();
}

void StatementCache::finalize(sqlite3_stmt* statement) {
  described_.erase(statement);  // the address may be a new statement's next
  sqlite3_finalize(statement);
}

namespace {
int preparations(sqlite3_stmt* statement) { return sqlite3_stmt_status(statement, SQLITE_STMTSTATUS_REPREPARE, 0); }
}  // namespace

const std::vector<FieldInfo>* StatementCache::describedColumns(sqlite3_stmt* statement,
                                                               const std::string& versions) const {
  const auto found = described_.find(statement);
  if (found == described_.end() || found->second.versions != versions ||
      found->second.prepared != preparations(statement)) {
    return nullptr;
  }
  return &found->second.columns;
}

void StatementCache::keepDescribedColumns(sqlite3_stmt* statement, const std::string& versions,
                                          std::vector<FieldInfo> columns) {
  if (suspended() || versions.empty() || versions.find('?') != std::string::npos) return;
  described_[statement] = Described{versions, preparations(statement), std::move(columns)};
}

}  // namespace corvane::db
