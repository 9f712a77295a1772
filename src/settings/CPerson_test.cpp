#include "settings/CPerson.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "host/EmbeddedLoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "request/Values.h"
#include "support/CaseAccount.h"
#include "support/XmlText.h"

namespace corvane {
namespace {

// The person-grade values live with the effect-item value lists: two grades of person (1) and one
// of place (2) for the tests.
constexpr const char* kGrades =
    "INSERT INTO KX_EISet_NUStand (intEICode, strEICode, strEIName) VALUES (1, '91', '测试经理'), "
    "(1, '92', '测试职员'), (2, '91', '测试地区')";

class PersonRequests : public testing::Test {
 protected:
  void SetUp() override { freshAccount(); }

  // A new copy of the demo account with the test grades, for each case that writes.
  void freshAccount() {
    account_.emplace();
    account().execute(kGrades);
    account().execute("UPDATE Corvane_RowVersion SET value = 1000");
  }
  const CaseAccount& account() const { return *account_; }

  // The clerk may serve person settings.
  void grantClerk() {
    account().execute(
        "INSERT INTO vqsystem..UA_HoldAuth (cAcc_ID, iYear, cUser_ID, iIsUser, cAuth_ID) "
        "VALUES ('001', 2026, 'KXCLERK', 0, 'KX0105')");
  }

  // Serves `funcs` (the func elements) and answers the reply under `out` of each func.
  std::vector<std::string> serve(const std::string& funcs, const std::string& user = "demo",
                                 const std::string& locale = "zh-CN") {
    CPerson person;
    const XmlDocument document =
        account().serve(person, "<req>" + funcs + "</req>", user, locale, DateTime{2026, 3, 15});
    std::vector<std::string> replies;
    for (const XmlNode& func : document.selectNodes("//func")) {
      const XmlNode out = func.child("out");
      replies.push_back(out && out.firstChild() ? out.firstChild().xml() : "");
    }
    return replies;
  }

  std::string serveOne(const std::string& func, const std::string& user = "demo", const std::string& locale = "zh-CN") {
    return serve(func, user, locale).at(0);
  }

  // The values of every record `sql` answers: fields joined by ",", records by " ".
  std::string values(const std::string& sql) {
    db::Connection connection;
    connection.open(account().connectString());
    db::Recordset rs;
    rs.open(sql, connection);
    std::string text;
    for (; !rs.eof(); rs.moveNext()) {
      for (int i = 0; i < rs.fieldCount(); ++i) text += (i ? "," : "") + NullToStr(rs.field(i).value());
      text += " ";
    }
    return text;
  }

