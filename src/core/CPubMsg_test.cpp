#include "core/CPubMsg.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/EmbeddedLoginContext.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "support/CaseAccount.h"
#include "vouchers/Templates.h"

namespace corvane {
namespace {

class PubMsgTest : public ::testing::Test {
 protected:
  // Serves `request` through CPubMsg as the user; the answered document.
  XmlDocument serve(const std::string& request, const std::string& user = "demo") {
    CPubMsg pub;
    return account_.serve(pub, request, user);
  }
  // The answer of the only func of `request`.
  XmlNode answerOf(XmlDocument& document) {
    const XmlNode answer = document.selectSingleNode("//func/out/*");
    EXPECT_TRUE(answer) << document.xml();
    return answer;
  }
  std::string firstValue(const std::string& query) const {
    db::Connection connection;
    connection.open(account_.connectString());
    db::Recordset rs;
    rs.open(query, connection);
    return rs.eof() ? std::string("(none)") : CStr(rs.field(0).value());
  }

  CaseAccount account_;
};

std::string func(const std::string& name, const std::string& in, const std::string& extra = "") {
  return "<func name='" + name + "'" + extra + "><in>" + in + "</in></func>";
}

std::string request(const std::string& funcs) { return "<req>" + funcs + "</req>"; }

// ---- the dispatcher ----

// Client SQL nested far too deeply, through each func that runs it: an error reply with SQL
// Server's text (the reference server answers its failures as text only), and the next func
// still served.
TEST_F(PubMsgTest, ClientSqlNestedTooDeeplyIsAnErrorReply) {
  constexpr int kDeep = 10000;
  const std::string nested = std::string(kDeep, '(') + "1=1" + std::string(kDeep, ')');
  const std::string select = "select cDepCode from Department where " + nested;
  const struct {
    std::string func;
    const char* id;
  } kCases[] = {
      {func("selectget", "<sql>" + select + "</sql>", " goon='1'"), "Corvane:CPubMsg:selectGet:-2147217900"},
      {func("refercheck", "<q strsql='" + select + "'/>", " goon='1'"), "Corvane:CPubMsg:accGet:-2147217900"},
      {func("refer",
            "<refer type='sql' name='select cDepCode from Department' match='" + nested +
                "' order='' auth='0' flag='KX'/>",
            " goon='1'"),
       "Corvane:CPubMsg:itemRefer:0"},
  };
  for (const auto& c : kCases) {
    XmlDocument reply = serve(request(c.func + func("vchlogoget", "")), "clerk");
    const XmlNode error = reply.selectSingleNode("//func[1]/out/error");
    ASSERT_TRUE(error) << c.id;
    EXPECT_EQ(error.selectSingleNode("id").text(), c.id);
    EXPECT_EQ(error.selectSingleNode("text").text(), "查询语句嵌套过深，请简化后重试。");
    EXPECT_TRUE(reply.selectSingleNode("//func[2]/out/logo")) << c.id;
  }
}

TEST_F(PubMsgTest, NamesOutsideTheTableSucceedWithNothingAppended) {
  const char* names[] = {"vchgetexpenbodydata", "VchNoGet", "", "getOperList"};
  for (const char* name : names) {
    XmlDocument reply = serve(request(func(name, "<a AutoID='1'/>") + func("vchlogoget", "")));
    EXPECT_EQ(reply.selectNodes("//func[1]/out/*").size(), 0u) << name;
    EXPECT_TRUE(reply.selectSingleNode("//func[2]/out/logo")) << name;
  }
  XmlDocument nameless = serve("<req><func><in/></func></req>");
  EXPECT_EQ(nameless.selectNodes("//out/*").size(), 0u);
}

TEST_F(PubMsgTest, AFailedFuncKeepsItsOwnReplyAndStopsTheWalkUnlessGoonIsOne) {
  struct Case {
    const char* goon;
    bool secondServed;
  };
  const Case cases[] = {{"", false}, {" goon='0'", false}, {" goon='true'", false}, {" goon='1'", true}};
  for (const Case& c : cases) {
    XmlDocument reply = serve(request(func("vchprintdataget", "<key>none</key>", c.goon) + func("vchlogoget", "")));
    EXPECT_EQ(reply.selectSingleNode("//func[1]/out/error/id").text(), "Corvane:CPubMsg:VchPrintDataGet:0") << c.goon;
    EXPECT_EQ(reply.selectNodes("//func[1]/out/*").size(), 1u) << c.goon;
    EXPECT_EQ(static_cast<bool>(reply.selectSingleNode("//func[2]/out")), c.secondServed) << c.goon;
  }
}

TEST_F(PubMsgTest, WithoutALoginObjectTheWholeDocumentIsTheErrorReply) {
  XmlDocument document;
  ASSERT_TRUE(document.loadXML(request(func("vchlogoget", ""))));
  CPubMsg().myHandle(nullptr, document);
  EXPECT_EQ(document.documentElement().name(), "error");
  EXPECT_EQ(document.selectSingleNode("error/id").text(), "Corvane:CPubMsg:pubHandle:0");
}

// ---- the voucher form reads handed to the voucher classes ----

TEST_F(PubMsgTest, LoanHeadWithItsItemAndCurrencyAndItsLines) {
  XmlDocument reply =
      serve(request(func("vchgetloanheaddata", "<a AutoID='2'/>") + func("vchgetloanbodydata", "<a AutoID='1'/>")));
  const XmlNode head = reply.selectSingleNode("//func[1]/out/xml/rs:data/z:row");
  ASSERT_TRUE(head) << reply.xml();
  EXPECT_EQ(head.attribute("strVouchID"), "JK2026010002");
  EXPECT_EQ(head.attribute("strItem"), "工业控制器");  // item class "ch": the inventory's name
  EXPECT_EQ(head.attribute("NumPoint"), "2");
  EXPECT_EQ(head.attribute("editprop"), "");
  EXPECT_EQ(reply.selectNodes("//func[1]/out/xml/rs:data/z:row").size(), 1u);
  const auto lines = reply.selectNodes("//func[2]/out/xml/rs:data/z:row");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].attribute("dblMoney"), "3000");
  EXPECT_EQ(lines[1].attribute("strBankAcc"), "6225880212345678");
}

