#include "platform/tsql/TsqlTranslator.h"

#include <optional>
#include <stdexcept>

#include "platform/tsql/SqliteStatement.h"
#include "platform/tsql/TsqlCatalog.h"
#include "platform/tsql/TsqlParser.h"

namespace corvane::db {

namespace {
// Texts carry their literal values, so most are seen once; the memo is emptied when it reaches
// this size rather than growing with the life of the process.
constexpr std::size_t kCacheLimit = 20000;

// Entries kept per text or shape: one per set of versions met, so that accounts whose schemas
// differ, served by one process, do not take turns translating.
constexpr std::size_t kVersionsPerText = 4;

// The schema version of one database of db; "?" when it cannot be read, so that what depends
// on it is translated again rather than trusted. SQLite raises a database's version with every
// change of its schema.
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

int databaseCount(sqlite3* db) {
  int count = 0;
  while (sqlite3_db_name(db, count) != nullptr) ++count;
  return count;
}

template <typename Entry>
void keepEntry(std::unordered_map<std::string, std::vector<Entry>>& entries, const std::string& key, Entry entry) {
  if (entries.size() >= kCacheLimit) entries.clear();
  std::vector<Entry>& kept = entries[key];
  std::erase_if(kept, [&](const Entry& old) { return old.stood == entry.stood; });
  if (kept.size() >= kVersionsPerText) kept.erase(kept.begin());
  kept.push_back(std::move(entry));
}

}  // namespace

// The schema versions of a connection's databases, each read when a translation first asks for
// it: for a known translation, only the versions of the schemas it read. Inside a transaction a
// version read once stands until it ends (see CatalogMemo).
class TsqlTranslator::SchemaVersions {
 public:
  SchemaVersions(sqlite3* db, StatementCache* statements, CatalogMemo* catalog)
      : db_(db), statements_(statements), catalog_(catalog), read_(static_cast<std::size_t>(databaseCount(db))) {}

  // The version of database `index`; "?" when it cannot be read. Inside a transaction a version
  // read once stands for the rest of it.
  const std::string& of(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= read_.size()) return unreadable();
    const auto at = static_cast<std::size_t>(index);
    std::string& version = read_[at];
    if (!version.empty()) return version;
    if (const std::string* standing = catalog_ ? catalog_->standingVersion(db_, at) : nullptr) {
      version = *standing;
    } else {
      version = read(at);
      if (catalog_ != nullptr && readable(version)) catalog_->versionRead(db_, at, version);
    }
    return version;
  }

  // Every database's version ("12,3,0,40,"), as the connection's column memo is kept under.
  const std::string& all() {
    if (!all_.empty()) return all_;
    for (std::size_t index = 0; index < read_.size(); ++index) all_ += of(static_cast<int>(index)) + ',';
    if (catalog_ != nullptr) catalog_->useVersions(all_);
    return all_;
  }

  // The versions of the schemas in `schemas` (every one and their count for kEverySchema);
  // nullopt when one cannot be read.
  std::optional<Stood> of(SchemaSet schemas) {
    Stood stood;
    for (std::size_t index = 0; index < read_.size(); ++index) {
      if (index < 64 && (schemas & (SchemaSet{1} << index)) == 0) continue;
      const std::string& version = of(static_cast<int>(index));
      if (!readable(version)) return std::nullopt;
      stood.emplace_back(static_cast<int>(index), version);
    }
    if (schemas == kEverySchema) stood.emplace_back(-1, std::to_string(read_.size()));
    return stood;
  }

  bool stands(const Stood& stood) {
    for (const auto& [index, version] : stood) {
      if (index < 0 ? version != std::to_string(read_.size()) : of(index) != version) return false;
    }
    return true;
  }

  static bool readable(const std::string& versions) { return versions.find('?') == std::string::npos; }

 private:
  std::string read(std::size_t index) const {
    return schemaVersion(db_, sqlite3_db_name(db_, static_cast<int>(index)), statements_);
  }
  static const std::string& unreadable() {
    static const std::string text = "?";
    return text;
  }

  sqlite3* db_;
  StatementCache* statements_;
  CatalogMemo* catalog_;
  std::vector<std::string> read_;  // by index; empty: not read yet
  std::string all_;
};