  std::optional<CaseAccount> account_;
};

std::string errorReply(const std::string& procedure, const std::string& number, const std::string& text) {
  return canonical("<error><id>Corvane:CPerson:" + procedure + ":" + number + "</id><text>" + text + "</text></error>");
}

// ---- department tree and person list ----

TEST_F(PersonRequests, DepartmentTreeFollowsTheCodesWithinTheUsersRights) {
  account().execute(
      "INSERT INTO Department (cDepCode, cDepName, iDepGrade, bDepEnd) VALUES ('05', '研发&''测试', 1, 1)");
  grantClerk();
  struct Case {
    const char* user;
    const char* tree;
  } const cases[] = {
      {"demo",
       "<list x='10' y='50' w='200' h='380' f='14'><row id='01' name='(01)总经理办公室' leaf='1'/>"
       "<row id='02' name='(02)财务部' leaf='1'/><row id='03' name='(03)销售部'>"
       "<row id='0301' name='(0301)华东销售组' leaf='1'/><row id='0302' name='(0302)华北销售组' leaf='1'/></row>"
       "<row id='04' name='(04)技术部' leaf='1'/><row id='05' name='(05)研发&amp;&apos;测试' leaf='1'/></list>"},
      // The clerk sees the East China group but not the sales department above it.
      {"clerk",
       "<list x='10' y='50' w='200' h='380' f='14'><row id='02' name='(02)财务部' leaf='1'/>"
       "<row id='0301' name='(0301)华东销售组' leaf='1'/></list>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(canonical(c.tree), serveOne("<func name='getdepart'/>", c.user)) << c.user;
  }
}

TEST_F(PersonRequests, DepartmentCodesThatAreNoXmlOrXPathTextStillBuildTheTree) {
  account().execute("INSERT INTO Department (cDepCode, cDepName, iDepGrade, bDepEnd) VALUES ('03''&', '引号组', 2, 1)");
  const std::string tree = serveOne("<func name='getdepart'/>");
  EXPECT_NE(tree.find("<row id=\"03\" name=\"(03)销售部\"><row id=\"03'&amp;\" name=\"(03'&amp;)引号组\" leaf=\"1\"/>"),
            std::string::npos)
      << tree;
}

TEST_F(PersonRequests, PersonListHoldsTheDepartmentAndItsSubDepartmentsWithinRights) {
  grantClerk();
  account().execute("INSERT INTO Person (cPersonCode, cPersonName, cDepCode) VALUES ('0099', '无部门', NULL)");
  struct Case {
    const char* user;
    const char* department;
    std::vector<std::string> persons;
  } const cases[] = {
      {"demo", "03", {"0005", "0006", "0007", "0008"}},
      {"demo", "0302", {"0007", "0008"}},
      {"demo", "", {"0001", "0002", "0003", "0004", "0005", "0006", "0007", "0008", "0009", "0010"}},
      {"demo", "0' or '1'='1", {}},
      {"clerk", "", {"0003", "0004", "0005"}},
      {"clerk", "03", {"0005"}},
  };
  for (const Case& c : cases) {
    XmlDocument reply;
    ASSERT_TRUE(reply.loadXML(serveOne(
        std::string("<func name='getperlist'><in><r strDepCode=\"") + c.department + "\"/></in></func>", c.user)));
    std::vector<std::string> persons;
    for (const XmlNode& row : reply.selectNodes("/Rows/row")) persons.push_back(row.attribute("cPersonCode"));
    EXPECT_EQ(c.persons, persons) << c.user << " " << c.department;
  }
}

// ---- grade ----

TEST_F(PersonRequests, GradeReadShowsTheGradeNameOrEmptyColumns) {
  account().execute("INSERT INTO KX_PersonCtrl (strPersonCode, strGradeID) VALUES ('0003', '92')");
  struct Case {
    const char* person;
    const char* reply;
  } const cases[] = {
      {"0003",
       "<row strPersonCode='0003' strGradeID='92' ts='1001' strEIName='测试职员' cPersonName='李晓燕' "
       "cDepName='财务部' cPersonEmail='lixy@qinglan.example' cPersonPhone='13801010003'/>"},
      {"0004",
       "<row strPersonCode='0004' strGradeID='' ts='' strEIName='' cPersonName='陈立伟' "
       "cDepName='财务部' cPersonEmail='chenlw@qinglan.example' cPersonPhone='13801010004'/>"},
      {"9999", "<error><id>Corvane:CPerson:recordGet:9000</id><text>人员不存在。</text></error>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(canonical(c.reply),
              serveOne(std::string("<func name='getperbas'><in><r strPersonCode='") + c.person + "'/></in></func>"))
        << c.person;
  }
}

TEST_F(PersonRequests, GradeSaveWritesTheRowOrLeavesNoneThatCarriesNothing) {
  struct Case {
    const char* name;
    const char* input;
    const char* grade;   // the reply's strGradeID, or the error text
    const char* stored;  // the person's rows afterwards
  } const cases[] = {
      {"insert without grade is cleaned up", "strPersonCode='0003'", "", ""},
      {"insert with grade", "strPersonCode='0003' strGradeID='91'", "91", "0003,91 "},
      {"empty grade is kept as text", "strPersonCode='0003' strGradeID=''", "", "0003, "},
      {"update of the row read", "strPersonCode='0004' strGradeID='92' ts='1001'", "92", "0004,92 "},
      {"clearing keeps a row with a limit", "strPersonCode='0004' ts='1001'", "", "0004, "},
      {"stale ts", "strPersonCode='0004' strGradeID='92' ts='999'", "记录不存在或已被他人修改，请刷新后重试。",
       "0004,91 "},
      {"ts that is no number", "strPersonCode='0004' strGradeID='92' ts='1001 or 1=1'",
       "记录不存在或已被他人修改，请刷新后重试。", "0004,91 "},
      {"unknown person", "strPersonCode='9999' strGradeID='91'", "人员编码9999不存在。", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshAccount();
    account().execute(
        "INSERT INTO KX_PersonCtrl (strPersonCode, strGradeID, blnMoney, intMoney) VALUES ('0004', '91', 1, 500)");
    XmlDocument reply;
    ASSERT_TRUE(reply.loadXML(serveOne(std::string("<func name='saveperbas'><in><r ") + c.input + "/></in></func>")));
    const XmlNode root = reply.documentElement();
    EXPECT_EQ(c.grade, root.name() == "row" ? root.attribute("strGradeID") : root.child("text").text());
    const std::string person = std::string(c.input).substr(15, 4);
    EXPECT_EQ(c.stored,
              values("SELECT strPersonCode, strGradeID FROM KX_PersonCtrl WHERE strPersonCode = '" + person + "'"));
  }
}

// ---- bank accounts ----

TEST_F(PersonRequests, AccountSaveKeepsOneDefaultAndNamesTheRowsByVersion) {
  const std::string first = "GUID='{6C1D2E30-4A5B-4C6D-8E7F-000000000001}'";
  const std::string second = "GUID='{6C1D2E30-4A5B-4C6D-8E7F-000000000002}'";
  const char* untouched = "6217000010000005,False 6222020200010005,True ";
  struct Case {
    const char* name;
    const char* person;
    std::string rowsSent;
    const char* error;   // empty: saved
    const char* stored;  // 0005's accounts afterwards
  } const cases[] = {
      {"second default", "0005", "<a P='1' strBankAcc='1111' strBank='中国银行' blnDefault='1'/>",
       "一个人员只能有一个默认银行账号。", untouched},
      {"move default clear then set", "0005",
       "<a P='2' " + first +
           " ts='1001' strBankAcc='6222020200010005' strBank='工商银行' blnDefault='0'/>"
           "<a P='2' " +
           second + " ts='1002' strBankAcc='6217000010000005' strBank='建设银行' blnDefault='True'/>",
       "", "6217000010000005,True 6222020200010005,False "},
      {"move default set then clear", "0005",
       "<a P='2' " + second +
           " ts='1002' strBankAcc='6217000010000005' strBank='建设银行' blnDefault='1'/>"
           "<a P='2' " +
           first + " ts='1001' strBankAcc='6222020200010005' strBank='工商银行' blnDefault='0'/>",
       "一个人员只能有一个默认银行账号。", untouched},
      {"duplicate account", "0005", "<a P='1' strBankAcc='6217000010000005' strBank='建设银行' blnDefault='0'/>",
       "银行账号已存在。", untouched},
      {"stale delete", "0005", "<a P='3' " + second + " ts='1001'/>", "记录已被他人修改或删除，请刷新后重试。",
       untouched},
      {"ts that is no number", "0005", "<a P='3' " + second + " ts='1002 or 1=1'/>",
       "记录已被他人修改或删除，请刷新后重试。", untouched},
      {"delete", "0005", "<a P='3' " + second + " ts='1002'/>", "", "6222020200010005,True "},
      {"another person's row", "0009", "<a P='3' " + second + " ts='1002'/>", "记录已被他人修改或删除，请刷新后重试。",
       untouched},
      {"unknown person", "9999", "<a P='1' strBankAcc='1111' strBank='中国银行' blnDefault='0'/>",
       "人员编码9999不存在。", untouched},
      {"unknown P after a good row", "0005",
       "<a P='1' strBankAcc='2222' strBank='中国银行' blnDefault='0'/><a P='4' strBankAcc='3333'/>",
       "无法识别记录的保存方式。", untouched},
      {"flag that is no flag", "0005", "<a P='1' strBankAcc='2222' strBank='中国银行' blnDefault='1) --'/>",
       "Type mismatch", untouched},
      {"apostrophes stay text", "0005", "<a P='1' strBankAcc=\"9'9\" strBank=\"x') --\" blnDefault=''/>", "",
       "6217000010000005,False 6222020200010005,True 9'9,False "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshAccount();
    account().execute("UPDATE KX_PersonAcc SET ts = 1001 WHERE GUID = '{6C1D2E30-4A5B-4C6D-8E7F-000000000001}'");
    account().execute("UPDATE KX_PersonAcc SET ts = 1002 WHERE GUID = '{6C1D2E30-4A5B-4C6D-8E7F-000000000002}'");
    XmlDocument reply;
    ASSERT_TRUE(reply.loadXML(serveOne(std::string("<func name='saveperacc'><in><r strPersonCode='") + c.person + "'>" +
                                       c.rowsSent + "</r></in></func>")));
    const XmlNode root = reply.documentElement();
    if (*c.error) {
      EXPECT_EQ("error", root.name());
      EXPECT_NE(root.child("text").text().find(c.error), std::string::npos) << root.xml();
    } else {
      EXPECT_EQ("Rows", root.name()) << root.xml();
    }
    EXPECT_EQ(c.stored, values("SELECT strBankAcc, blnDefault FROM KX_PersonAcc WHERE strPersonCode = '0005' "
                               "ORDER BY strBankAcc"));
  }
}

TEST_F(PersonRequests, AccountListIsOrderedByBank) {
  EXPECT_EQ(
      canonical("<Rows><row strPersonCode='0009' strBankAcc='6228480010000009' strBank='农业银行' "
                "blnDefault='False' ts='1001' GUID='{6C1D2E30-4A5B-4C6D-8E7F-000000000003}'/>"
                "<row strPersonCode='0009' strBankAcc='6225880010000009' strBank='招商银行' "
                "blnDefault='False' ts='1002' GUID='{6C1D2E30-4A5B-4C6D-8E7F-000000000004}'/></Rows>"),
      [&] {
        account().execute("UPDATE KX_PersonAcc SET ts = 1001 WHERE GUID = '{6C1D2E30-4A5B-4C6D-8E7F-000000000003}'");
        account().execute("UPDATE KX_PersonAcc SET ts = 1002 WHERE GUID = '{6C1D2E30-4A5B-4C6D-8E7F-000000000004}'");
        return serveOne("<func name='getperacc'><in><r strPersonCode='0009'/></in></func>");
      }());
}

// ---- loan limits ----

// 0005: every limit on and strict (30 days, 2 loans, 8000); 0009: day off kept at 60, count off,
// amount on with prompt (5000). Both rows get ts 500 here.
void pinLimitRows(const CaseAccount& account) {
  account.execute("UPDATE KX_PersonCtrl SET ts = 500 WHERE strPersonCode IN ('0005', '0009')");
}

TEST_F(PersonRequests, LimitReadAnswersTheStoredLimitsAndTheirCurrentUse) {
  pinLimitRows(account());
  account().execute(
      "INSERT INTO KX_PersonCtrl (strPersonCode, blnMoney, intMoney, strMonCtrType) VALUES ('0010', 1, 100, '7')");
  struct Case {
    const char* input;
    const char* locale;
    const char* reply;
  } const cases[] = {
      {"strPersonCode='0001'", "zh-CN",
       "<Rows ts=''><row blnCtrl='0' strCtrl='天数限制' dblMoney='' strCtrlType=''/>"
       "<row blnCtrl='0' strCtrl='次数限制' dblMoney='' strCtrlType=''/>"
       "<row blnCtrl='0' strCtrl='金额限制' dblMoney='' strCtrlType=''/></Rows>"},
      {"strPersonCode='0001' Show='0'", "zh-CN",
       "<error><id>Corvane:CPerson:recordGet:9000</id><text>该人员没有借款控制设置。</text></error>"},
      {"strPersonCode=''", "zh-CN", "<error><id>Corvane:CPerson:recordGet:9000</id><text>请指定人员。</text></error>"},
      {"strPersonCode=\"0005' or '1'='1\"", "zh-CN",
       "<Rows ts=''><row blnCtrl='0' strCtrl='天数限制' dblMoney='' strCtrlType=''/>"
       "<row blnCtrl='0' strCtrl='次数限制' dblMoney='' strCtrlType=''/>"
       "<row blnCtrl='0' strCtrl='金额限制' dblMoney='' strCtrlType=''/></Rows>"},
      {"strPersonCode='0009'", "zh-CN",
       "<Rows ts='500'><row blnCtrl='False' strCtrl='天数限制' dblMoney='60' strCtrlType=''/>"
       "<row blnCtrl='False' strCtrl='次数限制' dblMoney='' strCtrlType=''/>"
       "<row blnCtrl='True' strCtrl='金额限制' dblMoney='5000' strCtrlType='提示'/></Rows>"},
      {"strPersonCode='0005' Show=''", "en-us",
       "<Rows ts='500'><row blnCtrl='True' strCtrl='Day limit' dblMoney='30' dblMoney1='68' strCtrlType='Strict "
       "control'/>"
       "<row blnCtrl='True' strCtrl='Count limit' dblMoney='2' dblMoney1='1' strCtrlType='Strict control'/>"
       "<row blnCtrl='True' strCtrl='Amount limit' dblMoney='8000' dblMoney1='5000' strCtrlType='Strict "
       "control'/></Rows>"},
      // No unsettled loan: no use; an unknown type code reads as prompt; a Null flag is off.
      {"strPersonCode='0010' Show=''", "zh-CN",
       "<Rows ts='1001'><row blnCtrl='' strCtrl='天数限制' dblMoney='' dblMoney1='0' strCtrlType=''/>"
       "<row blnCtrl='' strCtrl='次数限制' dblMoney='' dblMoney1='0' strCtrlType=''/>"
       "<row blnCtrl='True' strCtrl='金额限制' dblMoney='100' dblMoney1='0' strCtrlType='提示'/></Rows>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(canonical(c.reply),
              serveOne(std::string("<func name='getperson'><in><r ") + c.input + "/></in></func>", "demo", c.locale))
        << c.input;
  }
}

TEST_F(PersonRequests, CurrentUseOfTheAmountConvertsEachLoanByItsCurrency) {
  struct Case {
    const char* name;
    const char* bill;
    const char* rate;
    const char* expected;
  } const cases[] = {
      {"multiplied by the rate", "'乘币'", "7", "560"},    {"divided by the rate", "'除币'", "4", "20"},
      {"home currency as it is", "'人民币'", "2", "80"},   {"no currency row: divided", "'无此币'", "4", "20"},
      {"Null rate counts as one", "'除币'", "NULL", "80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshAccount();
    account().execute(
        "INSERT INTO foreigncurrency (cexch_name, bcal, iotherused) VALUES ('乘币', 1, 0), ('除币', 0, 0)");
    account().execute("INSERT INTO KX_PersonCtrl (strPersonCode, blnMoney, intMoney) VALUES ('0010', 1, 100)");
    account().execute(std::string("INSERT INTO KX_LoanVouch (GUID, dtLoanDate, strLoanID, strBill, fltRate, dblMoney, "
                                  "dblReturn, blnSettle) VALUES ('{L1}', '2026-03-01', '0010', ") +
                      c.bill + ", " + c.rate + ", 100, 20, 0), ('{L2}', '2026-02-13', '0010', '人民币', 1, 999, 0, 1)");
    XmlDocument reply;
    ASSERT_TRUE(reply.loadXML(serveOne("<func name='getperson'><in><r strPersonCode='0010' Show=''/></in></func>")));
    const std::vector<XmlNode> limits = reply.selectNodes("/Rows/row");
    ASSERT_EQ(3u, limits.size()) << reply.xml();
    EXPECT_EQ("14", limits[0].attribute("dblMoney1"));  // the settled loan does not count
    EXPECT_EQ("1", limits[1].attribute("dblMoney1"));
    EXPECT_EQ(c.expected, limits[2].attribute("dblMoney1"));
  }
}

constexpr const char* kStoredLimits =
    "SELECT blnDay, intDay, strDayCtrType, blnNumber, intNumber, strNumCtrType, blnMoney, intMoney, "
    "strMonCtrType FROM KX_PersonCtrl WHERE strPersonCode = ";

TEST_F(PersonRequests, LimitSaveChecksRangesAndVersionsAndStoresCodes) {
  const char* demo0005 = "True,30,1,True,2,1,True,8000,1 ";
  struct Case {
    const char* name;
    const char* person;
    const char* head;    // attributes of the input element besides the code
    const char* limits;  // its child elements
    const char* error;   // empty: saved
    const char* stored;
  } const cases[] = {
      {"insert", "0001", "",
       "<d blnCtrl='1' dblMoney='1' strCtrlType='严格控制'/><n blnCtrl='1' dblMoney='99' strCtrlType='提示'/>"
       "<m blnCtrl='0' dblMoney='12.3456'/>",
       "", "True,1,1,True,99,0,False,12.3456,0 "},
      {"insert without value or type", "0001", "ts=''",
       "<d blnCtrl='1' dblMoney=''/><n blnCtrl='1'/><m blnCtrl='1' dblMoney='1e3' strCtrlType='Prompt'/>", "",
       "True,,0,True,,0,True,1000,1 "},
      {"insert of day 1000", "0001", "", "<d blnCtrl='1' dblMoney='1000'/><n/><m/>", "天数限制必须在1到999之间。", ""},
      {"insert of day 0", "0001", "", "<d blnCtrl='1' dblMoney='0'/><n/><m/>", "天数限制必须在1到999之间。", ""},
      {"insert of count 100", "0001", "", "<d/><n blnCtrl='1' dblMoney='100'/><m/>", "次数限制必须在1到99之间。", ""},
      {"insert with a flag that is no flag", "0001", "", "<d blnCtrl='1,1) --'/><n/><m/>", "Type mismatch", ""},
      {"insert for a person with a row", "0005", "", "<d/><n/><m/>", "PK_KX_PersonCtrl", demo0005},
      {"update at the range ends", "0005", "ts='500'",
       "<d blnCtrl='1' dblMoney='999' strCtrlType='提示'/><n blnCtrl='1' dblMoney='1'/>"
       "<m blnCtrl='True' dblMoney='12.3456' strCtrlType='严格控制'/>",
       "", "True,999,0,True,1,0,True,12.35,1 "},
      {"update rounds the amount half away from zero", "0005", "ts='500'",
       "<d/><n blnCtrl='0'/><m blnCtrl='1' dblMoney='-0.125' strCtrlType='提示'/>", "",
       "False,,1,False,,1,True,-0.13,0 "},
      {"update switched off keeps the type", "0005", "ts='500'",
       "<d blnCtrl='否'/><n blnCtrl=''/><m blnCtrl='1' dblMoney='9'/>", "", "False,,1,False,,1,True,9,0 "},
      {"update of day 1000", "0005", "ts='500'", "<d blnCtrl='1' dblMoney='1000'/><n/><m/>",
       "天数限制必须在1到999之间。", demo0005},
      {"update of day 0", "0005", "ts='500'", "<d blnCtrl='1' dblMoney='0'/><n/><m/>", "天数限制必须在1到999之间。",
       demo0005},
      {"update of count 100", "0005", "ts='500'", "<d/><n blnCtrl='1' dblMoney='100'/><m/>",
       "次数限制必须在1到99之间。", demo0005},
      {"update on without value", "0005", "ts='500'", "<d blnCtrl='1'/><n/><m/>", "Type mismatch", demo0005},
      {"update of an amount that is no number", "0005", "ts='500'", "<d/><n/><m blnCtrl='1' dblMoney='12; drop'/>",
       "Type mismatch", demo0005},
      {"update with a stale ts", "0005", "ts='499'", "<d/><n/><m/>", "记录不存在或已被他人修改，操作失败。", demo0005},
      {"update with a ts that is no number", "0005", "ts='500 or 1=1'", "<d/><n/><m/>",
       "记录不存在或已被他人修改，操作失败。", demo0005},
      {"all off without grade deletes the row", "0005", "ts='500'", "<d/><n/><m/>", "", ""},
      {"fewer than three limits", "0005", "ts='500'", "<d/><n/>", "three limits", demo0005},
      {"unknown person", "9999", "", "<d/><n/><m/>", "人员编码9999不存在。", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshAccount();
    pinLimitRows(account());
    XmlDocument reply;
    ASSERT_TRUE(reply.loadXML(serveOne(std::string("<func name='saveperson'><in><r strPersonCode='") + c.person + "' " +
                                       c.head + ">" + c.limits + "</r></in></func>")));
    const XmlNode root = reply.documentElement();
    if (*c.error) {
      EXPECT_EQ("error", root.name());
      EXPECT_NE(root.child("id").text().find("Corvane:CPerson:recordEdit:"), std::string::npos) << root.xml();
      EXPECT_NE(root.child("text").text().find(c.error), std::string::npos) << root.xml();
    } else {
      EXPECT_EQ("Rows", root.name()) << root.xml();
    }
    EXPECT_EQ(c.stored, values(std::string(kStoredLimits) + "'" + c.person + "'"));
  }
}

TEST_F(PersonRequests, LimitSaveAnswersTheLimitsReadAgain) {
  pinLimitRows(account());
  EXPECT_EQ(canonical("<Rows ts=''><row blnCtrl='0' strCtrl='天数限制' dblMoney='' strCtrlType=''/>"
                      "<row blnCtrl='0' strCtrl='次数限制' dblMoney='' strCtrlType=''/>"
                      "<row blnCtrl='0' strCtrl='金额限制' dblMoney='' strCtrlType=''/></Rows>"),
            serveOne("<func name='saveperson'><in><r strPersonCode='0009' ts='500'><d/><n/><m/></r></in></func>"));
  // The update before the delete took 1001.
  EXPECT_EQ(
      canonical("<Rows ts='1002'><row blnCtrl='True' strCtrl='天数限制' dblMoney='5' strCtrlType='严格控制'/>"
                "<row blnCtrl='False' strCtrl='次数限制' dblMoney='' strCtrlType=''/>"
                "<row blnCtrl='False' strCtrl='金额限制' dblMoney='' strCtrlType=''/></Rows>"),
      serveOne("<func name='saveperson'><in><r strPersonCode='0009' ts=''>"
               "<d blnCtrl='1' dblMoney='5' strCtrlType='严格控制'/><n blnCtrl='0'/><m blnCtrl='0'/></r></in></func>"));
}

// Switching every limit off deletes the row; the answer then asks for the use of a person
// without a row, fails, and the whole request is rolled back.
TEST_F(PersonRequests, LimitSaveWithShowThatDeletesTheRowFailsAndKeepsIt) {
  pinLimitRows(account());
  const std::string reply =
      serveOne("<func name='saveperson'><in><r strPersonCode='0009' ts='500' Show=''><d/><n/><m/></r></in></func>");
  EXPECT_EQ(errorReply("recordGet", "9000", "该人员没有借款控制设置。"), reply);
  EXPECT_EQ("False,60,0,False,,0,True,5000,0 ", values(std::string(kStoredLimits) + "'0009'"));
}

TEST_F(PersonRequests, GradeSaveKeepsARowWithLimitsAndLimitSaveKeepsARowWithAGrade) {
  pinLimitRows(account());
  serveOne("<func name='saveperbas'><in><r strPersonCode='0009' strGradeID='91' ts='500'/></in></func>");
  serveOne("<func name='saveperson'><in><r strPersonCode='0009' ts='1001'><d/><n/><m/></r></in></func>");
  EXPECT_EQ("0009,91,False,False,False ", values("SELECT strPersonCode, strGradeID, blnDay, blnNumber, blnMoney FROM "
                                                 "KX_PersonCtrl WHERE strPersonCode = '0009'"));
}

// ---- export list ----

TEST_F(PersonRequests, ExportListShowsOneAccountAndReadableLimitsPerPerson) {
  account().execute("UPDATE KX_PersonCtrl SET strGradeID = '91' WHERE strPersonCode = '0005'");
  XmlDocument reply;
  ASSERT_TRUE(reply.loadXML(serveOne("<func name='outputget'/>")));
  EXPECT_EQ(10u, reply.selectNodes("/rows/row").size());
  struct Case {
    const char* person;
    const char* row;
  } const cases[] = {
      {"0005",
       "<row cpername='王海涛' cdepname='华东销售组' clevel='测试经理' clink='13801010005' "
       "caddress='wanght@qinglan.example' cbank='工商银行' caccount='6222020200010005' bdaycontrol='是' "
       "idaymost='30' cdaystyle='严格控制' bnumcontrol='是' inumost='2' cnumstyle='严格控制' bmoneycontrol='是' "
       "imoneymost='8000' cmoneystyle='严格控制' cpercode='0005'/>"},
      {"0009",
       "<row cpername='郑凯' cdepname='技术部' clevel='' clink='13801010009' caddress='zhengkai@qinglan.example' "
       "cbank='农业银行' caccount='6228480010000009' bdaycontrol='否' idaymost='60' cdaystyle='' "
       "bnumcontrol='否' inumost='' cnumstyle='' bmoneycontrol='是' imoneymost='5000' cmoneystyle='提示' "
       "cpercode='0009'/>"},
      {"0001",
       "<row cpername='周建国' cdepname='总经理办公室' clevel='' clink='13801010001' "
       "caddress='zhoujg@qinglan.example' cbank='' caccount='' bdaycontrol='否' idaymost='' cdaystyle='' "
       "bnumcontrol='否' inumost='' cnumstyle='' bmoneycontrol='否' imoneymost='' cmoneystyle='' "
       "cpercode='0001'/>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(canonical(c.row), reply.selectSingleNode(std::string("/rows/row[@cpercode='") + c.person + "']").xml());
  }
}

TEST_F(PersonRequests, ExportListKeepsToThePersonsAndDepartmentsTheUserMaySee) {
  grantClerk();
  struct Case {
    const char* user;
    const char* setup;
    std::vector<std::string> persons;
  } const cases[] = {
      {"clerk", "", {"0003", "0004", "0005"}},
      {"demo", "DELETE FROM Person", {}},
  };
  for (const Case& c : cases) {
    if (*c.setup) account().execute(c.setup);
    XmlDocument reply;
    ASSERT_TRUE(reply.loadXML(serveOne("<func name='outputget'/>", c.user)));
    std::vector<std::string> persons;
    for (const XmlNode& row : reply.selectNodes("/rows/row")) persons.push_back(row.attribute("cpercode"));
    std::sort(persons.begin(), persons.end());
    EXPECT_EQ(c.persons, persons) << c.user;
  }
}

}  // namespace
}  // namespace corvane
