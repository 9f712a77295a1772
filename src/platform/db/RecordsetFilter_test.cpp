#include <gtest/gtest.h>

#include <functional>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetXml.h"
#include "support/ConnectionTestAccount.h"

namespace corvane::db {
namespace {

const char* const kTempSql =
    "CREATE TABLE Merged (iid int, ccode nvarchar(20), cdept_id nvarchar(20), mc money, bdirflag bit,"
    " dbill_date datetime);"
    "INSERT INTO Merged VALUES"
    " (1, '1001', NULL, 100, 0, '2005-08-02 00:00:00'),"
    " (2, '1001', 'D1', 0, 0, '2005-08-03 00:00:00'),"
    " (3, '', NULL, 50.5, 0, NULL),"
    " (4, '5501', NULL, 12.25, 1, '2005-08-02 00:00:00'),"
    " (5, 'it''s ', 'd1', 7, 0, NULL),"
    " (12, 'abc', NULL, NULL, 0, NULL);";

class RecordsetFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    connection.open(account.connectionString());
    recordset.open("SELECT * FROM tempdb..Merged ORDER BY iid", connection, adOpenStatic);
  }

  std::string visibleIds() {
    std::string ids;
    for (recordset.moveFirst(); !recordset.eof(); recordset.moveNext()) {
      ids += (ids.empty() ? "" : ",") + CStr(recordset.field("iid").value());
    }
    return ids;
  }

  ConnectionTestAccount account{"", "", kTempSql};
  Connection connection;
  Recordset recordset;
};

TEST_F(RecordsetFilterTest, ShowsTheRecordsThatMeetEveryCriterion) {
  struct Case {
    const char* criteria;
    const char* ids;
  };
  static const Case cases[] = {
      {"iid=1", "1"},
      {"iid=12", "12"},
      {" bdirflag=0 and ccode<>'' and mc<>0 ", "1,5"},
      {"mc = null", "12"},
      {" bdirflag=0 and ccode<>'' and mc<>0  and ccode='1001' and cdept_id= null", "1"},
      {"cdept_id = 'D1'", "2,5"},
      {"cdept_id<>null", "2,5"},
      {"ccode='IT''S'", "5"},
      {"[ccode] = 'ABC'", "12"},
      {"mc >= 12.25 AND mc < 100", "3,4"},
      {"mc<=0", "2"},
      {"iid>4", "5,12"},
      {"bdirflag = 1", "4"},
      {"dbill_date = #2005-08-02#", "1,4"},
      {"dbill_date>'2005-8-2'", "2"},
      {"iid=99", ""},
      {"", "1,2,3,4,5,12"},
  };
  for (const Case& c : cases) {
    recordset.setFilter(c.criteria);
    EXPECT_EQ(visibleIds(), c.ids) << c.criteria;
    EXPECT_EQ(recordset.filter(), c.criteria);
  }
}

TEST_F(RecordsetFilterTest, RefusesCriteriaItCannotRead) {
  static const char* const unreadable[] = {
      "iid", "iid=", "iid 1", "iid=abc", "iid=1 or iid=2", "ccode='x", "iid=1 and", "iid=1 iid=2", "[iid=1",
  };
  for (const char* criteria : unreadable) {
    try {
      recordset.setFilter(criteria);
      ADD_FAILURE() << criteria;
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.number(), kErrInvalidArgument) << criteria;
    }
  }
  try {
    recordset.setFilter("nope=1");
    ADD_FAILURE();
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), errnum::kDbItemNotFound);
  }
  EXPECT_EQ(recordset.recordCount(), 6) << "a refused filter leaves the set as it was";
}

TEST_F(RecordsetFilterTest, CountingMovingAndSavingSeeTheFilteredRecordsOnly) {
  recordset.moveLast();
  recordset.setFilter("ccode<>''");
  EXPECT_EQ(recordset.field("iid").value(), Variant::longValue(1)) << "a filter starts at its first record";
  EXPECT_EQ(recordset.recordCount(), 5);
  recordset.moveLast();
  EXPECT_EQ(recordset.field("iid").value(), Variant::longValue(12));

  XmlDocument document;
  saveAsXml(recordset, document);
  EXPECT_EQ(document.selectNodes("xml/rs:data/z:row").size(), 5u);
  recordset.setFilter("");
  EXPECT_EQ(recordset.recordCount(), 6);
}

}  // namespace
}  // namespace corvane::db
