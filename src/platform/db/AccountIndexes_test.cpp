#include "platform/db/AccountIndexes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/ConnectionTestAccount.h"

namespace corvane::db {
namespace {

// Vouchers as an account made before the scale indexes holds them, without the approval flows'
// table, so that the index over it cannot be made.
const std::string kVoucherTables =
    "CREATE TABLE KX_LoanVouch (AutoID INTEGER PRIMARY KEY, GUID text, strVouchID text, blnAudi int, "
    "strAuditorID text, PZGUID text);"
    "CREATE TABLE KX_ExpenVouch (AutoID INTEGER PRIMARY KEY, GUID text, strVouchID text, blnAudi int, "
    "strAuditorID text, PZGUID text);"
    "INSERT INTO KX_LoanVouch (GUID, strVouchID) VALUES ('{L1}', 'JK01');";

const std::string kOther = "CREATE TABLE Other (a int);";

std::string scaleIndexes(const ConnectionTestAccount& account) {
  return ConnectionTestAccount::scalar(
      account.files().company(),
      "SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY name)");
}

constexpr const char* kMade =
    "IX_KX_ExpenVouch_PZGUID,IX_KX_ExpenVouch_awaiting,IX_KX_ExpenVouch_strVouchID,IX_KX_LoanVouch_PZGUID,"
    "IX_KX_LoanVouch_awaiting";

void expectReadable(Connection& connection) {
  Recordset loans;
  loans.open("select strVouchID from KX_LoanVouch", connection);
  ASSERT_FALSE(loans.eof());
}

TEST(AccountIndexes, AnAccountWithoutThemGetsThemAtItsFirstOpen) {
  const ConnectionTestAccount account("PRAGMA journal_mode=WAL;" + kVoucherTables, kOther, kOther);
  Connection connection;
  connection.open(account.connectionString());
  EXPECT_EQ(scaleIndexes(account), kMade);
  expectReadable(connection);
}

// While another connection writes the account, the open goes on without them at once; a later
// open makes them.
TEST(AccountIndexes, WaitForNoWriterAndComeWithALaterOpen) {
  const ConnectionTestAccount account("PRAGMA journal_mode=WAL;" + kVoucherTables, kOther, kOther);
  sqlite3* writer = nullptr;
  sqlite3_open(account.files().company().c_str(), &writer);
  sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  {
    Connection connection;
    connection.setConnectionTimeout(5);
    connection.open(account.connectionString());
    expectReadable(connection);
  }
  EXPECT_EQ(scaleIndexes(account), "");
  sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(writer);
  Connection connection;
  connection.open(account.connectionString());
  EXPECT_EQ(scaleIndexes(account), kMade);
}

// A file that SQLite may only read (its header's write version above 2, as a newer format
// marks it) opens and reads without them.
TEST(AccountIndexes, AReadOnlyFileOpensWithoutThem) {
  const ConnectionTestAccount account(kVoucherTables, kOther, kOther);
  {
    std::fstream file(account.files().company(), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(18);
    file.put(3);
  }
  Connection connection;
  connection.open(account.connectionString());
  expectReadable(connection);
  EXPECT_EQ(scaleIndexes(account), "");
}

}  // namespace
}  // namespace corvane::db
