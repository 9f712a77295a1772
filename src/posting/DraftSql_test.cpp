#include "posting/DraftSql.h"

#include <gtest/gtest.h>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "request/Locale.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

TEST(DraftSqlTest, NodeSqlValueQuotesTheTextSafelyAndNullsAMissingNode) {
  XmlDocument document;
  document.loadXML("<row><a>O'Brien</a><b/></row>");
  EXPECT_EQ(NodeSqlValue(document.selectSingleNode("//a")), "'O''Brien'");
  EXPECT_EQ(NodeSqlValue(document.selectSingleNode("//b")), "''");
  EXPECT_EQ(NodeSqlValue(document.selectSingleNode("//c")), " null");
}

TEST(DraftSqlTest, PeriodOfADateInTheLoginYear) {
  const std::string previous = gLocaleID;
  gLocaleID = "en-us";
  CaseAccount account;
  const auto login = account.logIn();
  db::Connection connection;
  connection.open(account.connectString());
  struct Case {
    DateTime date;
    int period;
  };
  for (const Case& c : {Case{{2026, 1, 1}, 1}, Case{{2026, 3, 31, 18, 30, 0}, 3}, Case{{2026, 12, 31}, 12}})
    EXPECT_EQ(GetPeriodOfDate(*login, connection, c.date), c.period);
  connection.execute("Update VqSystem..UA_Period Set bIsDelete = 1 Where iID = 4");
  for (const DateTime date : {DateTime{2025, 12, 31}, DateTime{2027, 1, 1}, DateTime{2026, 4, 10}}) {
    try {
      GetPeriodOfDate(*login, connection, date);
      ADD_FAILURE() << date.toString();
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.number(), 9000);
      EXPECT_EQ(error.description(), "No accounting period holds the date.");
    }
  }
  gLocaleID = previous;
}

TEST(DraftSqlTest, FieldExistsInAnyCase) {
  CaseAccount account;
  db::Connection connection;
  connection.open(account.connectString());
  db::Recordset rs;
  rs.openReadOnly("Select ccode, md From GL_accvouch Where 1 = 2", connection);
  EXPECT_TRUE(FieldExists(rs, "ccode"));
  EXPECT_TRUE(FieldExists(rs, "MD"));
  EXPECT_FALSE(FieldExists(rs, "mc"));
}

}  // namespace
}  // namespace corvane
