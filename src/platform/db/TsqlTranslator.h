#pragma once
// Turns the T-SQL the business code writes into SQLite statements with the meaning SQL Server
// gives them: a lexer and a small recursive parser over SELECT, INSERT, UPDATE, DELETE, the
// DDL of temp tables and short batches. Text it cannot read is refused, never guessed at.

#include <sqlite3.h>

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/db/Program.h"
#include "platform/db/StatementCache.h"
#include "platform/db/TsqlCatalog.h"

namespace corvane::db {

class TsqlTranslator {
 public:
  // Translates one T-SQL text (one statement, or a batch), reading declared column types from
  // db's schema (main, vqsystem, tempdb) when needed. Cached by text and by the schema version of
  // each attached database (a table made again with other types is translated again): a text
  // seen before costs a few version reads and a hash look-up. Raises RuntimeError kDbStatement
  // on text it cannot read. The version reads use the connection's kept statements, and a text
  // not seen before the columns the connection's earlier translations read, when given.
  std::shared_ptr<const Program> translate(sqlite3* db, std::string_view tsql,
                                           StatementCache* statements = nullptr,
                                           CatalogMemo* catalog = nullptr);

  static TsqlTranslator& shared();  // process-wide memo; thread-safe

 private:
  std::mutex mutex_;
  std::unordered_map<std::string, std::shared_ptr<const Program>> cache_;
};

}  // namespace corvane::db
