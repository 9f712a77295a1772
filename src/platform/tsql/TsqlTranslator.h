#pragma once
// Turns the T-SQL the business code writes into SQLite statements with the meaning SQL Server
// gives them: a lexer and a small recursive parser over SELECT, INSERT, UPDATE, DELETE, the
// DDL of temp tables and short batches. Text it cannot read is refused, never guessed at.

#include <sqlite3.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/tsql/LiteralTemplate.h"
#include "platform/tsql/Program.h"
#include "platform/tsql/StatementCache.h"
#include "platform/tsql/TsqlCatalog.h"

namespace corvane::db {

class TsqlTranslator {
 public:
  // Translates one T-SQL text (one statement, or a batch), reading declared column types from
  // db's schema (main, vqsystem, tempdb) when needed. Cached by text and by the schema version of
  // each database whose schema the translation read (a table made again with other types is
  // translated again): a text seen before costs the reading of those versions and a hash
  // look-up; a text that differs from one seen before only in the values of its plain literals
  // shares its translation (LiteralTemplate).
  // Raises RuntimeError kDbStatement on text it cannot read. The version reads use the
  // connection's kept statements, and a text not seen before the columns the connection's
  // earlier translations read, when given. The program is to be run next: when it makes, drops
  // or alters a table, the catalog reads the versions again for the next translation.
  std::shared_ptr<const Program> translate(sqlite3* db, std::string_view tsql, StatementCache* statements = nullptr,
                                           CatalogMemo* catalog = nullptr);

  static TsqlTranslator& shared();  // process-wide memo; thread-safe

 private:
  class SchemaVersions;
  // The version of each schema a translation read, by database index: it stands while they are
  // the same, whatever the other databases' versions.
  using Stood = std::vector<std::pair<int, std::string>>;
  struct Known {
    Stood stood;
    std::shared_ptr<const Program> program;
  };
  // What is known of a shape.
  struct Shape {
    Stood stood;
    bool seenOnce = false;                          // met once: a template is made the next time
    std::shared_ptr<const LiteralTemplate> shared;  // null: its literals cannot be taken out
  };

  std::shared_ptr<const Program> translateText(sqlite3* db, std::string_view tsql, StatementCache* statements,
                                               CatalogMemo* catalog);
  // A text not seen before under these versions: from the template of its shape when one is
  // known (see LiteralTemplate), else read afresh.
  std::shared_ptr<const Program> translateNew(sqlite3* db, std::string_view tsql, SchemaVersions& versions,
                                              CatalogMemo* catalog);
  // The template of a shape whose text reads as `fresh`; null when its literals take part in the
  // translation.
  static std::shared_ptr<const LiteralTemplate> templateOf(sqlite3* db, const LiteralShape& shape, const Program& fresh,
                                                           CatalogMemo* catalog);

  std::shared_ptr<const Program> knownProgram(const std::string& text, SchemaVersions& versions);
  std::optional<Shape> knownShape(const std::string& key, SchemaVersions& versions);
  template <typename Entry>
  std::optional<Entry> standingEntry(const std::unordered_map<std::string, std::vector<Entry>>& entries,
                                     const std::string& key, SchemaVersions& versions);
  void keepProgram(const std::string& text, SchemaVersions& versions, std::shared_ptr<const Program> program);
  void keepShape(const std::string& key, Shape shape);

  std::mutex mutex_;
  // By text and by shape key, one entry for each set of versions met (another account's, or
  // before and after a change of schema), the latest last.
  std::unordered_map<std::string, std::vector<Known>> cache_;
  std::unordered_map<std::string, std::vector<Shape>> shapes_;
};

}  // namespace corvane::db
