#include "request/QueryBuilders.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "request/RequestHost.h"
#include "request/SqlText.h"
#include "support/TestHost.h"
#include "support/TestLogin.h"

namespace corvane {
namespace {

// A service that answers from a script and records how it was asked.
struct ScriptedRowRight final : RowRight {
  std::string (*answer)(const std::string& object);
  std::vector<std::string>* calls;

  ScriptedRowRight(std::string (*answerFor)(const std::string&), std::vector<std::string>* log)
      : answer(answerFor), calls(log) {}
  void init(const std::string& connectString, const std::string& userId) override {
    if (calls) calls->push_back("init " + connectString + " " + userId);
  }
  std::string GetAuthString(const std::string& object, const std::string& a2, const std::string& a3) override {
    if (calls) calls->push_back("ask " + object + "|" + a2 + "|" + a3);
    return answer(object);
  }
};

RowRightFactory scripted(std::string (*answerFor)(const std::string&), std::vector<std::string>* log = nullptr) {
  return [=] { return std::make_unique<ScriptedRowRight>(answerFor, log); };
}

std::string failing(const std::string&) { throw RuntimeError(errnum::kDbTimeout, "the rights database is busy"); }
std::string nothingAllowed(const std::string&) { return "1=2"; }

class QueryBuildersTest : public ::testing::Test {
 protected:
  void SetUp() override { connection.open(account.connectString()); }

  std::vector<std::string> column(const std::string& sql) {
    std::vector<std::string> values;
    db::Recordset rs;
    rs.open(FixSqlText(sql), connection);
    for (; !rs.eof(); rs.moveNext()) values.push_back(NullToText(rs.field(0).value()));
    return values;
  }
  static std::string NullToText(const Variant& v) { return v.isNull() ? "<null>" : CStr(v); }

