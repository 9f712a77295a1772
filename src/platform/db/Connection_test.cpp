#include "platform/db/Connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <thread>

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/ConnectionHandle.h"
#include "platform/db/Recordset.h"
#include "support/ConnectionTestAccount.h"
#include "support/ErrorNumber.h"

namespace corvane::db {
namespace {

using namespace std::chrono_literals;

TEST(ConnectionStringTest, ReadsValuesInEveryQuotingStyle) {
  struct Case {
    const char* text;
    const char* key;
    std::optional<std::string> expected;
  };
  static const Case cases[] = {
      {"Data Source=/accounts/001;", "Data Source", "/accounts/001"},
      {"data source = /accounts/001 ", "DATA SOURCE", "/accounts/001"},
      {"Provider=x;Data Source=N'/a;b';User ID=sa", "Data Source", "/a;b"},
      {"Provider=x;Data Source=N'/a;b';User ID=sa", "User ID", "sa"},
      {"Data Source='it''s';", "Data Source", "it's"},
      {"Data Source=n'x'", "Data Source", "x"},
      {"Data Source=\"q;r\";Mode=1", "Mode", "1"},
      {";;Data Source=x;;", "Data Source", "x"},
      {"Name=Nancy;Data Source=x", "Name", "Nancy"},
      {"Data Source=", "Data Source", ""},
      {"Provider=x", "Data Source", std::nullopt},
      {"", "Data Source", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(connectionStringValue(c.text, c.key), c.expected) << c.text << " / " << c.key;
  }
}

const char* const kCompanySql =
    "CREATE TABLE Item (strCode varchar(20) PRIMARY KEY, strName nvarchar(50), ts int);"
    "CREATE TABLE ItemLog (strCode varchar(20));"
    "CREATE TRIGGER trItemLog AFTER UPDATE ON Item BEGIN"
    "  INSERT INTO ItemLog VALUES (new.strCode); INSERT INTO ItemLog VALUES (new.strCode); END;"
    "INSERT INTO Item VALUES ('01', 'one', 1), ('02', 'two', 2), ('03', 'three', 3);";
const char* const kSystemSql = "CREATE TABLE Operator (cUser_ID varchar(20), cUser_Name nvarchar(40));";
const char* const kTempSql = "PRAGMA journal_mode=WAL; CREATE TABLE Scratch (a int, b nvarchar(20));";

class ConnectionTest : public ::testing::Test {
 protected:
  ConnectionTestAccount account{kCompanySql, kSystemSql, kTempSql};

  std::string companyValue(const std::string& sql) const {
    return ConnectionTestAccount::scalar(account.files().company(), sql);
  }
  std::string systemValue(const std::string& sql) const {
    return ConnectionTestAccount::scalar(account.files().system(), sql);
  }
  std::string tempValue(const std::string& sql) const {
    return ConnectionTestAccount::scalar(account.files().tempdb(), sql);
  }
};

TEST_F(ConnectionTest, OpensTheAccountWithItsJournalModes) {
  Connection connection;
  connection.open("Provider=x;Data Source=N'" + account.files().folder.string() + "'");
  EXPECT_TRUE(connection.isOpen());
  EXPECT_EQ(connection.execute("INSERT INTO vqsystem..Operator VALUES ('u1', 'Ann')"), 1);
  EXPECT_EQ(connection.execute("INSERT INTO tempdb..Scratch VALUES (1, 'x')"), 1);
  EXPECT_EQ(systemValue("SELECT cUser_Name FROM Operator"), "Ann");
  EXPECT_EQ(tempValue("SELECT b FROM Scratch"), "x");

  sqlite3* handle = sqliteHandle(connection);
  for (const char* pragma : {"PRAGMA main.journal_mode", "PRAGMA vqsystem.journal_mode", "PRAGMA tempdb.journal_mode",
                             "PRAGMA foreign_keys"}) {
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(handle, pragma, -1, &statement, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    const std::string value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    const std::string expected = std::string(pragma) == "PRAGMA foreign_keys" ? "0" : "wal";
    EXPECT_EQ(expected, value) << pragma;
  }
}

TEST_F(ConnectionTest, RefusesConnectionStringsThatNameNoAccount) {
  struct Case {
    std::string text;
    std::int32_t number;
  };
  const Case cases[] = {
      {"Provider=x;User ID=sa", errnum::kDbUnspecified},
      {"Data Source=;", errnum::kDbUnspecified},
      {"Data Source=" + (account.files().folder / "missing").string(), errnum::kDbUnspecified},
  };
  for (const Case& c : cases) {
    Connection connection;
    EXPECT_EQ(errorNumberOf([&] { connection.open(c.text); }), c.number) << c.text;
    EXPECT_FALSE(connection.isOpen());
  }
}

// An account is its three files, made together: a folder that lacks one of them (tempdb, whose
// catalogue the temp-table checks read, included) holds no account, and opening it makes none.
TEST(ConnectionOpenTest, RefusesAnAccountFolderThatLacksOneOfItsFiles) {
  const std::function<std::filesystem::path(const AccountFiles&)> fileOf[] = {
      &AccountFiles::company, &AccountFiles::system, &AccountFiles::tempdb};
  for (const auto& missing : fileOf) {
    ConnectionTestAccount account{kCompanySql, kSystemSql, kTempSql};
    const std::filesystem::path file = missing(account.files());
    std::filesystem::remove(file);
    Connection connection;
    try {
      connection.open(account.connectionString());
      ADD_FAILURE() << file << " is missing, and the account was opened";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.number(), errnum::kDbUnspecified) << file;
      EXPECT_EQ(error.description(), "The account database '" + file.string() + "' does not exist.");
    }
    EXPECT_FALSE(connection.isOpen());
    EXPECT_FALSE(std::filesystem::exists(file));
  }
}

TEST_F(ConnectionTest, MisuseRaisesTheLibraryNumbers) {
  Connection connection;
  EXPECT_EQ(errorNumberOf([&] { connection.execute("DELETE FROM Item"); }), kErrObjectClosed);
  EXPECT_EQ(errorNumberOf([&] { connection.beginTrans(); }), kErrObjectClosed);
  EXPECT_EQ(errorNumberOf([&] { connection.setCommandTimeout(-1); }), kErrInvalidArgument);
  connection.open(account.connectionString());
  EXPECT_EQ(errorNumberOf([&] { connection.open(account.connectionString()); }), kErrObjectOpen);
  EXPECT_EQ(errorNumberOf([&] { connection.commitTrans(); }), kErrNoTransaction);
  EXPECT_EQ(errorNumberOf([&] { connection.rollbackTrans(); }), kErrNoTransaction);
  connection.beginTrans();
  EXPECT_EQ(errorNumberOf([&] { connection.beginTrans(); }), kErrTransactionExists);
  EXPECT_TRUE(connection.inTransaction());
  connection.rollbackTrans();
  EXPECT_FALSE(connection.inTransaction());
}

void writeToAllThreeFiles(Connection& connection) {
  EXPECT_EQ(connection.execute("UPDATE Item SET strName = 'changed' WHERE strCode = '01'"), 1);
  EXPECT_EQ(connection.execute("INSERT INTO vqsystem..Operator VALUES ('u1', 'Ann')"), 1);
  EXPECT_EQ(connection.execute("INSERT INTO tempdb..Scratch VALUES (1, 'x')"), 1);
}

TEST_F(ConnectionTest, RollbackUndoesTheWritesInAllThreeFiles) {
  Connection connection;
  connection.open(account.connectionString());
  connection.beginTrans();
  writeToAllThreeFiles(connection);
  connection.rollbackTrans();
  EXPECT_EQ(companyValue("SELECT strName FROM Item WHERE strCode = '01'"), "one");
  EXPECT_EQ(companyValue("SELECT count(*) FROM ItemLog"), "0");
  EXPECT_EQ(systemValue("SELECT count(*) FROM Operator"), "0");
  EXPECT_EQ(tempValue("SELECT count(*) FROM Scratch"), "0");
}

TEST_F(ConnectionTest, CommitKeepsTheWritesInAllThreeFiles) {
  Connection connection;
  connection.open(account.connectionString());
  connection.beginTrans();
  writeToAllThreeFiles(connection);
  connection.commitTrans();
  EXPECT_FALSE(connection.inTransaction());
  EXPECT_EQ(companyValue("SELECT strName FROM Item WHERE strCode = '01'"), "changed");
  EXPECT_EQ(systemValue("SELECT count(*) FROM Operator"), "1");
  EXPECT_EQ(tempValue("SELECT count(*) FROM Scratch"), "1");
}

TEST_F(ConnectionTest, AConnectionReleasedInATransactionRollsItBack) {
  {
    Connection connection;
    connection.open(account.connectionString());
    connection.beginTrans();
    writeToAllThreeFiles(connection);
  }
  EXPECT_EQ(companyValue("SELECT strName FROM Item WHERE strCode = '01'"), "one");
  EXPECT_EQ(systemValue("SELECT count(*) FROM Operator"), "0");
}

TEST_F(ConnectionTest, RecordsAffectedCountsTheStatementsOwnRowsOnly) {
  struct Case {
    const char* sql;
    long affected;
  };
  // The update trigger writes two log rows per item; they do not count.
  static const Case cases[] = {
      {"UPDATE Item SET ts = ts + 1 WHERE strCode IN ('01', '02')", 2},
      {"UPDATE Item SET ts = 0 WHERE strCode = 'none'", 0},
      {"INSERT INTO Item VALUES ('04', 'four', 4)", 1},
      {"DELETE FROM Item WHERE strCode >= '03'", 2},
      {"INSERT INTO Item VALUES ('05', 'five', 5); INSERT INTO Item VALUES ('06', 'six', 6)", 2},
      {"SELECT * FROM Item", 0},
  };
  Connection connection;
  connection.open(account.connectionString());
  for (const Case& c : cases) EXPECT_EQ(connection.execute(c.sql), c.affected) << c.sql;
  EXPECT_EQ(companyValue("SELECT count(*) FROM ItemLog"), "4");
}

TEST_F(ConnectionTest, ABusyAccountRaisesTheTimeoutNumberAfterTheCommandTimeout) {
  Connection writer;
  writer.open(account.connectionString());
  writer.beginTrans();
  writer.execute("UPDATE Item SET ts = 9 WHERE strCode = '01'");

  Connection waiting;
  waiting.open(account.connectionString());
  waiting.setCommandTimeout(1);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(errorNumberOf([&] { waiting.beginTrans(); }), errnum::kDbTimeout);
  const auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_GE(waited, 900ms);
  EXPECT_LT(waited, 5s);
  EXPECT_FALSE(waiting.inTransaction());
  // The transaction holds the company database only: the system database stays writable.
  EXPECT_EQ(waiting.execute("INSERT INTO vqsystem..Operator VALUES ('u', 'x')"), 1);

  writer.commitTrans();
  waiting.beginTrans();
  EXPECT_EQ(waiting.execute("UPDATE Item SET ts = 10 WHERE strCode = '01'"), 1);
  waiting.commitTrans();
  EXPECT_EQ(companyValue("SELECT ts FROM Item WHERE strCode = '01'"), "10");
}

TEST_F(ConnectionTest, ASecondWriterQueuesUntilTheFirstCommits) {
  Connection first;
  first.open(account.connectionString());
  first.beginTrans();
  first.execute("UPDATE Item SET ts = 20 WHERE strCode = '01'");

  auto second = std::async(std::launch::async, [this] {
    Connection connection;
    connection.open(account.connectionString());
    connection.setCommandTimeout(10);
    connection.beginTrans();
    connection.execute("UPDATE Item SET ts = ts + 1 WHERE strCode = '01'");
    connection.commitTrans();
  });
  std::this_thread::sleep_for(200ms);
  first.commitTrans();
  second.get();
  EXPECT_EQ(companyValue("SELECT ts FROM Item WHERE strCode = '01'"), "21");
}

// A reader and a writer on one account, each on a connection of its own, run side by side: the
// reader keeps the rows as they were when it began, the writer commits without waiting for it.
TEST_F(ConnectionTest, AReaderAndAWriterRunSideBySide) {
  Connection reader;
  reader.open(account.connectionString());
  reader.setCommandTimeout(1);
  reader.beginTrans(TransactionMode::Read);
  Recordset before;
  before.open("SELECT strName FROM Item WHERE strCode = '01'", reader);
  EXPECT_EQ("one", CStr(before.field(0).value()));

  Connection writer;
  writer.open(account.connectionString());
  writer.setCommandTimeout(1);
  writer.beginTrans();
  EXPECT_EQ(writer.execute("UPDATE Item SET strName = 'changed' WHERE strCode = '01'"), 1);
  EXPECT_EQ(errorNumberOf([&] { writer.commitTrans(); }), 0) << "the reader must not block the commit";

  Recordset during;
  during.open("SELECT strName FROM Item WHERE strCode = '01'", reader);
  EXPECT_EQ("one", CStr(during.field(0).value())) << "the reader keeps its snapshot";
  reader.commitTrans();
  EXPECT_EQ(companyValue("SELECT strName FROM Item WHERE strCode = '01'"), "changed");
}

// A reading transaction begins and reads while another connection holds the write lock.
TEST_F(ConnectionTest, AReadingTransactionTakesNoWriteLock) {
  Connection writer;
  writer.open(account.connectionString());
  writer.beginTrans();
  writer.execute("UPDATE Item SET strName = 'uncommitted' WHERE strCode = '01'");

  Connection reader;
  reader.open(account.connectionString());
  reader.setCommandTimeout(1);
  EXPECT_EQ(errorNumberOf([&] { reader.beginTrans(TransactionMode::Read); }), 0);
  Recordset rs;
  EXPECT_EQ(errorNumberOf([&] { rs.open("SELECT strName FROM Item WHERE strCode = '01'", reader); }), 0);
  EXPECT_EQ("one", CStr(rs.field(0).value()));
  EXPECT_EQ(errorNumberOf([&] { reader.execute("DELETE FROM Item"); }), errnum::kDbTimeout)
      << "a write inside it still needs the lock";
  reader.rollbackTrans();
  writer.rollbackTrans();
}

}  // namespace
}  // namespace corvane::db
