// What the database layer costs on top of SQLite: the statements a settings editor sends (a list
// of ~50 rows, an insert, an update by row version, a delete, in one transaction), once through
// Connection and Recordset and once as the translated SQLite statements straight through
// prepare and step, reading every value of the list in both. The run ends with the ratio of the
// two times per pair. The account lives in the temp directory (TMPDIR chooses it; on a disk the
// committed request is dominated by its syncs). On a busy machine the pairs compare best with
//   --benchmark_enable_random_interleaving=true --benchmark_repetitions=15

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "RunTimes.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionHandle.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/TsqlTranslator.h"
#include "support/ConnectionTestAccount.h"

namespace corvane::db {
namespace {

const char* const kCompanySql =
    "CREATE TABLE KX_IOItem (strCode varchar(20) NOT NULL PRIMARY KEY, strName nvarchar(50) NOT NULL,"
    " strTypeCode varchar(20), strUpCode varchar(20), blnEnd bit NOT NULL DEFAULT 0,"
    " ts int NOT NULL DEFAULT 0);"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50)"
    " INSERT INTO KX_IOItem SELECT printf('%04d', i), '收入项目' || i, '01',"
    " CASE WHEN i > 10 THEN printf('%04d', i / 10) ELSE '' END, i % 2, i FROM n;";

// As the settings classes send them, after the SQL text rewriting.
const char* const kList =
    "Select strCode, strName, strTypeCode, strUpCode, blnEnd, Cast(ts As money) as [ts]"
    " From KX_IOItem Order By strCode";
const char* const kInsert =
    "Insert Into KX_IOItem (strCode, strName, strTypeCode, strUpCode, blnEnd)"
    " Values (N'9999', N'新项目', N'01', N'', 1)";
const char* const kUpdate =
    "Update KX_IOItem Set strName = N'改名', ts = ts + 1 Where Cast(ts As money) = 0 And strCode = N'9999'";
const char* const kDelete = "Delete From KX_IOItem Where strCode = N'9999'";

class SettingsEditor : public benchmark::Fixture {
 public:
  void SetUp(const benchmark::State&) override {
    account = std::make_unique<ConnectionTestAccount>(kCompanySql, "", "");
    connection = std::make_unique<Connection>();
    connection->open(account->connectionString());
    sqlite3* handle = sqliteHandle(*connection);
    for (const char* tsql : {kList, kInsert, kUpdate, kDelete}) {
      translated[tsql] = TsqlTranslator::shared().translate(handle, tsql)->text();
    }
  }
  void TearDown(const benchmark::State&) override {
    connection.reset();
    account.reset();
  }

 protected:
  // The layer's way: every value of every record read through its field.
  void readListThroughLayer() {
    Recordset recordset;
    recordset.open(kList, *connection, adOpenStatic, adLockReadOnly);
    const int fields = recordset.fieldCount();
    for (; !recordset.eof(); recordset.moveNext()) {
      for (int index = 0; index < fields; ++index) benchmark::DoNotOptimize(recordset.field(index).value());
    }
  }

  // One request of the editor: the list, then a row added, renamed by its row version and
  // deleted, in one transaction that is committed (or rolled back, leaving the disk's syncs out).
  void requestThroughLayer(bool commit) {
    connection->beginTrans();
    readListThroughLayer();
    if (connection->execute(kInsert) != 1 || connection->execute(kUpdate) != 1 || connection->execute(kDelete) != 1) {
      std::fputs("a statement missed its row\n", stderr);
    }
    commit ? connection->commitTrans() : connection->rollbackTrans();
  }

  // The direct way: the translated text prepared and stepped, each value copied out.
  void readListDirectly() {
    sqlite3* handle = sqliteHandle(*connection);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(handle, translated[kList].c_str(), -1, &statement, nullptr);
    const int columns = sqlite3_column_count(statement);
    while (sqlite3_step(statement) == SQLITE_ROW) {
      for (int column = 0; column < columns; ++column) {
        switch (sqlite3_column_type(statement, column)) {
          case SQLITE_INTEGER: benchmark::DoNotOptimize(sqlite3_column_int64(statement, column)); break;
          case SQLITE_FLOAT: benchmark::DoNotOptimize(sqlite3_column_double(statement, column)); break;
          case SQLITE_NULL: break;
          default: {
            std::string text(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                             static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
            benchmark::DoNotOptimize(text);
          }
        }
      }
    }
    sqlite3_finalize(statement);
  }

  long executeDirectly(const char* tsql) {
    sqlite3* handle = sqliteHandle(*connection);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(handle, translated[tsql].c_str(), -1, &statement, nullptr);
    sqlite3_step(statement);
    sqlite3_finalize(statement);
    return sqlite3_changes(handle);
  }

  void requestDirectly(bool commit) {
    sqlite3* handle = sqliteHandle(*connection);
    sqlite3_exec(handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    readListDirectly();
    if (executeDirectly(kInsert) != 1 || executeDirectly(kUpdate) != 1 || executeDirectly(kDelete) != 1) {
      std::fputs("a statement missed its row\n", stderr);
    }
    sqlite3_exec(handle, commit ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
  }

  std::unique_ptr<ConnectionTestAccount> account;
  std::unique_ptr<Connection> connection;
  std::map<std::string, std::string> translated;
};

BENCHMARK_F(SettingsEditor, ListThroughLayer)(benchmark::State& state) {
  for (auto _ : state) readListThroughLayer();
}
BENCHMARK_F(SettingsEditor, ListDirect)(benchmark::State& state) {
  for (auto _ : state) readListDirectly();
}
BENCHMARK_F(SettingsEditor, RolledBackRequestThroughLayer)(benchmark::State& state) {
  for (auto _ : state) requestThroughLayer(false);
}
BENCHMARK_F(SettingsEditor, RolledBackRequestDirect)(benchmark::State& state) {
  for (auto _ : state) requestDirectly(false);
}
BENCHMARK_F(SettingsEditor, CommittedRequestThroughLayer)(benchmark::State& state) {
  for (auto _ : state) requestThroughLayer(true);
}
BENCHMARK_F(SettingsEditor, CommittedRequestDirect)(benchmark::State& state) {
  for (auto _ : state) requestDirectly(true);
}

// Prints the usual table, then each "...ThroughLayer" time over its "...Direct" time.
class RatioReporter : public bench::RunTimesReporter {
 public:
  RatioReporter() : RunTimesReporter(Clock::Real) {}
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [name, layerTime] : times()) {
      const auto at = name.find("ThroughLayer");
      if (at == std::string::npos) continue;
      std::string direct = name;
      direct.replace(at, std::string("ThroughLayer").size(), "Direct");
      const double directTime = timeOf(direct);
      if (directTime <= 0) continue;
      std::printf("ratio %-40s %.2fx (target at most 1.30x)\n", name.c_str(), layerTime / directTime);
    }
  }
};

}  // namespace
}  // namespace corvane::db

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  corvane::db::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