std::shared_ptr<const Program> TsqlTranslator::translateText(sqlite3* db, std::string_view tsql,
                                                             StatementCache* statements, CatalogMemo* catalog) {
  SchemaVersions versions(db, statements, catalog);
  const std::string text(tsql);
  std::shared_ptr<const Program> program = knownProgram(text, versions);
  if (!program) {
    program = translateNew(db, tsql, versions, catalog);
    keepProgram(text, versions, program);
  }
  if (catalog) {
    const std::optional<Stood> stood = versions.of(program->schemasRead());
    std::string stands;
    for (const auto& [index, version] : stood.value_or(Stood{})) {
      stands += std::to_string(index) + ':' + version + ',';
    }
    catalog->programStands(stood ? std::move(stands) : std::string("?"));
  }
  return program;
}

std::shared_ptr<const Program> TsqlTranslator::translate(sqlite3* db, std::string_view tsql, StatementCache* statements,
                                                         CatalogMemo* catalog) {
  auto program = translateText(db, tsql, statements, catalog);
  // The program runs next; what it changes of a schema is read again by the next translation.
  if (catalog && program->changesSchema()) catalog->schemaChanging();
  return program;
}

std::shared_ptr<const Program> TsqlTranslator::translateNew(sqlite3* db, std::string_view tsql,
                                                            SchemaVersions& versions, CatalogMemo* catalog) {
  const std::optional<LiteralShape> shape = shapeOf(tsql);
  const std::optional<Shape> known = shape ? knownShape(shape->key, versions) : std::nullopt;
  if (known && known->shared) {
#ifndef NDEBUG
    // Debug builds check every shared translation against the text read afresh from the schema,
    // leaving the versions and the connection's columns as they were, so that the check changes
    // nothing a Release build would do.
    if (!(known->shared->renderWrittenIn(shape->values) == translateTsql(db, tsql))) {
      throw std::logic_error("a shared translation differs from the text's own: " + std::string(tsql));
    }
#endif
    return std::make_shared<const Program>(known->shared->render(shape->values));
  }
  // Read afresh, under every version: the columns the connection keeps are of all of them.
  if (!SchemaVersions::readable(versions.all())) return std::make_shared<const Program>(translateTsql(db, tsql));
  Program fresh = translateTsql(db, tsql, catalog);
  if (!shape || (known && !known->seenOnce)) return std::make_shared<const Program>(std::move(fresh));
  // A shape is shared from its second text, so that a text met once costs one reading.
  Shape now;
  if (known) {
    now.shared = templateOf(db, *shape, fresh, catalog);
  } else {
    now.seenOnce = true;
  }
  if (std::optional<Stood> stood = versions.of(fresh.schemasRead())) {
    now.stood = std::move(*stood);
    keepShape(shape->key, now);
  }
  return std::make_shared<const Program>(now.shared ? now.shared->render(shape->values) : std::move(fresh));
}

// The latest entry kept under `key` whose versions still stand; the entries are copied out of
// the lock, as standing may read versions from the database.
template <typename Entry>
std::optional<Entry> TsqlTranslator::standingEntry(const std::unordered_map<std::string, std::vector<Entry>>& entries,
                                                   const std::string& key, SchemaVersions& versions) {
  std::vector<Entry> kept;
  {
    const std::lock_guard lock(mutex_);
    if (const auto found = entries.find(key); found != entries.end()) kept = found->second;
  }
  for (auto entry = kept.rbegin(); entry != kept.rend(); ++entry) {
    if (versions.stands(entry->stood)) return *entry;
  }
  return std::nullopt;
}

std::shared_ptr<const Program> TsqlTranslator::knownProgram(const std::string& text, SchemaVersions& versions) {
  const std::optional<Known> known = standingEntry(cache_, text, versions);
  return known ? known->program : nullptr;
}

std::optional<TsqlTranslator::Shape> TsqlTranslator::knownShape(const std::string& key, SchemaVersions& versions) {
  return standingEntry(shapes_, key, versions);
}

void TsqlTranslator::keepProgram(const std::string& text, SchemaVersions& versions,
                                 std::shared_ptr<const Program> program) {
  std::optional<Stood> stood = versions.of(program->schemasRead());
  if (!stood) return;
  const std::lock_guard lock(mutex_);
  keepEntry(cache_, text, Known{std::move(*stood), std::move(program)});
}

void TsqlTranslator::keepShape(const std::string& key, Shape shape) {
  const std::lock_guard lock(mutex_);
  keepEntry(shapes_, key, std::move(shape));
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
