#include "request/RowXml.h"

#include <gtest/gtest.h>

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

class RowXmlTest : public testing::Test {
 protected:
  void SetUp() override {
    connection.open(account.connectString());
    connection.execute(
        "CREATE TABLE tempdb..rowxml (s varchar(10) NULL, t nvarchar(20) NULL, d datetime NULL, "
        "m money NULL)");
  }
  db::Recordset open(const std::string& sql) {
    db::Recordset rs;
    rs.open(sql, connection, db::adOpenStatic);
    return rs;
  }

  CaseAccount account;
  db::Connection connection;
};

TEST_F(RowXmlTest, RowsEscapeValuesAndBlankNullAndTheEmptyDateOfTextColumns) {
  connection.execute("INSERT INTO tempdb..rowxml (s,t,d,m) VALUES ('1900-01-01','a<b & ''c''','1900-01-01',12.5)");
  connection.execute("INSERT INTO tempdb..rowxml (s,t,d,m) VALUES (NULL,'1900-01-01','2005-8-2',NULL)");
  db::Recordset rs = open("SELECT s,t,d,m FROM tempdb..rowxml ORDER BY m DESC");
  EXPECT_EQ(
      "<row s='' t='a&lt;b &amp; &apos;c&apos;' d='1900-1-1' m='12.5'/>\r\n"
      "<row s='' t='1900-01-01' d='2005-8-2' m=''/>\r\n",
      RsToRowXml(rs));
  EXPECT_TRUE(rs.eof()) << "the set is left at its end";
}

TEST_F(RowXmlTest, TheEmptyDateOfAConvertedDateIsBlank) {
  connection.execute("INSERT INTO tempdb..rowxml (d, m) VALUES (NULL, 1)");
  connection.execute("INSERT INTO tempdb..rowxml (d, m) VALUES ('2005-8-2', 2)");
  db::Recordset rs = open("SELECT convert(varchar(10), isnull(d, ''), 120) AS d FROM tempdb..rowxml ORDER BY m");
  EXPECT_EQ("<row d=''/>\r\n<row d='2005-08-02'/>\r\n", RsToRowXml(rs));
}

TEST_F(RowXmlTest, EmptyOrClosedSetsGiveEmptyText) {
  db::Recordset empty = open("SELECT s FROM tempdb..rowxml");
  EXPECT_EQ("", RsToRowXml(empty));
  EXPECT_EQ("", RsToHeadXml(empty));
  db::Recordset closed;
  EXPECT_EQ("", RsToRowXml(closed));
  EXPECT_EQ("", RsToHeadXml(closed));
}

TEST_F(RowXmlTest, HeadHoldsOneAttributePerRecord) {
  connection.execute("INSERT INTO tempdb..rowxml (s,t) VALUES ('blnOne','True'), ('strTwo','x&y'), ('strNone',NULL)");
  db::Recordset rs = open("SELECT s AS strName, t AS strValue FROM tempdb..rowxml");
  EXPECT_EQ("<head blnOne='True' strTwo='x&amp;y' strNone=''/>\r\n", RsToHeadXml(rs));
}

}  // namespace
}  // namespace corvane
