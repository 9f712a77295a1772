#include "reports/DetailDataSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ReportSources.h"
#include "host/EmbeddedLoginContext.h"
#include "host/ReportEngine.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "request/Locale.h"
#include "support/CaseAccount.h"
#include "support/ReportFixture.h"
#include "support/ScopedLocale.h"

namespace corvane {
namespace {

using Rows = std::vector<std::string>;

class DetailDataSourceTest : public ::testing::Test {
 protected:
  void SetUp() override { addReportVouchers(account_); }

  // The report's rows through the engine stand-in, each as "column=value" of `columns`, sorted.
  Rows report(const std::string& progId, const std::vector<std::string>& columns, const std::string& user = "demo",
              const std::vector<ReportCondition>& filter = {}, const std::string& locale = "zh-CN") {
    const auto login = account_.logIn(user, locale);
    ReportEngine engine(*login);
    if (!filter.empty()) engine.setFilter("detail", filter);
    const auto source = CreateReportDataSource(progId);
    return rowsOf(engine.run(*source, "detail"), columns);
  }

  static Rows rowsOf(const ReportTable& table, const std::vector<std::string>& columns) {
    Rows rows;
    for (const auto& values : table.rows) {
      std::string text;
      for (const std::string& column : columns) {
        const auto at = std::find(table.columns.begin(), table.columns.end(), column);
        EXPECT_NE(at, table.columns.end()) << column;
        if (at == table.columns.end()) continue;
        text += (text.empty() ? "" : " ") + column + "=" + values[static_cast<std::size_t>(at - table.columns.begin())];
      }
      rows.push_back(text);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  long count(const std::string& sql) const {
    db::Connection connection;
    connection.open(account_.connectString());
    db::Recordset rs;
    rs.openReadOnly(sql, connection);
    return CLng(rs.field(0).value());
  }
  long tempTables(const std::string& like = "vqtmp%") const {
    return count("select count(*) from tempdb..sysobjects where name like '" + like + "'");
  }
  long recordedTables() const { return count("select count(*) from tempdb..ScratchTableBirth"); }

  CaseAccount account_;
  ScopedLocale locale_{gLocaleID};
};

const std::vector<std::string> kLoanColumns = {"strvouchid", "dblmoney", "dbllack",  "strbalancename", "blnsettle",
                                               "bauditorid", "bmarkid",  "bbudpass", "intnum"};

TEST_F(DetailDataSourceTest, LoanLinesWithOpenAmountsAndYesNoTexts) {
  EXPECT_EQ(
      report("Corvane.CReportJKTJ", kLoanColumns),
      (Rows{"strvouchid=R1 dblmoney=1000 dbllack=600 strbalancename=现金 blnsettle=否 bauditorid=是 bmarkid=是 "
            "bbudpass=否 intnum=1",
            "strvouchid=R2 dblmoney=2500 dbllack=2500 strbalancename=现金 blnsettle=否 bauditorid=否 bmarkid=否 "
            "bbudpass=否 intnum=1",
            "strvouchid=R3 dblmoney=0 dbllack=0 strbalancename=现金 blnsettle=否 bauditorid=否 bmarkid=否 "
            "bbudpass=否 intnum=1",
            "strvouchid=R4 dblmoney=300 dbllack=300 strbalancename=银行转账 blnsettle=是 bauditorid=是 bmarkid=否 "
            "bbudpass=否 intnum=1"}));
  // The engine read the table and dropped it.
  EXPECT_EQ(tempTables(), 0);
}

TEST_F(DetailDataSourceTest, TheLocaleComesFromTheLoginBeforeAnyTextIsRead) {
  gLocaleID = "zh-CN";
  EXPECT_EQ(report("Corvane.CReportJKTJ", {"strvouchid", "blnsettle", "bauditorid"}, "demo",
                   {{"strdepartid", "=", "04"}}, "en-us"),
            (Rows{"strvouchid=R3 blnsettle=No bauditorid=No", "strvouchid=R4 blnsettle=Yes bauditorid=Yes"}));
}

TEST_F(DetailDataSourceTest, TheEnginesFilterNarrowsTheRows) {
  struct Case {
    std::vector<ReportCondition> filter;
    Rows expected;
  };
  const Case cases[] = {
      {{{"strdepartid", "=", "0301"}}, {"strvouchid=R1", "strvouchid=R2"}},
      {{{"strdepartid", "=", "0301"}, {"dbllack", "<", "1000"}}, {"strvouchid=R1"}},
      {{{"strvouchid", "=", "R1' or '1'='1"}}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(report("Corvane.CReportJKTJ", {"strvouchid"}, "demo", c.filter), c.expected);
  }
}

// A report manager whose filter is any text, as a host's engine may hand over.
class TextFilterManager final : public ReportManager {
 public:
  explicit TextFilterManager(std::string sql) : sql_(std::move(sql)) {}
  std::unique_ptr<ReportFilter> ReportFilterByName(std::string&) override {
    struct Filter final : ReportFilter {
      std::string sql;
      Variant SQLString() const override { return Variant(sql); }
    };
    auto filter = std::make_unique<Filter>();
    filter->sql = sql_;
    return filter;
  }

 private:
  std::string sql_;
};

TEST_F(DetailDataSourceTest, ARestrictedUserSeesOnlyLinesWhoseUsersAreAllItsOwn) {
  // The clerk's user rights name 李晓燕: R1 alone has maker, approver and ledger maker all his.
  EXPECT_EQ(report("Corvane.CReportJKTJ", {"strvouchid"}, "clerk"), (Rows{"strvouchid=R1"}));

  // A filter with "or" cannot widen the rights: it is taken as one condition.
  const auto login = account_.logIn("clerk");
  TextFilterManager manager("strdepartid='04' or 1=1");
  const auto source = CreateReportDataSource("corvane.creportjktj");
  source->setObjReportManager(&manager);
  source->setObjLogin(login.get());
  source->setMConnectionString(account_.connectString());
  const std::string table = source->TempTablename();
  EXPECT_EQ(table.rfind("tempdb..vqtmp", 0), 0u);
  EXPECT_TRUE(source->MoveDataDetail());
  EXPECT_TRUE(source->MoveDataDetail());  // again without a new name: the same table, made anew
  db::Connection connection;
  connection.open(account_.connectString());
  db::Recordset rs;
  rs.openReadOnly("select strvouchid from " + table, connection);
  ASSERT_FALSE(rs.eof());
  EXPECT_EQ(CStr(rs.field(0).value()), "R1");
  rs.moveNext();
  EXPECT_TRUE(rs.eof());
  EXPECT_EQ(source->strSubTitle(), "");
  EXPECT_TRUE(source->OnValidateFilter());

  // No user allowed at all: an empty table, not an error.
  account_.execute("DELETE FROM RowRightGrant WHERE cBusObject='user'");
  EXPECT_EQ(report("Corvane.CReportJKTJ", {"strvouchid"}, "clerk"), Rows{});
}

TEST_F(DetailDataSourceTest, ClaimLinesOutsideTheUsersDataRightsAreLeftOut) {
  const std::vector<std::string> columns = {"strvouchid",    "dblmoney",   "strloanclass", "strjttoolsname",
                                            "strioitemname", "bauditorid", "bbudpass",     "blnaudi"};
  EXPECT_EQ(report("Corvane.CReportSZTJ", columns),
            (Rows{"strvouchid=S1 dblmoney=100 strloanclass=经理 strjttoolsname= strioitemname=住宿费 bauditorid=是 "
                  "bbudpass=是 blnaudi=是",
                  "strvouchid=S1 dblmoney=200 strloanclass=经理 strjttoolsname=飞机 strioitemname=交通费 bauditorid=是 "
                  "bbudpass=是 blnaudi=是",
                  "strvouchid=S2 dblmoney=450.25 strloanclass=经理 strjttoolsname= strioitemname=住宿费 bauditorid=否 "
                  "bbudpass=否 blnaudi=否",
                  "strvouchid=S3 dblmoney=50 strloanclass=职员 strjttoolsname= strioitemname=押金收入 bauditorid=是 "
                  "bbudpass=否 blnaudi=是"}));
  // Users not under control: the clerk is narrowed by department and person only; S3 (department
  // 04) is left out instead of written with empty head columns.
  account_.execute("UPDATE RowRightObject SET bControl=0 WHERE cBusObject='user'");
  EXPECT_EQ(
      report("Corvane.CReportSZTJ", {"strvouchid", "strdepartid"}, "clerk"),
      (Rows{"strvouchid=S1 strdepartid=0301", "strvouchid=S1 strdepartid=0301", "strvouchid=S2 strdepartid=0301"}));
  EXPECT_EQ(report("Corvane.CReportJKTJ", {"strvouchid"}, "clerk"), (Rows{"strvouchid=R1", "strvouchid=R2"}));
}

TEST_F(DetailDataSourceTest, TheTableIsLeftForTheEngineAndSweptOnceADayOld) {
  // The engine reads the table and drops it, with its record.
  report("Corvane.CReportSZTJ", {"strvouchid"});
  EXPECT_EQ(tempTables(), 0);
  EXPECT_EQ(recordedTables(), 0);

  // An engine that never drops it: the table outlives the fill, stays while it is young and is
  // swept at the first opening of the account a day later.
  const auto login = account_.logIn("demo", "zh-CN");
  ReportEngine engine(*login);
  const auto source = CreateReportDataSource("Corvane.CReportSZTJ");
  source->setObjReportManager(&engine);
  source->setReportTitle("detail");
  source->setObjLogin(login.get());
  source->setMConnectionString(login->ConnectString());
  const std::string table = source->TempTablename().substr(std::string("tempdb..").size());
  ASSERT_TRUE(source->MoveDataDetail());
  EXPECT_EQ(tempTables(table), 1);
  account_.execute("UPDATE tempdb..ScratchTableBirth SET dCreated = '2000-01-01 00:00:00' WHERE cName = '" + table +
                   "'");
  EXPECT_EQ(tempTables(table), 0);
  EXPECT_EQ(recordedTables(), 0);
}

TEST(ReportEngineTest, FilterConditionsAreCheckedNamesAndKnownOperators) {
  const ReportCondition read = ParseReportCondition("dblmoney<=100");
  EXPECT_EQ(read.column, "dblmoney");
  EXPECT_EQ(read.op, "<=");
  EXPECT_EQ(read.value, "100");
  EXPECT_EQ(ParseReportCondition("strused<>a=b").value, "a=b");
  for (const char* text : {"nooperator", "=x", "a b=1", "x;drop table t=1"}) {
    EXPECT_THROW(ParseReportCondition(text), RuntimeError) << text;
  }
  EXPECT_THROW(CreateReportDataSource("Corvane.CReport"), RuntimeError);
}

}  // namespace
}  // namespace corvane
