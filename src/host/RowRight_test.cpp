#include "host/RowRight.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/TestLogin.h"

namespace corvane {
namespace {

class RowRightTest : public ::testing::Test {
 protected:
  std::string ask(const std::string& userId, const std::string& object, const std::string& a2 = "") {
    const std::unique_ptr<RowRight> service = CreateRowRight();
    service->init(account.connectString(), userId);
    return service->GetAuthString(object, a2);
  }

  CaseAccount account;
};

// The demo clerk: departments and persons through the clerks' group, one more person and his
// own vouchers granted to him directly, the items of class 01 through the group.
TEST_F(RowRightTest, DemoClerk) {
  struct Case {
    std::string object, a2, expected;
  } const cases[] = {
      {"department", "", "'02','0301'"},
      {"person", "", "'0003','0004','0005'"},
      {"fitem", "", "Select 'P2601' Union Select 'P2602' Union Select 'P2603'"},
      {"fitem", "01", "Select 'P2601' Union Select 'P2602' Union Select 'P2603'"},
      {"fitem", "02", "1=2"},
      {"user", "", "'李晓燕'"},
      {"USER", "", "'李晓燕'"},
      {"Department", "", "'02','0301'"},
      {"djmb", "KX01", "'11','12'"},
      {"djmb", "KX02", "1=2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ask("clerk", c.object, c.a2), c.expected) << c.object << "/" << c.a2;
  }
}

TEST_F(RowRightTest, GroupGrantsReachEveryMemberAndNothingElse) {
  db::Connection connection;
  connection.open(account.connectString());
  connection.execute(
      "insert into vqsystem..UA_User (cUser_ID, cUser_Name) values ('clerk2', 'O''Neil'), "
      "('loner', 'Loner')");
  connection.execute(
      "insert into vqsystem..UA_Role (cUser_id, cgroup_id) values "
      "('clerk2', 'KXCLERK')");
  connection.execute(
      "insert into RowRightGrant (cHolder_ID, iIsUser, cBusObject, cKey, cObjectID) values "
      "('clerk2', 1, 'user', '', 'clerk2'), ('clerk2', 1, 'user', '', 'clerk')");
  struct Case {
    std::string user, object, a2, expected;
  } const cases[] = {
      {"clerk2", "person", "", "'0003','0004'"},  // not the clerk's own 0005
      {"clerk2", "user", "", "'O''Neil','李晓燕'"},
      {"clerk2", "djmb", "KX01", "'11','12'"},
      {"clerk2", "djmb", "", "'11','12','31','32'"},
      {"loner", "department", "", "1=2"},
      {"loner", "user", "", "1=2"},
      {"loner", "djmb", "KX01", "1=2"},
      {"nobody", "person", "", "1=2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ask(c.user, c.object, c.a2), c.expected) << c.user << " " << c.object;
  }

  connection.execute("update RowRightObject set bControl = 0 where cBusObject = 'department'");
  EXPECT_EQ(ask("loner", "department"), "");
}

// The grants are read at init: ids that differ only in case count once and come in SQLite's
// NOCASE order, as the tables' own DISTINCT and ORDER BY give them, and a later change is seen by
// the next service only.
TEST_F(RowRightTest, AnswersFromTheGrantsReadAtInitInTheTablesOrder) {
  db::Connection connection;
  connection.open(account.connectString());
  connection.execute(
      "insert into RowRightGrant (cHolder_ID, iIsUser, cBusObject, cKey, cObjectID) values "
      "('clerk', 1, 'department', '', 'b'), ('clerk', 1, 'Department', '', 'A_'), "
      "('clerk', 1, 'department', '', 'a'), ('clerk', 1, 'department', '', 'AB'), "
      "('clerk', 1, 'department', '', 'ab1'), ('clerk', 1, 'department', '', '0301'), "
      "('clerk', 1, 'DJMB', 'kx01', 'Z9')");
  std::string byTheTables;
  db::Recordset rs;
  rs.open(
      "select distinct cObjectID from RowRightGrant where cBusObject = 'DEPARTMENT' and "
      "(cHolder_ID = 'clerk' or cHolder_ID = 'KXCLERK') order by cObjectID",
      connection);
  for (; !rs.eof(); rs.moveNext()) {
    byTheTables += (byTheTables.empty() ? "'" : ",'") + CStr(rs.field(0).value()) + "'";
  }
  ASSERT_EQ(byTheTables, "'02','0301','a','A_','AB','ab1','b'");

  const std::unique_ptr<RowRight> service = CreateRowRight();
  service->init(account.connectString(), "clerk");
  connection.execute("delete from RowRightGrant where cObjectID = 'b'");
  EXPECT_EQ(service->GetAuthString("department"), byTheTables);
  EXPECT_EQ(service->GetAuthString("djmb", "KX01"), "'11','12','Z9'");
  EXPECT_EQ(ask("clerk", "department"), "'02','0301','a','A_','AB','ab1'");
}

TEST_F(RowRightTest, FailuresRaise) {
  EXPECT_THROW(CreateRowRight()->GetAuthString("department"), RuntimeError);  // no init
  const std::unique_ptr<RowRight> service = CreateRowRight();
  EXPECT_THROW(service->init("Data Source=/nonexistent/corvane-account", "clerk"), RuntimeError);
}

}  // namespace
}  // namespace corvane