TEST_F(PubMsgTest, ClaimHeadFillsItemAndDecimals) {
  account_.execute("Update foreigncurrency Set idec = 3 Where cexch_name = '美元'");
  account_.execute("Update KX_ExpenVouch Set strItemID = 'P2699' Where AutoID = 1");
  account_.execute("Update KX_ExpenVouch Set strItemClassID = '01' Where AutoID = 1");
  account_.execute("Update KX_ExpenVouch Set strBill = '欧元' Where AutoID = 4");
  struct Case {
    const char* autoId;
    const char* strItem;
    const char* numPoint;
  };
  const Case cases[] = {
      {"3", "华东渠道拓展", "2"},  // item class 01: the item table fitemss01
      {"2", "变频驱动模块", "3"},  // item class ch, dollars with three decimals
      {"1", "", "2"},              // an item that is not found
      {"4", " ", "0"},             // no item, a currency that is not found
  };
  for (const Case& c : cases) {
    XmlDocument reply = serve(request(func("vchgetexpenheaddata", std::string("<a AutoID='") + c.autoId + "'/>")));
    const XmlNode row = reply.selectSingleNode("//out/xml/rs:data/z:row");
    ASSERT_TRUE(row) << c.autoId << reply.xml();
    EXPECT_EQ(row.attribute("AutoID"), c.autoId);
    EXPECT_EQ(row.attribute("strItem"), c.strItem) << c.autoId;
    EXPECT_EQ(row.attribute("NumPoint"), c.numPoint) << c.autoId;
  }
}

TEST_F(PubMsgTest, WithoutAWholeNumberAutoIDTheEmptyTemplateComesBack) {
  struct Case {
    const char* name;
    const char* in;
    const char* column;  // a column of the view that the schema must still describe
  };
  const Case cases[] = {
      {"vchgetloanheaddata", "<a/>", "strItem"},
      {"vchgetloanheaddata", "<a AutoID='0'/>", "NumPoint"},
      {"vchgetloanheaddata", "<a AutoID='1 or 1=1'/>", "strVouchID"},
      {"vchgetloanbodydata", "<a AutoID='1;delete from KX_LoanVouch_Sub'/>", "dblMoney"},
      {"vchgetexpenheaddata", "<a/>", "strTypeCode"},
      {"vchgetexpenheaddata", "<a AutoID='3.5'/>", "editprop"},
      {"vchgetExpenbodydata", "<a/>", "strIOItem"},
      {"vchgetExpenbodydata", "<a AutoID=''/>", "editprop"},
  };
  for (const Case& c : cases) {
    XmlDocument reply = serve(request(func(c.name, c.in)));
    const XmlNode answer = answerOf(reply);
    ASSERT_EQ(answer.name(), "xml") << c.name << c.in;
    EXPECT_TRUE(answer.selectSingleNode(std::string("s:Schema//s:AttributeType[@name='") + c.column + "']"))
        << c.name << c.in;
    EXPECT_EQ(answer.selectNodes("rs:data/z:row").size(), 0u) << c.name << c.in;
  }
  EXPECT_EQ(firstValue("Select count(*) From KX_LoanVouch_Sub"), "4");
}

