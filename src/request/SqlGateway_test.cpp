#include "request/SqlGateway.h"

#include <gtest/gtest.h>

#include <optional>

#include "platform/db/Connection.h"
#include "support/CaseAccount.h"
#include "support/ScopedLocale.h"

namespace corvane {
namespace {

class SqlGatewayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    connection.open(account.connectString());
    sql::execute(connection, "create table GatewayRows (code nvarchar(10), amount money)");
  }

  CaseAccount account;
  db::Connection connection;
};

// Literals reach the database as national literals and, under "en-us", aliases bracketed: a
// non-ASCII literal comes back whole, and an alias with a blank names its column whole.
TEST_F(SqlGatewayTest, PassesEveryTextThroughTheRewriting) {
  const ScopedLocale english("en-us");
  EXPECT_EQ(sql::execute(connection, "insert into GatewayRows (code, amount) values ('借款', 12.5)"), 1);
  const db::Recordset rs = sql::open(connection, "select code as the code from GatewayRows");
  ASSERT_FALSE(rs.eof());
  EXPECT_EQ(CStr(rs.field("the code").value()), "借款");
}

TEST_F(SqlGatewayTest, CountsReadsAndFindsRows) {
  sql::execute(connection, "insert into GatewayRows (code, amount) values ('a', 1)");
  sql::execute(connection, "insert into GatewayRows (code, amount) values ('b', 2)");
  struct Case {
    const char* tsql;
    std::optional<long> count;  // none for a text column
    const char* text;
    bool exists;
  } const cases[] = {
      {"select count(*) from GatewayRows", 2, "2", true},
      {"select sum(amount) from GatewayRows where code = 'z'", 0, "", true},  // Null
      {"select amount from GatewayRows where code = 'z'", 0, "", false},      // no row
      {"select max(amount) from GatewayRows", 2, "2", true},
      {"select code from GatewayRows order by code desc", std::nullopt, "b", true},
  };
  for (const Case& c : cases) {
    if (c.count) {
      EXPECT_EQ(sql::count(connection, c.tsql), *c.count) << c.tsql;
    }
    EXPECT_EQ(sql::text(connection, c.tsql), c.text) << c.tsql;
    EXPECT_EQ(sql::exists(connection, c.tsql), c.exists) << c.tsql;
  }
}

TEST_F(SqlGatewayTest, ReadOnlyOpenRefusesAWrite) {
  EXPECT_ANY_THROW(sql::openReadOnly(connection, "delete from GatewayRows"));
  EXPECT_TRUE(sql::openReadOnly(connection, "select code from GatewayRows").isOpen());
}

}  // namespace
}  // namespace corvane
