#include "platform/tsql/SqliteErrors.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/com/RuntimeError.h"
#include "platform/tsql/ErrorTexts.h"
#include "platform/tsql/TsqlTestDatabase.h"

namespace corvane::db {
namespace {

TEST(SqliteErrors, SaysConstraintViolationsInSqlServerWords) {
  static const struct {
    const char* tsql;
    const char* description;
  } kCases[] = {
      {"insert into KX_OperationType (intType, strCode, strName) values (1, N'101', N'Other')",
       "Violation of PRIMARY KEY constraint 'PK_KX_OPERATIONTYPE'. Cannot insert duplicate key in object "
       "'dbo.KX_OperationType'."},
      {"update KX_OperationType set strCode = N'201' where strCode = N'202'",
       "Violation of PRIMARY KEY constraint 'PK_KX_OPERATIONTYPE'. Cannot insert duplicate key in object "
       "'dbo.KX_OperationType'."},
      {"insert into KX_OperationType (intType, strCode, strName) values (1, N'301', N'LOAN')",
       "Cannot insert duplicate key row in object 'dbo.KX_OperationType' with unique index 'IX_KX_OperationType'."},
      {"insert into KX_LoanVouch (GUID, strVouchID) values (N'{N}', N'l001')",
       "Violation of UNIQUE KEY constraint 'UQ_KX_LoanVouch_strVouchID'. Cannot insert duplicate key in object "
       "'dbo.KX_LoanVouch'."},
      {"insert into KX_LoanVouch (AutoID, GUID) values (1, N'{N}')",
       "Violation of PRIMARY KEY constraint 'PK_KX_LoanVouch'. Cannot insert duplicate key in object "
       "'dbo.KX_LoanVouch'."},
      {"insert into KX_OperationType (intType, strName) values (1, N'New')",
       "Cannot insert the value NULL into column 'strCode', table 'KX_OperationType'; column does not allow nulls. "
       "INSERT fails."},
      {"update tempdb..vqtmpA set ccode = NULL",
       "Cannot insert the value NULL into column 'ccode', table 'vqtmpA'; column does not allow nulls. UPDATE fails."},
      {"Delete KX_OperationType Where strCode = N'101'",
       "The DELETE statement conflicted with the REFERENCE constraint \"FK_KX_LoanVouch_KX_OperationType\". The "
       "conflict occurred in database \"company\", table \"dbo.KX_LoanVouch\", column 'strTypeCode'."},
  };
  const TsqlTestDatabase database;
  for (const auto& c : kCases) {
    try {
      database.rows(c.tsql);
      ADD_FAILURE() << c.tsql << " ran";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), errnum::kDbConstraint) << c.tsql;
      EXPECT_EQ(e.description(), c.description) << c.tsql;
    }
  }
  // A refused statement changes nothing.
  EXPECT_EQ(database.rows("select count(*) from KX_OperationType"), "3");
}

TEST(SqliteErrors, ReportsABusyDatabaseAsATimeout) {
  const auto path =
      std::filesystem::temp_directory_path() / ("corvane_sqlite_errors_busy_" + std::to_string(::getpid()) + ".db");
  std::filesystem::remove(path);
  sqlite3* holder = nullptr;
  sqlite3* waiter = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_open(path.c_str(), &waiter), SQLITE_OK);
  sqlite3_exec(holder, "CREATE TABLE t (a int); BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr);
  try {
    TsqlTranslator::shared().translate(waiter, "select count(*) from t")->run(waiter, {});
    ADD_FAILURE() << "read a locked database";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), errnum::kDbTimeout);
    EXPECT_EQ(e.description(), "Query timeout expired");
  }
  sqlite3_close(waiter);
  sqlite3_close(holder);
  std::filesystem::remove(path);
}

// A database that cannot be written, for want of rights or of room, is reported in the layer's own
// words, which the error replies show in the user's language.
TEST(SqliteErrors, ReportsAReadOnlyOrFullDatabaseInItsOwnWords) {
  const auto path =
      std::filesystem::temp_directory_path() / ("corvane_sqlite_errors_write_" + std::to_string(::getpid()) + ".db");
  std::filesystem::remove(path);
  sqlite3* writer = nullptr;
  sqlite3* reader = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &writer), SQLITE_OK);
  sqlite3_exec(writer, "CREATE TABLE t (a text); PRAGMA max_page_count = 4;", nullptr, nullptr, nullptr);
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &reader, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  try {
    TsqlTranslator::shared().translate(reader, "insert into t values (N'x')")->run(reader, {});
    ADD_FAILURE() << "wrote a read-only database";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), errnum::kDbStatement);
    EXPECT_EQ(e.description(), kReadOnlyText);
  }
  const char* const filling =
      "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c LIMIT 2000) "
      "INSERT INTO t SELECT hex(randomblob(100)) FROM c";
  const int rc = sqlite3_exec(writer, filling, nullptr, nullptr, nullptr);
  ASSERT_EQ(rc, SQLITE_FULL);
  try {
    raiseSqliteError(writer, rc, filling);
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), errnum::kDbStatement);
    EXPECT_EQ(e.description(), kDiskFullText);
  }
  sqlite3_close(reader);
  sqlite3_close(writer);
  std::filesystem::remove(path);
}

// SQLite's own limits on nesting are reported in the layer's own words.
TEST(SqliteErrors, ReportsAStatementNestedTooDeeplyInItsOwnWords) {
  sqlite3* handle = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &handle), SQLITE_OK);
  const std::string statements[] = {
      "select " + std::string(1200, '(') + "1" + std::string(1200, ')'),
      "select 1" +
          [] {
            std::string terms;
            for (int i = 0; i < 1100; ++i) terms += "+1";
            return terms;
          }(),
  };
  for (const std::string& sql : statements) {
    const int rc = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr);
    ASSERT_EQ(rc, SQLITE_ERROR) << sqlite3_errmsg(handle);
    try {
      raiseSqliteError(handle, rc, sql);
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), errnum::kDbStatement);
      EXPECT_EQ(e.description(), kTooDeepText);
    }
  }
  sqlite3_close(handle);
}

TEST(SqliteErrors, SaysStatementErrorsInSqlServerWords) {
  static const struct {
    const char* sql;
    std::int32_t number;
    const char* description;
  } kCases[] = {
      {"select * from Missing", errnum::kDbNotFound, "Invalid object name 'Missing'."},
      {"select missing from KX_IOItem", errnum::kDbStatement, "Invalid column name 'missing'."},
      {"select nofunction(1)", errnum::kDbStatement, "'nofunction' is not a recognized built-in function name."},
      {"select from where", errnum::kDbStatement, "Incorrect syntax near 'from'."},
      {"create table KX_IOItem (a int)", errnum::kDbStatement,
       "There is already an object named 'KX_IOItem' in the database."},
  };
  const TsqlTestDatabase database;
  for (const auto& c : kCases) {
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v2(database.db(), c.sql, -1, &statement, nullptr);
    sqlite3_finalize(statement);
    ASSERT_NE(rc, SQLITE_OK) << c.sql;
    try {
      raiseSqliteError(database.db(), rc, c.sql);
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), c.number) << c.sql;
      EXPECT_EQ(e.description(), c.description) << c.sql;
    }
  }
}

}  // namespace
}  // namespace corvane::db
