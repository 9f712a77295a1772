#include "reports/CReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/EmbeddedLoginContext.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "request/Locale.h"
#include "request/Messages.h"
#include "support/CaseAccount.h"
#include "support/ReportFixture.h"
#include "support/ScopedLocale.h"
#include "support/TestHost.h"

namespace corvane {
namespace {

using Rows = std::vector<std::string>;

class CReportTest : public ::testing::Test {
 protected:
  void SetUp() override { addReportVouchers(account_); }

  XmlDocument serve(const std::string& request, const std::string& user = "demo", Host* host = nullptr) {
    CReport report;
    return account_.serve(report, request, user, "zh-CN", DateTime::parse("2026-4-1"), host);
  }

  // Each row of the n-th func's data as "column=value" of `columns` (absent columns left out),
  // sorted, so that a report's rows compare without regard to their order.
  static Rows rowsOf(const XmlDocument& reply, const std::vector<std::string>& columns, int func = 1) {
    Rows rows;
    for (const XmlNode& row :
         reply.selectNodes("//func[" + std::to_string(func) + "]/out/success/data/xml/rs:data/z:row")) {
      std::string text;
      for (const std::string& column : columns) {
        if (const auto value = row.findAttribute(column)) text += (text.empty() ? "" : " ") + column + "=" + *value;
      }
      rows.push_back(text);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  static std::string at(const XmlDocument& reply, const std::string& xpath) {
    const XmlNode node = reply.selectSingleNode(xpath);
    return node ? node.text() : "(none)";
  }

  // Tables made in tempdb and not dropped again.
  long tempTables() const {
    db::Connection connection;
    connection.open(account_.connectString());
    db::Recordset rs;
    rs.openReadOnly("select count(*) from tempdb..sysobjects where name like 'vqtmp%'", connection);
    return CLng(rs.field(0).value());
  }

  CaseAccount account_;
  ScopedLocale locale_{gLocaleID};
};

std::string page(int current, int rows) {
  return "<page><current>" + std::to_string(current) + "</current><rows>" + std::to_string(rows) + "</rows></page>";
}

// ---- the dispatcher and the loan alert list ----

TEST_F(CReportTest, TheAlertListPagesEveryLoanWithItsOutstandingAmount) {
  const XmlDocument reply = serve("<req><func name='loanalertdata'><in>" + page(2, 4) + "<cond/></in></func></req>");
  EXPECT_EQ(at(reply, "//page/count"), "3");
  EXPECT_EQ(at(reply, "//page/current"), "2");
  // AutoIDs follow the insertion: the last page holds R9 to R11.
  EXPECT_EQ(rowsOf(reply, {"strvouchid", "dbllack"}),
            (Rows{"strvouchid=R10 dbllack=-100", "strvouchid=R11 dbllack=0", "strvouchid=R9 dbllack=100"}));
  const XmlDocument all = serve("<req><func name='loanalertdata'><in>" + page(0, 0) +
                                "<cond><row name='strdepartid' fieldname='kx_loanvouch.strdepartid' fieldtype='0' "
                                "value='04' type='0'/></cond></in></func></req>");
  // Null repaid counts as 0; the opening loan carries its mark.
  EXPECT_EQ(rowsOf(all, {"strvouchid", "dblmoney", "dbllack", "strdepartname"}),
            (Rows{"strvouchid=R3 dblmoney=700.5 dbllack=700.5 strdepartname=技术部",
                  "strvouchid=R4* dblmoney=300 dbllack=300 strdepartname=技术部"}));
}

TEST_F(CReportTest, TheClerkSeesOnlyTheLoansOfItsRightsAndARefusedRightIsThatFuncsAnswer) {
  // Without report rights: each func answers the refusal and the walk goes on.
  const XmlDocument refused = serve(
      "<req><func name='loanalertdata'><in>" + page(0, 0) + "<cond/></in></func><func name='ageget'><in/></func></req>",
      "clerk");
  EXPECT_EQ(at(refused, "//func[1]/out/error/id").rfind("Corvane:MSG:ApplyTask:", 0), 0u);
  EXPECT_EQ(at(refused, "//func[2]/out/error/id").rfind("Corvane:MSG:ApplyTask:", 0), 0u);

  grantClerkReports(account_);
  const XmlDocument reply =
      serve("<req><func name='loanalertdata'><in>" + page(0, 0) + "<cond/></in></func></req>", "clerk");
  EXPECT_EQ(rowsOf(reply, {"strvouchid"}),
            (Rows{"strvouchid=R1", "strvouchid=R11", "strvouchid=R2", "strvouchid=R7", "strvouchid=R8"}));
}

TEST_F(CReportTest, NoMatchingLoanIsError1001AndAnUnknownFuncIsNoAnswer) {
  const XmlDocument reply = serve(
      "<req><func name='nosuchfunc'/><func name='loanalertdata'><in>" + page(0, 5) +
      "<cond><row fieldname='kx_loanvouch.strvouchid' fieldtype='0' value='none' type='0'/></cond></in></func></req>");
  EXPECT_TRUE(reply.selectSingleNode("//func[1]/out/*").isNull());
  EXPECT_EQ(at(reply, "//func[2]/out/error/id"), "Corvane:CReport:LoanAlertData:1001");
  EXPECT_EQ(at(reply, "//func[2]/out/error/text"), "没有符合条件的记录。");
  const XmlDocument noPage = serve("<req><func name='loanalertdata'><in><cond/></in></func></req>");
  EXPECT_EQ(at(noPage, "//out/error/id"), "Corvane:CReport:LoanAlertData:91");
}

TEST_F(CReportTest, WithoutALoginTheWholeRequestIsTheDispatchersError) {
  XmlDocument document;
  ASSERT_TRUE(document.loadXML("<req><func name='loanalertdata'/></req>"));
  CReport().myHandle(nullptr, document);
  EXPECT_EQ(at(document, "/error/id"), "Corvane:CReport:myHandle");
  EXPECT_EQ(at(document, "/error/text"), GetResString("Z7.Corvane.0001"));
}

// ---- loan aging ----

const std::string kDemoIntervals =
    "<age><row cdays='30天以内' icount='30'/><row cdays='31-60天' icount='60'/><row cdays='61-90天' icount='90'/>"
    "<row cdays='90天以上' icount='0'/></age>";

std::string ageFunc(const std::string& grouping, const std::string& intervals = kDemoIntervals, int current = 0,
                    int rows = 0) {
  return "<func name='loanagedata' goon='1'><in><age>" + intervals + "</age><type><row name='stritem' value='" +
         grouping + "'/><row name='dtdate' value='2026-04-01'/></type>" + page(current, rows) + "<cond/></in></func>";
}

const std::vector<std::string> kAgeColumns = {"cclasscode", "ccode",  "imoney0", "irate0", "imoney1", "irate1",
                                              "imoney2",    "irate2", "imoney3", "irate3", "imoney",  "cname"};

TEST_F(CReportTest, AgingByEachGroupingWithTheDemoIntervals) {
  struct Case {
    const char* grouping;
    Rows expected;
  };
  const Case cases[] = {
      {"部门",
       {"ccode=01 imoney0=100.00 imoney1=-100.00 imoney=0 cname=总经理办公室",
        "ccode=02 imoney0=0.30 irate0=100.00 imoney=0.3 cname=财务部",
        "ccode=0301 imoney0=600.00 irate0=19.35 imoney1=2500.00 irate1=80.65 imoney=3100 cname=华东销售组",
        "ccode=04 imoney2=700.50 irate2=70.01 imoney3=300.00 irate3=29.99 imoney=1000.5 cname=技术部"}},
      {"借款人",
       {"ccode=0002 imoney0=100.00 imoney1=-100.00 imoney=0 cname=孙慧",
        "ccode=0003 imoney0=0.30 irate0=0.01 imoney1=2500.00 irate1=99.99 imoney=2500.3 cname=李晓燕",
        "ccode=0005 imoney0=600.00 irate0=100.00 imoney=600 cname=王海涛",
        "ccode=0009 imoney2=700.50 irate2=70.01 imoney3=300.00 irate3=29.99 imoney=1000.5 cname=郑凯"}},
      {"人员级别",
       {"ccode=01 imoney0=600.00 irate0=100.00 imoney=600 cname=经理",
        "ccode=02 imoney0=0.30 irate0=0.01 imoney1=2500.00 irate1=71.41 imoney2=700.50 irate2=20.01 imoney3=300.00 "
        "irate3=8.57 imoney=3500.8 cname=职员"}},
      {"项目大类",
       {"ccode=01 imoney0=600.00 irate0=19.35 imoney1=2500.00 irate1=80.65 imoney=3100 cname=项目",
        "ccode=ch imoney2=700.50 irate2=70.01 imoney3=300.00 irate3=29.99 imoney=1000.5 cname=存货"}},
      {"项目",
       {"cclasscode=01 ccode=P2601 imoney0=600.00 irate0=100.00 imoney=600 cname=华东渠道拓展",
        "cclasscode=01 ccode=P2602 imoney1=2500.00 irate1=100.00 imoney=2500 cname=新品发布会",
        "cclasscode=ch ccode=A001 imoney2=700.50 irate2=70.01 imoney3=300.00 irate3=29.99 imoney=1000.5 "
        "cname=工业控制器"}},
      {"预算项目",
       {"ccode=B01 imoney0=600.00 irate0=19.35 imoney1=2500.00 irate1=80.65 imoney=3100 cname=差旅预算",
        "ccode=B02 imoney2=700.50 irate2=100.00 imoney=700.5 cname=设备预算"}},
  };
  for (const Case& c : cases) {
    const XmlDocument reply = serve("<req>" + ageFunc(c.grouping) + "</req>");
    EXPECT_EQ(rowsOf(reply, kAgeColumns), c.expected) << c.grouping << "\n" << at(reply, "//out/error/text");
    EXPECT_EQ(at(reply, "//page/count"), "1");
  }
  EXPECT_EQ(tempTables(), 0);
}

TEST_F(CReportTest, AgingSharesAreExactQuotientsRoundedToCents) {
  // Department 02: 0.1 and 0.2 in two intervals, a third and two thirds of 0.3. Department 04:
  // 2.01 and 197.99 of 200 are shares of exactly 1.005 and 98.995; each rounds away from zero
  // (a double holds 1.005 just below the half).
  account_.execute("UPDATE KX_LoanVouch SET dtLoanDate = '2026-02-15' WHERE strVouchID = 'R8'");
  account_.execute("UPDATE KX_LoanVouch SET dblMoney = 2.01, dblOldMoney = 2.01 WHERE strVouchID = 'R3'");
  account_.execute("UPDATE KX_LoanVouch SET dblMoney = 197.99 WHERE strVouchID = 'R4'");
  const XmlDocument reply = serve("<req>" + ageFunc("部门") + "</req>");
  EXPECT_EQ(rowsOf(reply, kAgeColumns),
            (Rows{"ccode=01 imoney0=100.00 imoney1=-100.00 imoney=0 cname=总经理办公室",
                  "ccode=02 imoney0=0.10 irate0=33.33 imoney1=0.20 irate1=66.67 imoney=0.3 cname=财务部",
                  "ccode=0301 imoney0=600.00 irate0=19.35 imoney1=2500.00 irate1=80.65 imoney=3100 cname=华东销售组",
                  "ccode=04 imoney2=2.01 irate2=1.01 imoney3=197.99 irate3=99.00 imoney=200 cname=技术部"}))
      << at(reply, "//out/error/text");
}

TEST_F(CReportTest, IntervalsSentByAgesetWithAnOpenLastIntervalAreStoredAndUsed) {
  const std::string intervals = "<age><row cdays='60天以内' icount='60'/><row cdays='60天以上' icount='0'/></age>";
  const XmlDocument reply = serve("<req><func name='ageset'><in><age>" + intervals +
                                  "</age></in></func><func name='ageget'><in><agetype>1</agetype></in></func>" +
                                  ageFunc("部门", intervals) + "</req>");
  EXPECT_FALSE(reply.selectSingleNode("//func[1]/out/success").isNull());
  EXPECT_EQ(reply.selectNodes("//func[2]/out/age/row").size(), 2u);
  EXPECT_EQ(reply.selectSingleNode("//func[2]/out/age/row[2]").attribute("cdays"), "60天以上");
  EXPECT_EQ(rowsOf(reply, kAgeColumns, 3),
            (Rows{"ccode=01 imoney0=0.00 imoney=0 cname=总经理办公室",
                  "ccode=02 imoney0=0.30 irate0=100.00 imoney=0.3 cname=财务部",
                  "ccode=0301 imoney0=3100.00 irate0=100.00 imoney=3100 cname=华东销售组",
                  "ccode=04 imoney1=1000.50 irate1=100.00 imoney=1000.5 cname=技术部"}));
  // The format names the intervals' captions, escaped.
  const XmlNode format = reply.selectSingleNode("//func[3]/out/success/format/rows");
  ASSERT_FALSE(format.isNull());
  EXPECT_EQ(format.selectNodes("row").size(), 4u);
  EXPECT_EQ(format.selectSingleNode("row[3]").attribute("text"), "60天以上");
}

TEST_F(CReportTest, AgingPagesCutRowsOfGroupAndDateAndEveryAmountLandsOnOnePage) {
  // Seven rows of group and date with an amount: four pages of two.
  std::map<std::string, Currency> totals;
  for (int current = 0; current < 4; ++current) {
    const XmlDocument reply = serve("<req>" + ageFunc("部门", kDemoIntervals, current, 2) + "</req>");
    EXPECT_EQ(at(reply, "//page/count"), "4");
    EXPECT_EQ(at(reply, "//page/current"), std::to_string(current));
    for (const XmlNode& row : reply.selectNodes("//z:row")) {
      Currency& total = totals[row.attribute("ccode")];
      total = total + *Currency::parse(row.attribute("imoney"));
    }
  }
  EXPECT_EQ(totals, (std::map<std::string, Currency>{{"01", Currency::fromScaled(0)},
                                                     {"02", Currency::fromScaled(3000)},
                                                     {"0301", Currency::fromScaled(31000000)},
                                                     {"04", Currency::fromScaled(10005000)}}));
  EXPECT_EQ(tempTables(), 0);
}

TEST_F(CReportTest, AgingFailuresAnswerErrorsAndLeaveNoTable) {
  struct Case {
    std::string func;
    const char* id;
    const char* text;
  };
  const Case cases[] = {
      {ageFunc("Department"), "Corvane:CReport:LoanAgeData:1001", "无法识别的分组方式：Department"},
      {ageFunc("部门", "<age/>"), "Corvane:CReport:LoanAgeData:1001", "请设置账龄区间。"},
      {ageFunc("部门", "<age><row cdays='x' icount='abc'/></age>"), "Corvane:CReport:LoanAgeData:13", nullptr},
      {"<func name='loanagedata'><in><age>" + kDemoIntervals +
           "</age><type><row name='stritem' value='部门'/><row name='dtdate' value=\"2026-04-01' or '1'='1\"/></type>" +
           page(0, 0) + "<cond/></in></func>",
       "Corvane:CReport:LoanAgeData:13", nullptr},
  };
  for (const Case& c : cases) {
    const XmlDocument reply = serve("<req>" + c.func + "</req>");
    EXPECT_EQ(at(reply, "//out/error/id"), c.id) << c.func;
    if (c.text != nullptr) {
      EXPECT_EQ(at(reply, "//out/error/text"), c.text);
    }
  }
  EXPECT_EQ(tempTables(), 0);
}

class RefusingAging final : public Aging {
 public:
  std::string getAge(LoginContext&, const std::string&) override { return {}; }
  bool SaveAge(LoginContext&, const std::string&) override { return false; }
};

TEST_F(CReportTest, IntervalsTheComponentCannotStoreAreAFailure) {
  TestHost refusing;
  refusing.agings = [](db::Connection&) { return std::make_unique<RefusingAging>(); };
  const XmlDocument reply = serve("<req><func name='ageset' goon='1'><in><age>" + kDemoIntervals +
                                      "</age></in></func>" + ageFunc("部门") + "</req>",
                                  "demo", &refusing);
  EXPECT_EQ(at(reply, "//func[1]/out/error/id"), "Corvane:CReport:AgeSet:9000");
  EXPECT_EQ(at(reply, "//func[1]/out/error/text"), "保存账龄区间失败。");
  EXPECT_EQ(at(reply, "//func[2]/out/error/id"), "Corvane:CReport:LoanAgeData:0");
  EXPECT_EQ(at(reply, "//func[2]/out/error/text"), "借款账龄分析失败。");
  // The embedded component refuses an empty interval document too.
  const XmlDocument empty = serve("<req><func name='ageset'><in><age/></in></func></req>");
  EXPECT_EQ(at(empty, "//out/error/id"), "Corvane:CReport:AgeSet:9000");
}

TEST_F(CReportTest, TheClerkAgesOnlyTheLoansOfItsRights) {
  grantClerkReports(account_);
  const XmlDocument reply = serve("<req>" + ageFunc("部门") + "</req>", "clerk");
  EXPECT_EQ(rowsOf(reply, kAgeColumns),
            (Rows{"ccode=02 imoney0=0.30 irate0=100.00 imoney=0.3 cname=财务部",
                  "ccode=0301 imoney0=600.00 irate0=19.35 imoney1=2500.00 irate1=80.65 imoney=3100 cname=华东销售组"}));
}

// ---- summary by operation type ----

std::string collectFunc(const std::string& kind, const std::string& types, const std::string& grouping,
                        const std::string& display, int rows = 0) {
  return "<func name='typecollectdata' goon='1'><in><type><row name='strtype' value='" + kind + "'>" + types +
         "</row><row name='stritem' value='" + grouping + "'/><row name='strshow' value='" + display + "'/></type>" +
         page(0, rows) + "<cond/></in></func>";
}

const std::string kLoanTypes = "<t code='301' text='差旅借款'/><t code='302' text='备用金借款'/>";
const std::string kClaimTypes = "<t code='102' text='押金退回'/><t code='201' text='差旅费报销'/>";
const std::vector<std::string> kCollectColumns = {"cclasscode", "ccode",    "cexchname", "imoney", "imoneyf0",
                                                  "imoney0",    "imoneyf1", "imoney1",   "cname"};

TEST_F(CReportTest, SummaryByOperationTypeForLoansAndClaimsLocalAndPerCurrency) {
  struct Case {
    const char* kind;
    const std::string& types;
    const char* grouping;
    const char* display;
    Rows expected;
  };
  // clang-format off
  const Case cases[] = {
      {"借款单", kLoanTypes, "部门", "仅本位币",
       {"ccode=01 imoney=100.00 imoney1=100.00 cname=总经理办公室",
        "ccode=02 imoney=0.30 imoney0=0.30 cname=财务部",  // a type that sums to 0 is left out
        "ccode=0301 imoney=5200.00 imoney0=2200.00 imoney1=3000.00 cname=华东销售组",
        "ccode=04 imoney=2860.50 imoney0=700.50 imoney1=2160.00 cname=技术部"}},
      {"借款单", kLoanTypes, "部门", "原币",
       {"ccode=01 cexchname=人民币 imoney=100.00 imoneyf1=100.00 imoney1=100.00 cname=总经理办公室",
        "ccode=02 cexchname=人民币 imoney=0.30 imoneyf0=0.30 imoney0=0.30 cname=财务部",
        "ccode=0301 cexchname=人民币 imoney=5200.00 imoneyf0=2200.00 imoney0=2200.00 imoneyf1=3000.00 imoney1=3000.00 "
        "cname=华东销售组",
        "ccode=04 cexchname=人民币 imoney=700.50 imoneyf0=700.50 imoney0=700.50 cname=技术部",
        "ccode=04 cexchname=美元 imoney=2160.00 imoneyf1=300.00 imoney1=2160.00 cname=技术部"}},
      {"借款单", kLoanTypes, "单据日期", "仅本位币",
       {"ccode=2025-11-01 imoney=2160.00 imoney1=2160.00", "ccode=2026-01-10 imoney=700.50 imoney0=700.50",
        "ccode=2026-02-15 imoney=2500.00 imoney1=2500.00", "ccode=2026-03-01 imoney=1200.00 imoney0=1200.00",
        "ccode=2026-03-10 imoney=100.00 imoney1=100.00", "ccode=2026-03-20 imoney=1000.00 imoney0=1000.00",
        "ccode=2026-03-31 imoney=0.30 imoney0=0.30", "ccode=2026-04-01 imoney=500.00 imoney1=500.00"}},
      {"借款单", kLoanTypes, "项目", "仅本位币",
       {"cclasscode=01 ccode=P2601 imoney=1000.00 imoney0=1000.00 cname=华东渠道拓展",
        "cclasscode=01 ccode=P2602 imoney=2500.00 imoney1=2500.00 cname=新品发布会",
        "cclasscode=ch ccode=A001 imoney=2860.50 imoney0=700.50 imoney1=2160.00 cname=工业控制器"}},
      {"借款单", kLoanTypes, "人员级别", "仅本位币",
       {"ccode=01 imoney=2700.00 imoney0=2200.00 imoney1=500.00 cname=经理",
        "ccode=02 imoney=5360.80 imoney0=700.80 imoney1=4660.00 cname=职员"}},
      {"报销单", kClaimTypes, "部门", "仅本位币",
       {"ccode=0301 imoney=750.25 imoney1=750.25 cname=华东销售组", "ccode=04 imoney=360.00 imoney0=360.00 cname=技术部"}},
      {"报销单", kClaimTypes, "人员", "原币",
       {"ccode=0005 cexchname=人民币 imoney=750.25 imoneyf1=750.25 imoney1=750.25 cname=王海涛",
        "ccode=0009 cexchname=美元 imoney=360.00 imoneyf0=50.00 imoney0=360.00 cname=郑凯"}},
      {"报销单", kClaimTypes, "预算项目", "仅本位币", {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    const XmlDocument reply = serve("<req>" + collectFunc(c.kind, c.types, c.grouping, c.display) + "</req>");
    if (c.expected.empty()) {
      EXPECT_EQ(at(reply, "//out/error/id"), "Corvane:CReport:typeCollectData:1001") << c.grouping;
    } else {
      EXPECT_EQ(rowsOf(reply, kCollectColumns), c.expected) << c.kind << " " << c.grouping << " " << c.display << "\n"
                                                            << at(reply, "//out/error/text");
    }
  }
  EXPECT_EQ(tempTables(), 0);
}

TEST_F(CReportTest, SummaryPagesCarryTheirIdentityAndTheClerkSeesItsRights) {
  const XmlDocument reply = serve("<req>" + collectFunc("借款单", kLoanTypes, "部门", "仅本位币", 3) + "</req>");
  EXPECT_EQ(at(reply, "//page/count"), "2");
  EXPECT_EQ(reply.selectNodes("//z:row").size(), 3u);
  for (const XmlNode& row : reply.selectNodes("//z:row")) EXPECT_FALSE(row.attribute("autoid").empty());

  grantClerkReports(account_);
  const XmlDocument clerk = serve("<req>" + collectFunc("借款单", kLoanTypes, "部门", "仅本位币") +
                                      collectFunc("报销单", kClaimTypes, "部门", "仅本位币") + "</req>",
                                  "clerk");
  EXPECT_EQ(rowsOf(clerk, kCollectColumns, 1),
            (Rows{"ccode=02 imoney=0.30 imoney0=0.30 cname=财务部",
                  "ccode=0301 imoney=3500.00 imoney0=1000.00 imoney1=2500.00 cname=华东销售组"}));
  EXPECT_EQ(rowsOf(clerk, kCollectColumns, 2), (Rows{"ccode=0301 imoney=750.25 imoney1=750.25 cname=华东销售组"}));
  EXPECT_EQ(tempTables(), 0);
}

TEST_F(CReportTest, SummaryRequestFaultsAnswerErrors) {
  const XmlDocument reply = serve(
      "<req>" + collectFunc("借款单", "", "部门", "仅本位币") + collectFunc("借款单", kLoanTypes, "Dept", "仅本位币") +
      collectFunc("借款单", "<t code='301'/>", "部门", "仅本位币") +
      collectFunc("借款单", "<t code=\"30' or '1'='1\" text='x'/>", "部门", "仅本位币") + "</req>");
  EXPECT_EQ(at(reply, "//func[1]/out/error/id"), "Corvane:CReport:typeCollectData:1001");
  EXPECT_EQ(at(reply, "//func[1]/out/error/text"), "请选择业务类型。");
  EXPECT_EQ(at(reply, "//func[2]/out/error/text"), "无法识别的分组方式：Dept");
  EXPECT_EQ(at(reply, "//func[3]/out/error/id"), "Corvane:CReport:typeCollectData:91");
  // A type code is a literal: it matches no voucher.
  EXPECT_EQ(at(reply, "//func[4]/out/error/id"), "Corvane:CReport:typeCollectData:1001");
  EXPECT_EQ(tempTables(), 0);
}

TEST_F(CReportTest, FormatsEscapeCaptionsAndFollowTheDisplay) {
  const XmlDocument reply = serve(
      "<req>" + collectFunc("借款单", "<t code='301' text=\"A&amp;B 'q'\"/>", "部门", "原币") +
      ageFunc("部门", "<age><row cdays=\"&lt;30 'd'\" icount='30'/><row cdays='more' icount='0'/></age>") + "</req>");
  const XmlNode collect = reply.selectSingleNode("//func[1]/out/success/format/rows");
  ASSERT_FALSE(collect.isNull());
  EXPECT_EQ(collect.selectSingleNode("row[2]").attribute("name"), "cexchname");
  EXPECT_EQ(collect.selectSingleNode("row[3]").attribute("text"), "A&B 'q'");
  EXPECT_EQ(collect.selectSingleNode("row[3]/row[1]").attribute("name"), "imoneyf0");
  const XmlNode age = reply.selectSingleNode("//func[2]/out/success/format/rows");
  ASSERT_FALSE(age.isNull());
  EXPECT_EQ(age.selectSingleNode("row[2]").attribute("text"), "<30 'd'");
  EXPECT_EQ(age.selectSingleNode("row[4]").attribute("name"), "imoney");
}

}  // namespace
}  // namespace corvane
