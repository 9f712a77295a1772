#include <gtest/gtest.h>

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionTestAccount.h"
#include "platform/db/Recordset.h"

namespace corvane::db {
namespace {

const char* const kCompanySql =
    "CREATE TABLE Department (cDepCode nvarchar(12) PRIMARY KEY, cDepName nvarchar(50));"
    "CREATE TABLE Person (cPersonCode nvarchar(20) PRIMARY KEY, cDepCode nvarchar(12));"
    "INSERT INTO Department VALUES ('01', 'Office'), ('02', 'Sales');"
    "INSERT INTO Person VALUES ('P1', '01');";

std::string departmentCount(Connection& connection) {
  Recordset rs;
  rs.open("select count(*) from Department", connection);
  return CStr(rs.field(0).value());
}

// Client texts opened read-only: whatever they hold, only a single reading statement runs.
TEST(RecordsetReadOnly, RunsOnlyASingleStatementThatReads) {
  const ConnectionTestAccount account(kCompanySql, "", "");
  Connection connection;
  connection.open(account.connectionString());
  const std::string before = departmentCount(connection);

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
  EXPECT_EQ(before, departmentCount(connection));
  Recordset stolen;
  stolen.open("select count(*) from tempdb..sysobjects where name=N'vqtmpStolen'", connection);
  EXPECT_EQ("0", CStr(stolen.field(0).value()));
}

}  // namespace
}  // namespace corvane::db
