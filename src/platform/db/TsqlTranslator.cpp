#include "platform/db/TsqlTranslator.h"

#include <optional>
#include <stdexcept>

#include "platform/db/SqliteStatement.h"
#include "platform/db/TsqlCatalog.h"
#include "platform/db/TsqlParser.h"

namespace corvane::db {

namespace {
// Texts carry their literal values, so most are seen once; the memo is emptied when it reaches
// this size rather than growing with the life of the process.
constexpr std::size_t kCacheLimit = 20000;

// A shape is shared from the second text of its kind, so that texts met once cost one reading.
// Debug builds share it from the first, so that every test runs its statements as shared.
#ifdef NDEBUG
constexpr bool kTemplateAtFirstSight = false;
#else
constexpr bool kTemplateAtFirstSight = true;
#endif

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

std::shared_ptr<const Program> TsqlTranslator::translateText(sqlite3* db, std::string_view tsql,
                                                             StatementCache* statements, CatalogMemo* catalog) {
  const std::string* standing = catalog ? catalog->standingVersions(db) : nullptr;
  const std::string versions = standing ? *standing : schemaVersions(db, statements);
  const bool cacheable = versions.find('?') == std::string::npos;
  if (catalog && !standing) {
    catalog->useVersions(versions);
    if (cacheable) catalog->versionsRead(db);
  }
  if (!cacheable) return std::make_shared<const Program>(translateTsql(db, tsql));
  const std::string key = versions + '\n' + std::string(tsql);
  {
    const std::lock_guard lock(mutex_);
    if (const auto found = cache_.find(key); found != cache_.end()) return found->second;
  }
  auto program = std::make_shared<const Program>(translateNew(db, tsql, versions, catalog));
  const std::lock_guard lock(mutex_);
  if (cache_.size() >= kCacheLimit) cache_.clear();
  return cache_.emplace(key, std::move(program)).first->second;
}

std::shared_ptr<const Program> TsqlTranslator::translate(sqlite3* db, std::string_view tsql,
                                                         StatementCache* statements, CatalogMemo* catalog) {
  auto program = translateText(db, tsql, statements, catalog);
  // The program runs next; what it changes of a schema is read again by the next translation.
  if (catalog && program->changesSchema()) catalog->schemaChanging();
  return program;
}

Program TsqlTranslator::translateNew(sqlite3* db, std::string_view tsql, const std::string& versions,
                                     CatalogMemo* catalog) {
  const std::optional<LiteralShape> shape = shapeOf(tsql);
  if (!shape) return translateTsql(db, tsql, catalog);
  const std::string shapeKey = versions + '\n' + shape->key;
  Shape known;
  bool met = false;
  {
    const std::lock_guard lock(mutex_);
    if (const auto found = shapes_.find(shapeKey); found != shapes_.end()) {
      met = true;
      known = found->second;
    }
  }
  if (known.shared) {
#ifndef NDEBUG
    // Debug builds check every shared translation against the text read afresh.
    if (!(known.shared->renderWrittenIn(shape->values) == translateTsql(db, tsql, catalog))) {
      throw std::logic_error("a shared translation differs from the text's own: " + std::string(tsql));
    }
#endif
    return known.shared->render(shape->values);
  }
  Program fresh = translateTsql(db, tsql, catalog);
  if (met && !known.seenOnce) return fresh;  // tried before: its literals take part
  Shape now;
  if (met || kTemplateAtFirstSight) {
    now.shared = templateOf(db, *shape, fresh, catalog);
  } else {
    now.seenOnce = true;
  }
  {
    const std::lock_guard lock(mutex_);
    if (shapes_.size() >= kCacheLimit) shapes_.clear();
    shapes_[shapeKey] = now;
  }
  return now.shared ? now.shared->render(shape->values) : std::move(fresh);
}

std::shared_ptr<const LiteralTemplate> TsqlTranslator::templateOf(sqlite3* db, const LiteralShape& shape,
                                                                  const Program& fresh, CatalogMemo* catalog) {
  std::optional<LiteralTemplate> made;
  try {
    made = LiteralTemplate::fromProbe(translateTsql(db, shape.probe, catalog), shape);
  } catch (const std::exception&) {
    return nullptr;  // a marker is not read as the value was
  }
  if (!made || !(made->renderWrittenIn(shape.values) == fresh)) return nullptr;
  return std::make_shared<const LiteralTemplate>(std::move(*made));
}

TsqlTranslator& TsqlTranslator::shared() {
  static TsqlTranslator translator;
  return translator;
}

}  // namespace corvane::db
