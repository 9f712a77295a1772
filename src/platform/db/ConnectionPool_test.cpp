#include "platform/db/ConnectionPool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/ConnectionHandle.h"
#include "platform/db/Recordset.h"
#include "support/ConnectionTestAccount.h"

namespace corvane::db {
namespace {

const char* const kCompanySql =
    "CREATE TABLE Item (strCode varchar(20) PRIMARY KEY, strName nvarchar(50));"
    "INSERT INTO Item VALUES ('01', 'one');";
const char* const kSystemSql = "CREATE TABLE Task (cAuth_ID nvarchar(20));";

std::string scalar(Connection& connection, const std::string& sql) {
  Recordset rs;
  rs.open(sql, connection);
  return CStr(rs.field(0).value());
}

class ConnectionPoolTest : public ::testing::Test {
 protected:
  // Deletes the account's folder and makes it again at the same path, its Item named 'remade'.
  void remakeAccount() {
    const AccountFiles& files = account.files();
    std::filesystem::remove_all(files.folder);
    std::filesystem::create_directory(files.folder);
    ConnectionTestAccount::run(files.company(),
                               "CREATE TABLE Item (strCode varchar(20), strName nvarchar(50));"
                               "INSERT INTO Item VALUES ('01', 'remade');");
    ConnectionTestAccount::run(files.system(), kSystemSql);
    ConnectionTestAccount::run(files.tempdb(), "");
  }

  ConnectionTestAccount account{kCompanySql, kSystemSql, ""};
  ConnectionPool pool;
};

TEST_F(ConnectionPoolTest, AReturnedConnectionServesTheNextLeaseOfTheSameAccount) {
  const Connection* first = nullptr;
  {
    PooledConnection lease = pool.acquire(account.connectionString());
    first = &*lease;
    EXPECT_EQ(scalar(*lease, "SELECT strName FROM Item"), "one");
  }
  EXPECT_EQ(pool.idleCount(), 1u);
  PooledConnection again = pool.acquire(account.connectionString());
  EXPECT_EQ(&*again, first);
  EXPECT_EQ(pool.idleCount(), 0u);
  PooledConnection second = pool.acquire(account.connectionString());  // the first is lent
  EXPECT_NE(&*second, first);
}

TEST_F(ConnectionPoolTest, AnotherAccountNeverGetsTheConnection) {
  ConnectionTestAccount other{
      "CREATE TABLE Item (strCode varchar(20), strName nvarchar(50));"
      "INSERT INTO Item VALUES ('01', 'other');",
      kSystemSql, ""};
  { PooledConnection lease = pool.acquire(account.connectionString()); }
  PooledConnection lease = pool.acquire(other.connectionString());
  EXPECT_EQ(scalar(*lease, "SELECT strName FROM Item"), "other");
  EXPECT_EQ(pool.idleCount(), 1u);
}

TEST_F(ConnectionPoolTest, AConnectionComesBackWithoutTransactionAndWithDefaultTimeouts) {
  {
    PooledConnection lease = pool.acquire(account.connectionString(), 60);
    lease->setCommandTimeout(5);
    lease->beginTrans();
    lease->execute("UPDATE Item SET strName = 'changed'");
  }
  PooledConnection lease = pool.acquire(account.connectionString());
  EXPECT_FALSE(lease->inTransaction());
  EXPECT_EQ(lease->commandTimeout(), kDefaultCommandTimeout);
  EXPECT_EQ(scalar(*lease, "SELECT strName FROM Item"), "one");
}

TEST_F(ConnectionPoolTest, AConnectionWithTempObjectsOfItsOwnIsClosedNotReused) {
  {
    PooledConnection lease = pool.acquire(account.connectionString());
    sqlite3_exec(sqliteHandle(*lease), "CREATE TEMP TABLE mine (x int)", nullptr, nullptr, nullptr);
  }
  EXPECT_EQ(pool.idleCount(), 0u);
  PooledConnection lease = pool.acquire(account.connectionString());
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(sqliteHandle(*lease), "SELECT Count(*) FROM temp.sqlite_master", -1, &statement, nullptr);
  ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(statement, 0), 0);
  sqlite3_finalize(statement);
}

TEST_F(ConnectionPoolTest, AFolderDeletedAndMadeAgainGetsNewConnectionsAndTheOldAreClosed) {
  const std::string connectionString = account.connectionString();
  { PooledConnection lease = pool.acquire(connectionString); }
  ASSERT_EQ(pool.idleCount(), 1u);
  remakeAccount();
  PooledConnection lease = pool.acquire(connectionString);
  EXPECT_EQ(scalar(*lease, "SELECT strName FROM Item"), "remade");
  EXPECT_EQ(pool.idleCount(), 1u);  // the old one is only closed when a connection comes back
  { PooledConnection other = pool.acquire(connectionString); }
  EXPECT_EQ(pool.idleCount(), 1u);  // the old one closed, the returned one kept
}

// A connection lent before its folder was made again comes back after one of the new files: the
// files are looked at, the stale one is closed and the new one kept.
TEST_F(ConnectionPoolTest, AConnectionOfFilesMadeAgainWhileLentIsClosedWhenItComesBack) {
  const std::string connectionString = account.connectionString();
  std::optional<PooledConnection> stale = pool.acquire(connectionString);
  remakeAccount();
  const Connection* remade = nullptr;
  {
    PooledConnection lease = pool.acquire(connectionString);
    remade = &*lease;
  }
  stale.reset();
  EXPECT_EQ(pool.idleCount(), 1u);
  PooledConnection lease = pool.acquire(connectionString);
  EXPECT_EQ(&*lease, remade);
  EXPECT_EQ(scalar(*lease, "SELECT strName FROM Item"), "remade");
}

TEST_F(ConnectionPoolTest, AMissingAccountRaisesAsAnOpenDoes) {
  EXPECT_THROW(pool.acquire("Data Source=/nonexistent/corvane-account;"), RuntimeError);
  EXPECT_EQ(pool.idleCount(), 0u);
}

}  // namespace
}  // namespace corvane::db