  CaseAccount account;
  db::Connection connection;
};

TEST_F(QueryBuildersTest, RowAuthAsksTheServiceAsTheKeysSay) {
  struct Case {
    std::string a2, a3, asked;
  } const cases[] = {
      {"", "", "ask person||"},
      {"", "x", "ask person||"},  // a third key without a second is not passed
      {"KX01", "", "ask person|KX01|"},
      {"KX01", "x", "ask person|KX01|x"},
  };
  TestHost host;
  TestLogin login = clerkLogin(account);
  login.testHost = &host;
  for (const Case& c : cases) {
    std::vector<std::string> calls;
    host.rowRights = scripted([](const std::string&) { return std::string("'0003'"); }, &calls);
    GetRowAuth(login, "person", c.a2, c.a3);
    const std::vector<std::string> expected = {"init " + login.connect + " clerk", c.asked};
    EXPECT_EQ(calls, expected) << c.a2 << "/" << c.a3;
  }
}

// Inside a request one service answers every question of the user; a service that failed is
// replaced at the next question.
TEST_F(QueryBuildersTest, RowAuthAsksOneServicePerRequest) {
  TestHost host;
  TestLogin login = clerkLogin(account);
  login.testHost = &host;
  std::vector<std::string> calls;
  static bool fail = false;
  host.rowRights =
      scripted([](const std::string& object) { return fail ? failing(object) : "'" + object + "'"; }, &calls);
  {
    const RequestHostScope request(host);
    EXPECT_EQ(GetRowAuth(login, "person"), "'person'");
    EXPECT_EQ(GetRowAuth(login, "department"), "'department'");
    fail = true;
    EXPECT_EQ(GetRowAuth(login, "user"), "1=2");
    fail = false;
    EXPECT_EQ(GetRowAuth(login, "fitem"), "'fitem'");
  }
  EXPECT_EQ(GetRowAuth(login, "djmb"), "'djmb'");
  const std::string init = "init " + login.connect + " clerk";
  const std::vector<std::string> expected = {init,          "ask person||", "ask department||", "ask user||", init,
                                             "ask fitem||", init,           "ask djmb||"};
  EXPECT_EQ(calls, expected);
}

TEST_F(QueryBuildersTest, RowAuthAnswersByUserAndService) {
  struct Case {
    const char* what;
    bool admin;
    RowRightFactory service;
    std::string expected;
  } const cases[] = {
      {"administrator, never asked", true, scripted(failing), ""},
      {"blank answer means no restriction", false, scripted([](const std::string&) { return std::string("   "); }), ""},
      {"a failing service allows nothing", false, scripted(failing), "1=2"},
      {"a service that cannot be created allows nothing", false,
       []() -> std::unique_ptr<RowRight> { throw std::bad_alloc(); }, "1=2"},
      {"the embedded service", false, CreateRowRight, "'02','0301'"},
  };
  for (const Case& c : cases) {
    TestHost host;
    host.rowRights = c.service;
    TestLogin login = clerkLogin(account);
    login.admin = c.admin;
    login.testHost = &host;
    EXPECT_EQ(GetRowAuth(login, "department"), c.expected) << c.what;
  }
}

TEST_F(QueryBuildersTest, RowAuthFailsClosedWhenTheAccountCannotBeReached) {
  TestLogin login = clerkLogin(account);
  login.connect = "Data Source=/nonexistent/corvane-account";
  EXPECT_EQ(GetRowAuth(login, "department"), "1=2");
}

TEST_F(QueryBuildersTest, AuthSourceTexts) {
  struct Case {
    const char* what;
    TestLogin login;
    RowRightFactory service;
    bool alias;
    std::string expected;
  } const cases[] = {
      {"administrator", adminLogin(account), CreateRowRight, true, "KX_LoanVouch"},
      {"clerk, aliased", clerkLogin(account), CreateRowRight, true,
       "(Select * From KX_LoanVouch Where  strDepartID IN ('02','0301') And  strLoanID IN "
       "('0003','0004','0005') And  Isnull(strItemID ,N'') IN (Select N'' Union Select "
       "'P2601' Union Select 'P2602' Union Select 'P2603') And  strPersonID IN ('李晓燕') ) "
       "As KX_LoanVouch"},
      {"nothing allowed, without alias", clerkLogin(account), scripted(nothingAllowed), false,
       "(Select * From KX_LoanVouch Where  strDepartID IN (N'') And  strLoanID IN (N'') And  "
       "Isnull(strItemID ,N'') IN (Select N'' Union Select N'') And  strPersonID IN ('') ) "},
  };
  for (const Case& c : cases) {
    TestHost host;
    host.rowRights = c.service;
    TestLogin login = c.login;
    login.testHost = &host;
    EXPECT_EQ(GetAuthSource(login, "KX_LoanVouch", c.alias), c.expected) << c.what;
  }
}

// Callers hold the alias flag as the text "True" or "False"; a text must not read as true.
template <class Flag>
constexpr bool kTakesAliasFlag = requires(const LoginContext& login, Flag flag) {
  GetAuthSource(login, "KX_LoanVouch", flag);
};
static_assert(kTakesAliasFlag<bool>);
static_assert(!kTakesAliasFlag<const char*>);

// Loans across departments, borrowers, items and operators (the demo's own loans left aside): the clerk may see the
// finance department and the East China sales group, the persons 0003 to 0005, the items of class 01 and his own
// vouchers.
TEST_F(QueryBuildersTest, ClerksRightsNarrowTheLoans) {
  connection.execute(
      "insert into KX_LoanVouch (GUID, strTypeCode, strVouchID, strDepartID, strLoanID, "
      "strItemClassID, strItemID, strPersonID) values "
      "('{A1}', '301', 'L1', '02', '0003', null, null, '李晓燕'),"
      "('{A2}', '301', 'L2', '0301', '0005', '01', 'P2601', '李晓燕'),"
      "('{A3}', '301', 'L3', '04', '0003', null, null, '李晓燕'),"
      "('{A4}', '301', 'L4', '02', '0009', null, null, '李晓燕'),"
      "('{A5}', '301', 'L5', '02', '0004', '02', 'C01', '李晓燕'),"
      "('{A6}', '301', 'L6', '02', '0004', null, null, '周建国')");
  struct Case {
    const char* what;
    TestLogin login;
    RowRightFactory service;
    std::vector<std::string> expected;
  } const cases[] = {
      {"administrator", adminLogin(account), CreateRowRight, {"L1", "L2", "L3", "L4", "L5", "L6"}},
      {"clerk", clerkLogin(account), CreateRowRight, {"L1", "L2"}},
      {"service down", clerkLogin(account), scripted(failing), {}},
  };
  for (const Case& c : cases) {
    TestHost host;
    host.rowRights = c.service;
    TestLogin login = c.login;
    login.testHost = &host;
    EXPECT_EQ(column("select KX_LoanVouch.strVouchID from " + GetAuthSource(login, "KX_LoanVouch", true) +
                     " where KX_LoanVouch.strVouchID like 'L%' order by KX_LoanVouch.strVouchID"),
              c.expected)
        << c.what;
    EXPECT_EQ(column("select v.strVouchID from " + GetAuthSource(login, "KX_LoanVouch", false) +
                     " v where v.strVouchID like 'L%' order by v.strVouchID"),
              c.expected)
        << c.what << " without alias";
  }
}

TEST_F(QueryBuildersTest, AccInfoReadsValueThenDefault) {
  connection.execute(
      "insert into AccInformation (cSysID, cID, cName, cType, cValue, cDefault) values "
      "('GL', '901', 'optDefaulted', 'String', null, 'fallback'),"
      "('GL', '902', 'optUnset', 'String', null, null)");
  struct Case {
    std::string name, sysid, expected;
  } const cases[] = {
      {"strIOLevel", "", "122"},   {"strIOLevel", "KX", "122"},      {"strIOLevel", "GL", ""},
      {"STRIOLEVEL", "kx", "122"}, {"optDefaulted", "", "fallback"}, {"optUnset", "GL", ""},
      {"noSuchOption", "", ""},    {"O'Brien", "K'X", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetAccInfo(c.name, connection, c.sysid), c.expected) << c.name << "/" << c.sysid;
  }
}

TEST_F(QueryBuildersTest, ItemTableTexts) {
  struct Case {
    std::string itemClass, expected;
  } const cases[] = {
      {"ch",
       "(select N'ch' as citem_class,cinvcode as citemcode,cinvname as citemname from "
       "inventory)fitems"},
      {"02", "(select N'02' as citem_class,citemcode,citemname from fitemss02)fitems"},
      {"",
       "((select N'01' as citem_class,citemcode,citemname from fitemss01)union all (select "
       "N'02' as citem_class,citemcode,citemname from fitemss02)union all (select N'ch' as "
       "citem_class,cinvcode as citemcode,cinvname as citemname from inventory))fitems"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetItemTableSql(c.itemClass, connection), c.expected) << c.itemClass;
  }
}

TEST_F(QueryBuildersTest, ItemTablesQueryTheItems) {
  EXPECT_EQ(column("select citemcode from " + GetItemTableSql("", connection) + " order by citem_class, citemcode"),
            (std::vector<std::string>{"P2601", "P2602", "P2603", "C01", "C02", "A001", "A002"}));
  EXPECT_EQ(column("select citemname from " + GetItemTableSql("02", connection) + " order by citemcode"),
            (std::vector<std::string>{"生产一车间", "装配车间"}));

  connection.execute("delete from fitem");
  EXPECT_EQ(GetItemTableSql("", connection), "(select null as citem_class,null as citemcode,null as citemname)fitems");
  EXPECT_EQ(column("select citemcode from " + GetItemTableSql("", connection)), (std::vector<std::string>{"<null>"}));
}

TEST_F(QueryBuildersTest, ItemClassMustBeAPlainCode) {
  for (const std::string itemClass : {"01 union select 1,2,3--", "0'1", "x] from t--", "01)fitems;--", "0 1"}) {
    try {
      GetItemTableSql(itemClass, connection);
      ADD_FAILURE() << itemClass;
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.number(), errnum::kInvalidArgument) << itemClass;
    }
  }
  connection.execute("insert into fitem (citem_class, citem_name) values ('0''x', 'bad')");
  EXPECT_THROW(GetItemTableSql("", connection), RuntimeError);
}

XmlDocument conditionDocument(const std::string& rows) {
  XmlDocument document;
  EXPECT_TRUE(document.loadXML("<cond>" + rows + "</cond>")) << rows;
  return document;
}

TEST(BuildWhereFromXml, Comparisons) {
  struct Case {
    std::string rows, expected;
  } const cases[] = {
      {"", "1=1"},
      {"<row fieldname='strVouchID' fieldtype='0' value='JK01' type='0'/>", "1=1 and strVouchID='JK01'"},
      {"<row fieldname='dtLoanDate' fieldtype='1' value='2026-1-1' type='1'/>", "1=1 and dtLoanDate>='2026-1-1'"},
      {"<row fieldname='dtLoanDate' fieldtype='9' value='2026-2-1' type='5'/>", "1=1 and dtLoanDate<='2026-2-1'"},
      {"<row fieldname='dblMoney' fieldtype='0' value='12.50' type='2'/>", "1=1 and dblMoney=12.5"},
      {"<row fieldname='dblMoney' fieldtype='1' value='' type='3'/>", "1=1 and dblMoney>=0"},
      {"<row fieldname='dblMoney' value='-3' type='4'/>", "1=1 and dblMoney<=-3"},
      // Amounts beyond a double's fifteen digits keep their last cent; other numbers as before.
      {"<row fieldname='dblMoney' fieldtype='1' value='123456789012345.67' type='2'/>",
       "1=1 and dblMoney>=123456789012345.67"},
      {"<row fieldname='dblMoney' fieldtype='0' value='+0.1000' type='2'/>", "1=1 and dblMoney=0.1"},
      {"<row fieldname='dblMoney' fieldtype='0' value='1e3' type='2'/>", "1=1 and dblMoney=1000"},
      {"<row fieldname='fltRate' fieldtype='0' value='0.123456' type='2'/>", "1=1 and fltRate=0.123456"},
      {"<row fieldname='blnAudi' fieldtype='1' value='True' type='6'/>", "1=1 and blnAudi=1"},
      {"<row fieldname='blnAudi' value='0' type='6'/>", "1=1 and blnAudi=0"},
      // Skipped: no value, an unknown or missing type.
      {"<row fieldname='a' fieldtype='0' type='0'/><row fieldname='b' value='1' type='7'/>"
       "<row fieldname='c' value='1'/>",
       "1=1"},
      {"<row fieldname='kx_loanvouch.strDepartID' fieldtype='0' value='02' type='0'/>"
       "<row fieldname='[kx_vch].[dblMoney]' fieldtype='1' value='5' type='2'/>"
       "<row fieldname='[strLoanID]' fieldtype='0' value='0003' type='0'/>",
       "1=1 and kx_loanvouch.strDepartID='02' and [kx_vch].[dblMoney]>=5 and "
       "[strLoanID]='0003'"},
  };
  for (const Case& c : cases) {
    const XmlDocument document = conditionDocument(c.rows);
    EXPECT_EQ(BuildWhereFromXml(document.documentElement()), c.expected) << c.rows;
  }
}

TEST(BuildWhereFromXml, HostileValuesStayValues) {
  struct Case {
    std::string type, value, expected;
  } const cases[] = {
      {"0", "O'Brien", "1=1 and strName='O''Brien'"},
      {"0", "'; delete from KX_OperationType --", "1=1 and strName='''; delete from KX_OperationType --'"},
      {"2", "1 or 1=1", "1=1 and strName=0"},
      {"3", "'; delete from KX_OperationType --", "1=1 and strName=0"},
      {"0", "x] from t--", "1=1 and strName='x] from t--'"},
  };
  for (const Case& c : cases) {
    XmlDocument document;
    document.createDocumentElement("cond");
    XmlNode row = document.documentElement().appendElement("row");
    row.setAttribute("fieldname", "strName");
    row.setAttribute("fieldtype", "0");
    row.setAttribute("type", c.type);
    row.setAttribute("value", c.value);
    EXPECT_EQ(BuildWhereFromXml(document.documentElement()), c.expected) << c.value;
  }
}

TEST(BuildWhereFromXml, FieldNamesMustBePlainColumns) {
  const std::string refused[] = {
      "x] from t--",
      "strName='' or 1=1 --",
      "'; delete from KX_OperationType --",
      "1 or 1=1",
      "a.b.c",
      "",
      "O'Brien",
      "[a",
      "a b",
      "[a]].[b]",
      "a.",
      "strName;drop table x",
      "(strName)",
  };
  for (const std::string& fieldname : refused) {
    for (const char* type : {"0", "2", "6"}) {
      XmlDocument document;
      document.createDocumentElement("cond");
      XmlNode row = document.documentElement().appendElement("row");
      row.setAttribute("fieldname", fieldname);
      row.setAttribute("type", type);
      row.setAttribute("value", "1");
      try {
        BuildWhereFromXml(document.documentElement());
        ADD_FAILURE() << fieldname << " type " << type;
      } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), errnum::kInvalidArgument) << fieldname;
      }
    }
  }
}