TEST_F(PubMsgTest, AReadWithoutAnInElementAnswersItsOwnError) {
  XmlDocument reply = serve(request("<func name='vchgetloanbodydata'/>"));
  EXPECT_EQ(reply.selectSingleNode("//out/error/id").text(), "Corvane:CLoan:GetVoucherBody:91");
}

// ---- voucher numbers ----

TEST_F(PubMsgTest, NumberFormatOfACard) {
  XmlDocument reply = serve(request(func("vchnoformatget", "<type>KX03</type>")));
  const XmlNode format = answerOf(reply);
  EXPECT_EQ(format.name(), "单据编号");
  EXPECT_EQ(format.attribute("允许手工修改"), "false");
  EXPECT_EQ(format.attribute("重号自动重取"), "true");
  EXPECT_EQ(format.selectSingleNode("前缀[1]").attribute("内容"), "BX");
}

TEST_F(PubMsgTest, NumbersDrawnFromTheVoucherHead) {
  struct Case {
    const char* in;
    const char* number;
  };
  const Case cases[] = {
      // a head element; the flag draws
      {"<type>KX01</type><true>true</true><voucher><head><z:row dtLoanDate='2026-01-20T00:00:00'/></head></voucher>",
       "JK2026010004"},
      // without the flag the next number is shown, not drawn
      {"<type>KX01</type><voucher><head><z:row dtLoanDate='2026-01-21'/></head></voucher>", "JK2026010005"},
      {"<type>KX01</type><true>TRUE</true><voucher><head><z:row dtLoanDate='2026-01-22'/></head></voucher>",
       "JK2026010005"},
      // the record-set row is looked for first; rows elsewhere in the request feed nothing
      {"<z:row dtLoanDate='2026-09-01'/><type>KX02</type><true>true</true><voucher>"
       "<head><z:row dtLoanDate='2026-07-01'/></head><rs:data><z:row dtLoanDate='2026-05-01T00:00:00'/></rs:data>"
       "</voucher>",
       "SR2026050001"},
  };
  for (const Case& c : cases) {
    XmlDocument reply = serve(request(func("vchnoget", c.in)));
    EXPECT_EQ(answerOf(reply).xml(), std::string("<vchno>") + c.number + "</vchno>") << c.in;
  }
}

TEST_F(PubMsgTest, NumberSeedsFollowTheirFieldNames) {
  // A department part, a remote part whose seed stays as the format holds it, and a date field
  // whose name ends in DATE in capitals.
  account_.execute(
      "Update BillNumberFormat Set FormatXml = '<单据编号 允许手工修改=\"false\" 流水号长度=\"2\">"
      "<前缀 对象名称=\"部门\" 源表字段名=\"strDepartID\" 种子=\"\"/>"
      "<前缀 对象名称=\"远程号\" 源表字段名=\"strDepartID\" 种子=\"R-\"/>"
      "<前缀 对象名称=\"字段\" 源表字段名=\"strExpDATE\" 种子=\"\"/>"
      "<前缀 对象名称=\"字段\" 源表字段名=\"strUsed\" 种子=\"\"/></单据编号>' Where CardNumber = 'KX01'");
  XmlDocument reply = serve(request(func("vchnoget",
                                         "<type>KX01</type><true>true</true><voucher><head><z:row strDepartID='04' "
                                         "strExpDATE='2026-02-03T10:00:00' strUsed='a&amp;bTc'/></head></voucher>")));
  EXPECT_EQ(answerOf(reply).text(), "04R-2026-02-03a&bTc01");
}

