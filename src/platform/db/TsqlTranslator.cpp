#include "platform/db/TsqlTranslator.h"

#include "platform/db/SqliteStatement.h"
#include "platform/db/TsqlCatalog.h"
#include "platform/db/TsqlParser.h"

namespace corvane::db {

namespace {
// Texts carry their literal values, so most are seen once; the memo is emptied when it reaches
// this size rather than growing with the life of the process.
constexpr std::size_t kCacheLimit = 20000;

// The schema version of every database attached to db, one after another ("12,3,0,40,"): SQLite
// raises a database's version with every change of its schema. A version that cannot be read
// reads as "?", so that the text is translated again rather than trusted.
std::string schemaVersion(sqlite3* db, const char* name, StatementCache* statements) {
  try {
    const StatementLease statement =
        StatementCache::lease(statements, db, "PRAGMA " + quoteSqliteName(name) + ".schema_version");
    if (statement.get() == nullptr || sqlite3_step(statement.get()) != SQLITE_ROW) return "?";
    return std::to_string(sqlite3_column_int64(statement.get(), 0));
  } catch (const std::exception&) {
    return "?";
  }
}

std::string schemaVersions(sqlite3* db, StatementCache* statements) {
  std::string versions;
  for (int index = 0; const char* name = sqlite3_db_name(db, index); ++index) {
    versions += schemaVersion(db, name, statements);
    versions += ',';
  }
  return versions;
}

}  // namespace

std::shared_ptr<const Program> TsqlTranslator::translate(sqlite3* db, std::string_view tsql,
                                                         StatementCache* statements, CatalogMemo* catalog) {
  const std::string versions = schemaVersions(db, statements);
  const bool cacheable = versions.find('?') == std::string::npos;
  if (!cacheable) return std::make_shared<const Program>(translateTsql(db, tsql));
  if (catalog) catalog->useVersions(versions);
  const std::string key = versions + '\n' + std::string(tsql);
  {
    const std::lock_guard lock(mutex_);
    if (const auto found = cache_.find(key); found != cache_.end()) return found->second;
  }
  auto program = std::make_shared<const Program>(translateTsql(db, tsql, catalog));
  const std::lock_guard lock(mutex_);
  if (cache_.size() >= kCacheLimit) cache_.clear();
  return cache_.emplace(key, std::move(program)).first->second;
}

TsqlTranslator& TsqlTranslator::shared() {
  static TsqlTranslator translator;
  return translator;
}

}  // namespace corvane::db
