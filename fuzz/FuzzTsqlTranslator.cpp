// Fuzzing target for the T-SQL translator: translates the input as a T-SQL text and runs what
// it becomes on a small account in memory, in a transaction that is rolled back after, so that
// every input meets the same data. The database layer's own errors are expected answers; a
// crash, a hang, a leak or any other exception is a finding.

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/com/RuntimeError.h"
#include "platform/db/TsqlParser.h"
#include "platform/db/TsqlTestDatabase.h"

namespace {

// Statements are stopped after this many SQLite virtual machine steps (counted in thousands),
// so that a cross join of every table cannot stall the run.
constexpr int kStepThousands = 10000;

int stopLongStatements(void* counter) { return ++*static_cast<int*>(counter) > kStepThousands; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const corvane::db::TsqlTestDatabase database;
  const std::string_view tsql(reinterpret_cast<const char*>(data), size);
  int steps = 0;
  sqlite3_progress_handler(database.db(), 1000, stopLongStatements, &steps);
  database.exec("BEGIN");
  try {
    corvane::db::translateTsql(database.db(), tsql).run(database.db(), {});
  } catch (const corvane::RuntimeError&) {
  }
  // A statement stopped inside the transaction may have rolled it back already.
  if (!sqlite3_get_autocommit(database.db())) database.exec("ROLLBACK");
  return 0;
}