TEST_F(PubMsgTest, NumberingFailures) {
  struct Case {
    const char* setup;
    const char* funcName;
    const char* in;
    const char* id;
  };
  const Case cases[] = {
      {"", "vchnoformatget", "<type>KX09</type>", "Corvane:CPubMsg:VchNoFormatGet:0"},
      {"", "vchnoget", "<type>KX09</type><voucher/>", "Corvane:CPubMsg:VchNoGet:0"},
      {"Update BillNumberFormat Set FormatXml = '<单据编号>' Where CardNumber = 'KX02'", "vchnoformatget",
       "<type>KX02</type>", "Corvane:CPubMsg:VchNoFormatGet:0"},
      {"", "vchnoget", "<type>KX02</type><voucher/>", "Corvane:CPubMsg:VchNoGet:0"},
      {"Update BillNumberFormat Set FormatXml = replace(FormatXml, '允许手工修改=\"false\"', "
       "'允许手工修改=\"True\"') Where CardNumber = 'KX01'",
       "vchnoget", "<type>KX01</type><true>true</true><voucher><head><z:row dtLoanDate='2026-01-20'/></head></voucher>",
       "Corvane:CPubMsg:VchNoGet:0"},
      {"Update BillNumberFormat Set FormatXml = replace(FormatXml, '源表字段名=\"dtLoanDate\" ', '') "
       "Where CardNumber = 'KX01'",
       "vchnoget", "<type>KX01</type><voucher><head><z:row dtLoanDate='2026-01-20'/></head></voucher>",
       "Corvane:CPubMsg:VchNoGet:94"},
      {"", "vchnoget", "<voucher/>", "Corvane:CPubMsg:VchNoGet:91"},
      {"", "vchnoget", "<type>KX01</type><true>maybe</true><voucher/>", "Corvane:CPubMsg:VchNoGet:13"},
  };
  for (const Case& c : cases) {
    if (*c.setup != '\0') account_.execute(c.setup);
    XmlDocument reply = serve(request(func(c.funcName, c.in)));
    const XmlNode answer = answerOf(reply);
    EXPECT_EQ(answer.selectSingleNode("id").text(), c.id) << c.in << answer.xml();
    EXPECT_FALSE(answer.selectSingleNode("text").text().empty()) << c.in;
  }
  // The manual format drew nothing.
  EXPECT_EQ(firstValue("Select LastSerial From BillNumberSeed Where SeedPrefix = 'JK202601'"), "3");
}

// ---- templates, fixed data, logo and print formats ----

TEST_F(PubMsgTest, TemplateListsByMode) {
  struct Case {
    const char* in;
    const char* ids;
  };
  const Case cases[] = {
      {"<type>KX01</type>", "11"},
      {"<type>KX01</type><kind>1</kind>", "12"},
      {"<type>KX03</type><kind>0.4</kind>", "31"},
      {"<type>KX03</type><kind>abc</kind>", "31"},
      {"<type>KX03' or ''='</type>", ""},
  };
  for (const Case& c : cases) {
    XmlDocument reply = serve(request(func("vchmodulelistget", c.in)));
    std::string ids;
    for (const XmlNode& row : reply.selectNodes("//out/rows/row"))
      ids += (ids.empty() ? "" : ",") + row.attribute("vt_id");
    EXPECT_EQ(ids, c.ids) << c.in;
  }
  XmlDocument overflow = serve(request(func("vchmodulelistget", "<type>KX01</type><kind>256</kind>")));
  EXPECT_EQ(answerOf(overflow).selectSingleNode("id").text(), "Corvane:CPubMsg:VchModuleListGet:6");
}

TEST_F(PubMsgTest, TemplateDataTestsAndFailures) {
  struct Case {
    const char* in;
    const char* answer;  // the root of the answer
    const char* detail;  // vt_id of the first record, the text of a test, or the error id
  };
  const Case cases[] = {
      {"<type>KX01</type><id>11</id>", "xml", "11"},
      {"<type>KX03</type><id/>", "xml", "31"},                      // the card's screen template
      {"<type>KX03</type><id>32</id><test>1</test>", "xml", "32"},  // an id: the test is ignored
      {"<type>KX03</type><id/><test>1</test>", "Rows", "1"},
      {"<type>KX09</type><id/><test>1</test>", "Rows", ""},
      {"<type>KX09</type><id/>", "error", "Corvane:CPubMsg:VchModuleGet:0"},        // no template
      {"<type>KX01</type><id>31</id>", "error", "Corvane:CPubMsg:VchModuleGet:0"},  // another card's
      {"<type>KX01</type><id>11' or '1'='1</id>", "error", "Corvane:CPubMsg:VchModuleGet:"},
      {"<id>11</id>", "error", "Corvane:CPubMsg:VchModuleGet:91"},
  };
  for (const Case& c : cases) {
    XmlDocument reply = serve(request(func("vchmoduleget", c.in)));
    const XmlNode answer = answerOf(reply);
    ASSERT_EQ(answer.name(), c.answer) << c.in;
    if (answer.name() == "error") {
      // A template id that is no number fails in the database or finds nothing; either way no
      // template comes back.
      EXPECT_EQ(answer.selectSingleNode("id").text().rfind(c.detail, 0), 0u) << c.in;
    } else {
      const XmlNode row = answer.selectSingleNode("rs:data/z:row");
      EXPECT_EQ(row ? row.attribute("vt_id") : answer.text(), c.detail) << c.in;
    }
  }
}

