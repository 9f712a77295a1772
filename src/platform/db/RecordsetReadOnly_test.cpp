#include <gtest/gtest.h>

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionHandle.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/ErrorTexts.h"
#include "platform/tsql/StatementCache.h"
#include "support/CaseAccount.h"

namespace corvane::db {
namespace {

// The tests read the demo account's departments, persons and users.

std::string countOf(Connection& connection, const std::string& table) {
  Recordset rs;
  rs.open("select count(*) from " + table, connection);
  return CStr(rs.field(0).value());
}

// Client texts opened read-only: whatever they hold, only a single reading statement runs.
TEST(RecordsetReadOnly, RunsOnlyASingleStatementThatReads) {
  const CaseAccount account;
  Connection connection;
  connection.open(account.connectString());
  const std::string before = countOf(connection, "Department");

  const char* const reading[] = {
      "select cDepCode from Department",
      "(select cDepCode from Department) union (select cPersonCode from Person)",
  };
  for (const char* text : reading) {
    Recordset rs;
    EXPECT_NO_THROW(rs.openReadOnly(text, connection)) << text;
    EXPECT_TRUE(rs.isOpen()) << text;
  }

  const char* const writing[] = {
      "delete from Department",
      "select 1 delete from Department",
      "update Department set cDepName = N'x'",
      "insert into Department (cDepCode,cDepName) select N'Z9', N'z'",
      "select cDepCode into tempdb..vqtmpStolen from Department",
      "if exists (select 1) delete from Department",
      "declare @x int select @x = 1 delete from Department",
  };
  for (const char* text : writing) {
    Recordset rs;
    try {
      rs.openReadOnly(text, connection);
      ADD_FAILURE() << text << " must be refused";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(errnum::kInvalidArgument, error.number()) << text;
    }
  }
  EXPECT_EQ(before, countOf(connection, "Department"));
  Recordset stolen;
  stolen.open("select count(*) from tempdb..sysobjects where name=N'vqtmpStolen'", connection);
  EXPECT_EQ("0", CStr(stolen.field(0).value()));
}

// A client query stops at the connection's command timeout with the timeout number, and the
// connection serves the next query as before.
TEST(RecordsetReadOnly, StopsAQueryAtTheCommandTimeout) {
  const CaseAccount account;
  // At least ten persons, so that the join below makes ten billion rows.
  account.execute(
      "INSERT INTO Person (cPersonCode, cPersonName, cDepCode) VALUES ('P1','一','01'),('P2','二','01'),"
      "('P3','三','01'),('P4','四','01'),('P5','五','01'),('P6','六','02'),('P7','七','02'),('P8','八','02'),"
      "('P9','九','02'),('P10','十','02')");
  Connection connection;
  connection.open(account.connectString());
  const std::string departments = countOf(connection, "Department");
  const std::string persons = countOf(connection, "Person");
  connection.setCommandTimeout(1);
  std::string tenWayJoin = "select count(*) as n from Person p0";
  for (int i = 1; i < 10; ++i) tenWayJoin += ", Person p" + std::to_string(i);
  Recordset rs;
  try {
    rs.openReadOnly(tenWayJoin, connection);
    ADD_FAILURE() << "ten billion rows counted within a second";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(errnum::kDbTimeout, error.number());
    EXPECT_EQ(kTimeoutText, error.description());
  }
  EXPECT_EQ(departments, countOf(connection, "Department"));
  Recordset next;
  next.openReadOnly("select count(*) from Person", connection);
  EXPECT_EQ(persons, CStr(next.field(0).value()));
}

// Client queries cannot read the users' stored passwords, in the select list or anywhere else;
// the account's own code can.
TEST(RecordsetReadOnly, RefusesToReadStoredPasswords) {
  const CaseAccount account;
  Connection connection;
  connection.open(account.connectString());
  const char* const refused[] = {
      "select cUser_ID,cPassword from vqsystem..UA_User",
      "select * from vqsystem..UA_User",
      "select cUser_ID from vqsystem..UA_User where cPassword like N'$%'",
      "select u.cUser_ID from UA_User u order by u.CPASSWORD",
      "select max(len(cPassword)) from vqsystem.dbo.UA_User",
  };
  for (const char* text : refused) {
    Recordset rs;
    try {
      rs.openReadOnly(text, connection);
      ADD_FAILURE() << text << " must be refused";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(errnum::kDbPermissionDenied, error.number()) << text;
      EXPECT_EQ(kPermissionText, error.description()) << text;
    }
  }
  Recordset names;
  names.openReadOnly("select cUser_ID,cUser_Name from vqsystem..UA_User order by cUser_ID", connection);
  EXPECT_EQ(countOf(connection, "vqsystem..UA_User"), std::to_string(names.recordCount()));
  Recordset own;
  own.open("select cPassword from vqsystem..UA_User where cUser_ID=N'demo'", connection);
  EXPECT_FALSE(own.eof());
}

// The account's own code keeps its statements prepared on the connection; a client text that
// translates to the same statement must still pass the refusal, not reuse the kept one.
TEST(RecordsetReadOnly, RefusesPasswordsThatTheAccountsOwnCodeReadThroughTheSameText) {
  const CaseAccount account;
  Connection connection;
  connection.open(account.connectString());
  const std::string text = "select cPassword from vqsystem..UA_User";
  for (int run = 0; run < 2; ++run) {
    Recordset own;
    own.open(text, connection);
    EXPECT_TRUE(CStr(own.field(0).value()).starts_with("$argon2id$"));
    Recordset client;
    try {
      client.openReadOnly(text, connection);
      ADD_FAILURE() << "the client's text must be refused";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(errnum::kDbPermissionDenied, error.number());
    }
  }
}

// A client's text leaves the statements the connection keeps prepared as they are: SQLite prepares
// every one of them again after its authorizer is set.
TEST(RecordsetReadOnly, LeavesTheKeptStatementsPrepared) {
  const CaseAccount account;
  Connection connection;
  connection.open(account.connectString());
  Recordset own;
  own.open("select cDepName from Department", connection);
  own.close();
  Recordset client;
  client.openReadOnly("select cPersonCode from Person", connection);
  own.open("select cDepName from Department", connection);
  const StatementLease kept =
      StatementCache::lease(&statementCache(connection), sqliteHandle(connection), "SELECT cDepName FROM Department");
  EXPECT_EQ(sqlite3_stmt_status(kept.get(), SQLITE_STMTSTATUS_REPREPARE, 0), 0);
  EXPECT_EQ(sqlite3_stmt_status(kept.get(), SQLITE_STMTSTATUS_RUN, 0), 2);
}

}  // namespace
}  // namespace corvane::db