TEST(BuildWhereFromXml, BooleanValueThatIsNoBooleanRaises) {
  const XmlDocument document = conditionDocument("<row fieldname='blnAudi' value='maybe' type='6'/>");
  try {
    BuildWhereFromXml(document.documentElement());
    ADD_FAILURE();
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), errnum::kTypeMismatch);
  }
}

// The hostile values, compared as text and as numbers against real rows, find exactly the rows
// that hold them and change nothing.
TEST_F(QueryBuildersTest, HostileConditionsRunAsPlainComparisons) {
  connection.execute("insert into KX_OperationType (intType, strCode, strName) values (3, '303', 'O''Brien')");
  struct Case {
    std::string type, value;
    std::vector<std::string> expected;
  } const cases[] = {
      {"0", "O'Brien", {"303"}}, {"0", "'; delete from KX_OperationType --", {}},
      {"0", "1 or 1=1", {}},     {"0", "x] from t--", {}},
      {"2", "1 or 1=1", {}},     {"2", "'; delete from KX_OperationType --", {}},
  };
  for (const Case& c : cases) {
    XmlDocument document;
    document.createDocumentElement("cond");
    XmlNode row = document.documentElement().appendElement("row");
    row.setAttribute("fieldname", c.type == "0" ? "KX_OperationType.strName" : "intType");
    row.setAttribute("fieldtype", "0");
    row.setAttribute("type", c.type);
    row.setAttribute("value", c.value);
    EXPECT_EQ(column("select strCode from KX_OperationType where " + BuildWhereFromXml(document.documentElement())),
              c.expected)
        << c.value;
  }
  EXPECT_EQ(column("select count(*) from KX_OperationType"), std::vector<std::string>{"7"});
}

}  // namespace
}  // namespace corvane