TEST_F(PubMsgTest, TemplateRightsStatementsHonourTheList) {
  struct Case {
    std::string sql;
    const char* ids;
  };
  const Case cases[] = {
      {TemplateListSql("KX01", 0, ""), "11"},       {TemplateListSql("KX01", 0, "1=2"), ""},
      {TemplateListSql("KX01", 1, "12,31"), "12"},  {DefaultTemplateSql("KX03", "32"), ""},
      {DefaultTemplateSql("KX03", "31,32"), "31"},  {AllowedTemplateSql("KX01", "11,12", "12"), "12"},
      {AllowedTemplateSql("KX01", "11", "12"), ""},
  };
  db::Connection connection;
  connection.open(account_.connectString());
  for (const Case& c : cases) {
    db::Recordset rs;
    rs.open(c.sql, connection);
    std::string ids;
    for (; !rs.eof(); rs.moveNext()) ids += (ids.empty() ? "" : ",") + CStr(rs.field("vt_id").value());
    EXPECT_EQ(ids, c.ids) << c.sql;
  }
}

TEST_F(PubMsgTest, FixedDataAndLogo) {
  XmlDocument reply = serve(request(func("vchfixeddataget", "<id>11</id>") + func("vchfixeddataget", "<id>12</id>") +
                                    func("vchfixeddataget", "<id>22</id>") +
                                    func("vchfixeddataget", "<id>99</id>", " goon='1'") + func("vchlogoget", "")));
  EXPECT_EQ(reply.selectNodes("//func[1]/out/xml/rs:data/z:row").size(), 2u);
  EXPECT_EQ(reply.selectSingleNode("//func[2]/out/xml/rs:data/z:row").attribute("strValue"), "借款单");
  account_.execute("Delete From VoucherFixedData Where vt_id = 22");
  EXPECT_EQ(reply.selectSingleNode("//func[4]/out/error/id").text(), "Corvane:CPubMsg:VchFixedDataGet:0");
  EXPECT_EQ(reply.selectSingleNode("//func[5]/out/logo").text().rfind("iVBORw0KGgo", 0), 0u);
  XmlDocument none = serve(request(func("vchfixeddataget", "<id>22</id>") + func("vchlogoget", "")));
  EXPECT_TRUE(none.selectSingleNode("//func[1]/out/xml/rs:data"));
  EXPECT_EQ(none.selectNodes("//func[1]/out/xml/rs:data/z:row").size(), 0u);
  account_.execute("Delete From CompanyLogo");
  account_.execute("Drop Table CompanyLogo");
  XmlDocument broken = serve(request(func("vchlogoget", "")));
  EXPECT_EQ(answerOf(broken).selectSingleNode("id").text().rfind("Corvane:CPubMsg:VchFixedDataGet:", 0), 0u);
}

TEST_F(PubMsgTest, PrintFormatsAreStoredThenReplacedAndReadBack) {
  const std::string key = "<key>KX03&apos;s &lt;form&gt;</key>";
  XmlDocument reply =
      serve(request(func("vchprintdataget", key, " goon='1'") +
                    func("vchprintdataset", key + "<printset>&lt;p size='1'/&gt; &amp; it's</printset>") +
                    func("vchprintdataget", key) + func("vchprintdataset", key + "<printset>second</printset>") +
                    func("vchprintdataget", key)));
  EXPECT_EQ(reply.selectSingleNode("//func[1]/out/error/id").text(), "Corvane:CPubMsg:VchPrintDataGet:0");
  EXPECT_TRUE(reply.selectSingleNode("//func[2]/out/success"));
  EXPECT_EQ(reply.selectSingleNode("//func[3]/out/printset").text(), "<p size='1'/> & it's");
  EXPECT_EQ(reply.selectSingleNode("//func[5]/out/printset").text(), "second");
  EXPECT_EQ(firstValue("Select count(*) From prn_format Where moduleid = 'KX03''s <form>'"), "1");
  account_.execute("Update prn_format Set formatxml = Null Where moduleid = 'KX01'");
  XmlDocument nullFormat = serve(request(func("vchprintdataget", "<key>KX01</key>")));
  EXPECT_EQ(answerOf(nullFormat).selectSingleNode("id").text(), "Corvane:CPubMsg:VchPrintDataGet:13");
}

}  // namespace
}  // namespace corvane
