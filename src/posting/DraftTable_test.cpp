#include "posting/DraftTable.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "request/SqlText.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

class DraftTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    login = account.logIn("demo", "zh-CN");
    connection.open(account.connectString());
    table = CreatePZTbl(connection, *login);
    ASSERT_EQ(table.rfind("tempdb..vqtmp", 0), 0u) << table;
  }

  CaseAccount account;
  std::unique_ptr<EmbeddedLoginContext> login;
  db::Connection connection;
  std::string table;
};

TEST_F(DraftTableTest, ColumnsReadBackInOrderWithTheirTypes) {
  db::Recordset rs;
  rs.open("select * from " + table + " where 1 = 2", connection, db::adOpenStatic);
  const auto columns = DraftColumns();
  ASSERT_EQ(rs.fieldCount(), static_cast<int>(columns.size()));
  for (int i = 0; i < rs.fieldCount(); ++i) EXPECT_EQ(rs.field(i).name(), columns[i].name) << i;
  // The types the save of an edited draft chooses its literals by.
  struct Case {
    const char* column;
    db::DataType type;
  } const cases[] = {
      {"inid", db::adInteger},  {"ioutperiod", db::adInteger}, {"cDefine5", db::adInteger},
      {"nfrat", db::adDouble},  {"cDefine16", db::adDouble},   {"md", db::adCurrency},
      {"mc_f", db::adCurrency}, {"bvouchedit", db::adBoolean}, {"bWH_BgFlag", db::adBoolean},
  };
  for (const Case& c : cases) EXPECT_EQ(rs.field(c.column).type(), c.type) << c.column;
  EXPECT_NE(rs.field("csign").type(), db::adInteger);
  EXPECT_NE(rs.field("bDirFlag").type(), db::adBoolean);
}

TEST_F(DraftTableTest, DefaultsComeFromTheLoginAtCreation) {
  connection.execute(FixSqlText("insert into " + table + " (coutsign, coutno_id) values ('记', 'L1')"));
  db::Recordset rs;
  rs.open(
      "select ccode, coutaccset, ioutyear, ioutperiod, coutsysname, coutsysver, bvouchedit, bPCSedit, "
      "bCusSupInput, bWH_BgFlag, ccodename from " +
          table,
      connection);
  EXPECT_EQ(CStr(rs.field("ccode").value()), "");
  EXPECT_EQ(CStr(rs.field("coutaccset").value()), login->AccountId());
  EXPECT_EQ(CStr(rs.field("ioutyear").value()), login->LoginYear());
  EXPECT_EQ(CLng(rs.field("ioutperiod").value()), login->LoginPeriod());
  EXPECT_EQ(CStr(rs.field("coutsysname").value()), "KX");
  EXPECT_EQ(CStr(rs.field("coutsysver").value()), "8.60");
  EXPECT_FALSE(CBool(rs.field("bvouchedit").value()));
  EXPECT_TRUE(CBool(rs.field("bPCSedit").value()));
  EXPECT_TRUE(CBool(rs.field("bCusSupInput").value()));
  EXPECT_FALSE(CBool(rs.field("bWH_BgFlag").value()));
  EXPECT_TRUE(rs.field("ccodename").value().isNull());
}

TEST_F(DraftTableTest, LinesWithoutSourceSignOrNumberAreRefused) {
  for (const char* columns : {"(coutno_id) values ('L1')", "(coutsign) values ('记')",
                              "(coutsign, coutno_id, bWH_BgFlag) values ('记', 'L1', null)"}) {
    EXPECT_THROW(connection.execute(FixSqlText("insert into " + table + " " + columns)), RuntimeError) << columns;
  }
}

TEST_F(DraftTableTest, EachTableIsNew) {
  const std::string second = CreatePZTbl(connection, *login);
  EXPECT_NE(second, table);
  db::Recordset rs;
  rs.open("select count(*) as n from " + second, connection);
  EXPECT_EQ(CLng(rs.field("n").value()), 0);
}

}  // namespace
}  // namespace corvane
