#include "platform/db/ScratchTables.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/db/Connection.h"
#include "support/ConnectionTestAccount.h"

namespace corvane::db {
namespace {

using namespace std::chrono_literals;

// An account made before tempdb kept the record: the first record makes it.
class ScratchTablesTest : public ::testing::Test {
 protected:
  ScratchTablesTest() { connection.open(account.connectionString()); }

  // Makes tempdb table `name` and records it, as the module's makers do.
  void make(const std::string& name) {
    connection.execute("CREATE TABLE tempdb.." + name + " (x int)");
    recordScratchTable(connection, name);
  }

  std::string temp(const std::string& sql) const {
    return ConnectionTestAccount::scalar(account.files().tempdb(), sql);
  }
  std::string tables() const {
    return temp(
        "SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master WHERE type = 'table' "
        "AND name <> 'ScratchTableBirth' ORDER BY name)");
  }
  // The recorded names; "-" while tempdb keeps no record.
  std::string records() const {
    if (temp("SELECT Count(*) FROM sqlite_master WHERE name = 'ScratchTableBirth'") == "0") return "-";
    return temp("SELECT group_concat(cName, ',') FROM (SELECT cName FROM ScratchTableBirth ORDER BY cName)");
  }
  void age(const std::string& name) const {
    ConnectionTestAccount::run(account.files().tempdb(),
                               "UPDATE ScratchTableBirth SET dCreated = datetime('now', '-1 day', '-1 minute') "
                               "WHERE cName = '" +
                                   name + "'");
  }
  // Opens the account once more, as the next request does.
  void reopen() const {
    Connection next;
    next.open(account.connectionString());
  }

  ConnectionTestAccount account{"CREATE TABLE Item (strCode varchar(20));",
                                "CREATE TABLE Operator (cUser_ID varchar(20));", "PRAGMA journal_mode=WAL;"};
  Connection connection;
};

TEST_F(ScratchTablesTest, TablesOlderThanADayAreSweptWhenTheAccountIsOpened) {
  make("vqtmpOld");
  make("vqtmpYoung");
  connection.execute("CREATE TABLE tempdb..vqtmpUnrecorded (x int)");
  reopen();
  EXPECT_EQ(tables(), "vqtmpOld,vqtmpUnrecorded,vqtmpYoung");

  age("vqtmpOld");
  reopen();
  EXPECT_EQ(tables(), "vqtmpUnrecorded,vqtmpYoung");
  EXPECT_EQ(records(), "vqtmpYoung");
  // The sweeping connection goes on as any other.
  Connection next;
  next.open(account.connectionString());
  EXPECT_EQ(next.execute("INSERT INTO Item VALUES ('01')"), 1);
}

TEST_F(ScratchTablesTest, ARecordStandsOrFallsWithItsTable) {
  connection.beginTrans();
  make("vqtmpRolledBack");
  connection.rollbackTrans();
  EXPECT_EQ(tables(), "");
  EXPECT_EQ(records(), "-");

  make("vqtmpDropped");
  connection.execute("DROP TABLE tempdb..vqtmpDropped");
  forgetScratchTable(connection, "vqtmpDropped");
  forgetScratchTable(connection, "vqtmpNeverMade");
  EXPECT_EQ(records(), "");

  // A record whose table went by other means is forgotten by the sweep of its day.
  make("vqtmpGone");
  connection.execute("DROP TABLE tempdb..vqtmpGone");
  age("vqtmpGone");
  reopen();
  EXPECT_EQ(records(), "");
}

TEST_F(ScratchTablesTest, TheSweepLeavesABusyTempdbForALaterOpen) {
  Connection writer;
  writer.open(account.connectionString());
  make("vqtmpOld");
  age("vqtmpOld");
  writer.beginTrans();
  writer.execute("CREATE TABLE tempdb..vqtmpBusy (x int)");

  Connection next;
  next.setConnectionTimeout(5);
  const auto started = std::chrono::steady_clock::now();
  next.open(account.connectionString());
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
  EXPECT_EQ(records(), "vqtmpOld");

  writer.commitTrans();
  reopen();
  EXPECT_EQ(records(), "");
  EXPECT_EQ(tables(), "vqtmpBusy");
}

}  // namespace
}  // namespace corvane::db
