#include "core/PubRefer.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/com/RuntimeError.h"
#include "request/Messages.h"
#include "request/Values.h"
#include "support/PubTestAccount.h"
#include "support/TestHost.h"

namespace corvane {
namespace {

// The clerk's group may see the department 02 by the "code" right (the demo does not control
// codes; this setup does).
const std::vector<std::string> kCodeRights = {
    "INSERT INTO RowRightObject (cBusObject, cName, bControl) VALUES ('code', 'code', 1)",
    "INSERT INTO RowRightGrant (cHolder_ID, iIsUser, cBusObject, cKey, cObjectID) VALUES "
    "('KXCLERK', 0, 'code', '', '02')",
};

struct Page {
  bool ok = false;
  std::string reply;
  std::map<std::string, std::string> attributes;
  std::string at(const std::string& name) const {
    const auto found = attributes.find(name);
    return found == attributes.end() ? "(missing)" : found->second;
  }
  std::vector<std::string> rows;  // each row's attributes as "a=v;b=w;"
  std::size_t formatRows = 0;
  bool hasMode = false;
};

std::vector<std::string> rowsUnder(const XmlNode& root) {
  std::vector<std::string> rows;
  if (!root) return rows;
  for (const XmlNode& row : root.selectNodes("xml/rs:data/z:row")) {
    std::string text;
    for (const auto& [name, value] : row.attributes()) text += name + "=" + value + ";";
    rows.push_back(text);
  }
  return rows;
}

Page pageOf(const PubAnswer& answer) {
  Page page{answer.ok, answer.reply, {}, {}, 0, false};
  XmlDocument document;
  if (!document.loadXML(answer.reply)) return page;
  const XmlNode root = document.documentElement();
  for (const auto& [name, value] : root.attributes()) page.attributes[name] = value;
  page.rows = rowsUnder(root.child("data"));
  page.hasMode = static_cast<bool>(root.child("mode"));
  page.formatRows = rowsUnder(root.child("mode")).size();
  return page;
}

Page refer(PubTestAccount& pub, const std::string& attributes) {
  return pageOf(pub.serve([](FuncCall& call) { return itemRefer(call); },
                          "<func name='refer'><in><refer " + attributes + "/></in></func>"));
}

TEST(ItemRefer, SqlListsArePagedAndNarrowed) {
  PubTestAccount pub("clerk");
  const Page second = refer(pub,
                            "type='sql' name='select cDepCode, cDepName from Department' "
                            "order='cDepCode' length='2' current='2' count='x' flag='f&amp;1'");
  ASSERT_TRUE(second.ok) << second.reply;
  EXPECT_EQ((std::vector<std::string>{"cDepCode=03;cDepName=销售部;", "cDepCode=0301;cDepName=华东销售组;"}),
            second.rows);
  EXPECT_EQ("6", second.at("count"));
  EXPECT_EQ("2", second.at("current"));
  EXPECT_EQ("2", second.at("length"));
  EXPECT_EQ("select cDepCode, cDepName from Department order by cDepCode", second.at("name"));
  EXPECT_EQ("f&1", second.at("flag"));
  EXPECT_EQ("0", second.at("auth"));
  EXPECT_FALSE(second.hasMode);

  // A page beyond the last answers the last; a match with line breaks is used without them; a
  // WHERE in capitals takes the condition with " and ".
  const Page last = refer(pub,
                          "type='sql' name='select cDepCode from Department WHERE cDepCode &lt;&gt; &apos;01&apos;' "
                          "match='cDepCode &lt;&gt;&#10; &apos;04&apos;&#13;' order='cDepCode' "
                          "length='3' current='9'");
  ASSERT_TRUE(last.ok) << last.reply;
  EXPECT_EQ("2", last.at("current"));
  EXPECT_EQ("4", last.at("count"));
  EXPECT_EQ((std::vector<std::string>{"cDepCode=0302;"}), last.rows);
  EXPECT_EQ("cDepCode <> '04'", last.at("match"));
  EXPECT_EQ(
      "select cDepCode from Department WHERE cDepCode <> '01' and cDepCode <> '04' order by "
      "cDepCode",
      last.at("name"));
}

TEST(ItemRefer, RowRightsNarrowEachTypeForTheClerk) {
  struct Case {
    const char* user;
    const char* attributes;
    std::size_t rows;
    const char* auth;  // as the reply reports it
  };
  const Case cases[] = {
      {"clerk", "type='sql' name='select cUser_ID, cUser_Name from vqsystem..UA_User' auth='user'", 1, "user"},
      {"demo", "type='sql' name='select cUser_ID, cUser_Name from vqsystem..UA_User' auth='user'", 2, "user"},
      {"clerk", "type='name' name='user' auth='user'", 1, "0"},
      {"demo", "type='name' name='user' auth='user'", 2, "0"},
      {"clerk", "type='name' name='department' auth='code' match='cname &lt;&gt; &apos;x&apos;'", 1, "0"},
      {"demo", "type='name' name='department' auth='code'", 6, "0"},
      {"clerk", "type='name' name='department' auth='0'", 6, "0"},
      {"clerk", "type='name' name='department' auth=''", 6, "0"},
      {"clerk", "type='name' name='department' auth='dsign'", 6, "0"},
      {"clerk",
       "type='user' name='userdef' username='u' source='1' pos='1' rule='UA_User,cUser_Name' "
       "auth='user'",
       1, "user"},
      {"demo",
       "type='user' name='userdef' username='u' source='1' pos='1' rule='UA_User,cUser_Name' "
       "auth='user'",
       2, "user"},
  };
  for (const Case& c : cases) {
    PubTestAccount pub(c.user, "2026-1-6", kCodeRights);
    const Page page = refer(pub, c.attributes);
    ASSERT_TRUE(page.ok) << c.user << " " << c.attributes << ": " << page.reply;
    EXPECT_EQ(c.rows, page.rows.size()) << c.user << " " << c.attributes;
    EXPECT_EQ(c.auth, page.at("auth")) << c.attributes;
  }
}

TEST(ItemRefer, RowRightConditions) {
  PubTestAccount clerk("clerk", "2026-1-6", kCodeRights);
  struct Case {
    const char* auth;
    const char* condition;
  };
  const Case cases[] = {
      {"code", " ccode in ('02') "},
      {"user", " cuser_name in ('李晓燕') "},
      {"dsign", " 1 = 1 "},
      {"other", " 1 = 1 "},
      {"", " 1 = 1 "},
  };
  for (const Case& c : cases) {
    XmlDocument document;
    document.loadXML("<refer auth='" + std::string(c.auth) + "'/>");
    EXPECT_EQ(c.condition, referFilterGet(clerk.login(), document.documentElement())) << c.auth;
  }
  XmlDocument code;
  code.loadXML("<refer auth='code'/>");
  TestHost failingRights;
  failingRights.rowRights = []() -> std::unique_ptr<RowRight> {
    throw RuntimeError(errnum::kClassNotRegistered, "Class not registered");
  };
  PubTestAccount failing("clerk", "2026-1-6", kCodeRights, &failingRights);
  EXPECT_EQ(" 1=0 ", referFilterGet(failing.login(), code.documentElement()));
  clerk.account().execute("DELETE FROM RowRightGrant WHERE cBusObject='code'");
  EXPECT_EQ(" 1=0 ", referFilterGet(clerk.login(), code.documentElement()));
}

TEST(ItemRefer, NamedListsItemClassesAndUserLists) {
  PubTestAccount pub("clerk");
  const Page items = refer(pub, "type='name' name='fitemss01' length='2' col='1'");
  ASSERT_TRUE(items.ok) << items.reply;
  EXPECT_EQ(
      (std::vector<std::string>{"citemcode=P2601;citemname=华东渠道拓展;", "citemcode=P2602;citemname=新品发布会;"}),
      items.rows);
  EXPECT_EQ("3", items.at("count"));
  EXPECT_EQ(2u, items.formatRows);  // the item classes' format stays, col or not

  const Page summaries = refer(pub, "type='name' name='GL_bdigest'");
  ASSERT_TRUE(summaries.ok) << summaries.reply;
  EXPECT_TRUE(summaries.rows.empty());

  const Page units = refer(pub, "type='user' name='fd_dwref' match='iType=1'");
  ASSERT_TRUE(units.ok) << units.reply;
  ASSERT_EQ(1u, units.rows.size());
  EXPECT_NE(std::string::npos, units.rows[0].find("cMark=O'Neil 联络;"));
  EXPECT_EQ(2u, units.formatRows);  // the units' own display format, since col is now 1
  EXPECT_EQ("Select iid,cUnitCode,cUnitName,cMark,iType,accunit_id from fd_accunit  where iType=1", units.at("name"));

  const Page values = refer(pub,
                            "type='user' name='userdef' username='cDefine1' source='-1' pos='1' "
                            "uservalue='' match='cValue &lt;&gt; &apos;实施&apos;'");
  ASSERT_TRUE(values.ok) << values.reply;
  EXPECT_EQ((std::vector<std::string>{"cvalue=立项;", "cvalue=验收;"}), values.rows);
  EXPECT_EQ("项目阶段", values.at("format"));

  const Page defined = refer(pub, "type='name' name='cdefine1' match='cid=&apos;cFree1&apos;'");
  ASSERT_TRUE(defined.ok) << defined.reply;
  EXPECT_EQ(2u, defined.rows.size());
}

// A list is paged by the database: only the page's rows are read. The list "probe" cannot read
// its department 04 (a division by zero), so a page without that row answers and its page fails.
TEST(ItemRefer, NamedListsReadOnlyThePagesRows) {
  PubTestAccount pub("demo", "2026-1-6",
                     {"INSERT INTO ReferDef (cRefName, cSql, cOrder) VALUES ('probe', "
                      "'select cDepCode as ccode, 1 / (case cDepCode when ''04'' then 0 else 1 end) "
                      "as q from Department', 'ccode')"});
  const Page first = refer(pub, "type='name' name='probe' length='2' current='1'");
  ASSERT_TRUE(first.ok) << first.reply;
  EXPECT_EQ("6", first.at("count"));
  EXPECT_EQ("1", first.at("current"));
  ASSERT_EQ(2u, first.rows.size());
  EXPECT_EQ(0u, first.rows[0].rfind("ccode=01;", 0)) << first.rows[0];

  const Page beyond = refer(pub, "type='name' name='probe' length='2' current='9'");
  EXPECT_FALSE(beyond.ok);
  EXPECT_NE(std::string::npos, beyond.reply.find("Divide by zero")) << beyond.reply;
}

// A client's list that ends in its own order is paged by the database (after a closing comment
// too); one that limits its own rows is paged as read whole. Either answers the same pages.
TEST(ItemRefer, SqlListsInTheirOwnOrderOrLimit) {
  PubTestAccount pub("demo");
  struct Case {
    const char* attributes;
    const char* count;
    const char* current;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"name='select cDepCode from Department order by cDepCode -- by code' length='2' current='9'",
       "6",
       "3",
       {"cDepCode=0302;", "cDepCode=04;"}},
      {"name='select cDepCode from Department order by cDepCode desc' length='4' current='2'",
       "6",
       "2",
       {"cDepCode=02;", "cDepCode=01;"}},
      {"name='select top 4 cDepCode from Department order by cDepCode' length='3' current='2'",
       "4",
       "2",
       {"cDepCode=0301;"}},
  };
  for (const Case& c : cases) {
    const Page page = refer(pub, std::string("type='sql' ") + c.attributes);
    ASSERT_TRUE(page.ok) << c.attributes << "\n" << page.reply;
    EXPECT_EQ(c.count, page.at("count")) << c.attributes;
    EXPECT_EQ(c.current, page.at("current")) << c.attributes;
    EXPECT_EQ(c.rows, page.rows) << c.attributes;
  }
}

TEST(ItemRefer, Failures) {
  PubTestAccount pub("clerk");
  struct Failure {
    const char* attributes;
    const char* text;  // a message id, or the text itself
  };
  const Failure failures[] = {
      {"type='list' name='department'", "Z7.Corvane.0086"},
      {"type='sql' name=''", "Z7.Corvane.0336"},
      {"type='user' name='other'", "Z7.Corvane.0336"},
      {"type='user' name='userdef' username='cDefine1' source='7' pos='1'", "Z7.Corvane.0336"},
      {"type='name' name='person' match='1=0'", "Z7.Corvane.0087"},
      {"type='name' name='nosuch'", "There is no reference list named nosuch."},
      {"type='name' name='fitemss0;1'", "There is no item class 0;1."},
  };
  for (const Failure& f : failures) {
    const PubAnswer answer = pub.serve([](FuncCall& call) { return itemRefer(call); },
                                       "<func name='refer'><in><refer " + std::string(f.attributes) + "/></in></func>");
    EXPECT_FALSE(answer.ok) << f.attributes;
    EXPECT_EQ("Corvane:CPubMsg:itemRefer:0", answer.at("id")) << f.attributes;
    const std::string expected = std::string(f.text).rfind("Z7.", 0) == 0 ? GetResString(f.text) : f.text;
    EXPECT_EQ(expected, answer.at("text")) << f.attributes;
  }
}

// Client SQL in every place a lookup takes it: each is refused and changes nothing.
const char* const kHostileRefers[] = {
    "type='sql' name='delete from Department'",
    "type='sql' name='select 1 as a; delete from Department'",
    "type='sql' name='update Department set cDepName=&apos;x&apos;'",
    "type='sql' name='select cDepCode from Department' match='1=1; delete from Department'",
    "type='sql' name='select cDepCode from Department' order='1; delete from Department'",
    "type='name' name='department' match='1=1; delete from Department'",
    "type='name' name='department' order='ccode; update Department set cDepName=&apos;x&apos;'",
    "type='name' name='fitemss01' match='1=1; delete from Department'",
    "type='user' name='fd_dwref' match='1=1; delete from Department'",
};

TEST(ItemRefer, RefusesClientSqlThatWouldWrite) {
  PubTestAccount pub("demo");
  const std::string before = pub.rows("select * from Department order by cDepCode");
  for (const char* attributes : kHostileRefers) {
    const PubAnswer answer = pub.serve([](FuncCall& call) { return itemRefer(call); },
                                       "<func name='refer'><in><refer " + std::string(attributes) + "/></in></func>");
    EXPECT_FALSE(answer.ok) << attributes;
    EXPECT_EQ("Only a single SELECT statement may be run here.", answer.at("text")) << attributes;
  }
  EXPECT_EQ(before, pub.rows("select * from Department order by cDepCode"));
}

// --- refercheck ----------------------------------------------------------------------------

PubAnswer check(PubTestAccount& pub, const std::string& sql) {
  return pub.serve(referCheck, "<func name='refercheck'><in><q strsql='" + XmlEncode(sql) + "'/></in></func>");
}

TEST(ReferCheck, OneRowBecomesAttributes) {
  PubTestAccount pub("clerk");
  struct Case {
    const char* sql;
    const char* reply;
  };
  const Case cases[] = {
      {"select cDepCode, cDepName from Department where cDepCode='02'", "<Rows cDepCode='02' cDepName='财务部'/>"},
      {"select cDepCode from Department where cDepCode like '03%'", "<Rows/>"},
      {"select cDepCode from Department where cDepCode='99'", "<Rows/>"},
      {"select 'a''<b>&' as x, null as y", "<Rows x='a&apos;&lt;b&gt;&amp;' y=''/>"},
  };
  for (const Case& c : cases) {
    const PubAnswer answer = check(pub, c.sql);
    EXPECT_TRUE(answer.ok) << c.sql << ": " << answer.reply;
    EXPECT_EQ(canonical(c.reply), answer.reply) << c.sql;
  }
}

TEST(ReferCheck, RefusesClientSqlThatWouldWrite) {
  PubTestAccount pub("clerk");
  const std::string before = pub.rows("select * from Department order by cDepCode");
  for (const char* sql :
       {"delete from Department", "select 1; delete from Department", "update Department set cDepName='x'"}) {
    const PubAnswer answer = check(pub, sql);
    EXPECT_FALSE(answer.ok) << sql;
    EXPECT_EQ("Corvane:CPubMsg:accGet:5", answer.at("id")) << sql;
  }
  EXPECT_EQ(before, pub.rows("select * from Department order by cDepCode"));
  const PubAnswer broken = check(pub, "select nothing from Nowhere");
  EXPECT_FALSE(broken.ok);
  EXPECT_EQ(0u, broken.at("id").find("Corvane:CPubMsg:accGet:-"));
}

// --- userdefcheck --------------------------------------------------------------------------

TEST(UserdefCheck, VerdictsOfTheFieldService) {
  PubTestAccount pub("clerk");
  struct Case {
    const char* field;
    const char* reply;  // "ok" for success with the value, else the message id of the refusal
  };
  const Case cases[] = {
      {"name='cDefine1' value='实施' source='0' pos='1'", "ok"},
      {"name='cDefine1' value='实施' source='-1' pos='1'", "ok"},
      {"name='cDefine1' value='' source='0' pos='1'", "ok"},
      {"name='cDefine1' value='其他' source='0' pos='1'", "Z7.Corvane.0089"},
      {"name='cDefine1' value='其他' source='0' pos='1' build='1'", "ok"},
      {"name='cDefine2' value='free text' source='0' pos='2'", "ok"},
      {"name='cDefine2' value='longer than ten' source='0' pos='2'", "Z7.Corvane.0337"},
      {"name='d' value='02' source='1' pos='3' rule='Department,cDepCode'", "ok"},
      {"name='d' value='99' source='1' pos='3' rule='Department,cDepCode'", "Z7.Corvane.0089"},
      {"name='d' value='02' source='1' pos='3' rule='Department,cDepCode;drop table x'", "Z7.Corvane.0089"},
      {"name='d' value='02' source='1' pos='3' rule='NoTable,cDepCode'", "Z7.Corvane.0089"},
      {"name='p' value='0003' source='2' pos='4' rule='Person,cPersonCode'", "ok"},
  };
  for (const Case& c : cases) {
    const PubAnswer answer = pub.serve([](FuncCall& call) { return userdefCheck(call); },
                                       "<func name='userdefcheck'><in><f " + std::string(c.field) + "/></in></func>");
    EXPECT_TRUE(answer.ok) << c.field << ": " << answer.reply;
    if (std::string(c.reply) == "ok") {
      XmlDocument field;
      field.loadXML("<f " + std::string(c.field) + "/>");
      EXPECT_EQ(canonical("<success><id>0</id><text>" + XmlEncode(field.documentElement().attribute("value")) +
                          "</text></success>"),
                answer.reply)
          << c.field;
    } else {
      EXPECT_EQ(canonical("<error><id>1</id><text>" + GetResString(c.reply) + "</text></error>"), answer.reply)
          << c.field;
    }
  }
}

TEST(UserdefCheck, Failures) {
  PubTestAccount pub("clerk");
  struct Failure {
    const char* field;
    const char* id;
  };
  const Failure failures[] = {
      {"name='x' value='1' source='3' pos='1'", "Corvane:CPubMsg:userdefCheck:0"},
      {"name='x' value='1' pos='1'", "Corvane:CPubMsg:userdefCheck:91"},
      {"name='x' value='1' source='0'", "Corvane:CPubMsg:userdefCheck:91"},
      {"name='x' value='1' source='1' pos='1' rule='Department'", "Corvane:CPubMsg:userdefCheck:5"},
      {"name='x' value='1' source='zero' pos='1'", "Corvane:CPubMsg:userdefCheck:13"},
  };
  for (const Failure& f : failures) {
    const PubAnswer answer = pub.serve([](FuncCall& call) { return userdefCheck(call); },
                                       "<func name='userdefcheck'><in><f " + std::string(f.field) + "/></in></func>");
    EXPECT_FALSE(answer.ok) << f.field;
    EXPECT_EQ(f.id, answer.at("id")) << f.field;
  }
}

// --- userdefdata ---------------------------------------------------------------------------

PubAnswer values(PubTestAccount& pub, const std::string& field) {
  return pub.serve([](FuncCall& call) { return userdefData(call); },
                   "<func name='userdefdata'><in><f " + field + "/></in></func>");
}

TEST(UserdefData, PagesOfAFieldsValues) {
  PubTestAccount pub("clerk");
  const Page first = pageOf(values(pub, "name='cDefine1' value='' source='0' pos='1' length='2' current='1'"));
  ASSERT_TRUE(first.ok) << first.reply;
  EXPECT_EQ(2u, first.rows.size());
  EXPECT_EQ("3", first.at("count"));
  EXPECT_EQ("sql", first.at("type"));
  EXPECT_EQ("KX", first.at("flag"));
  EXPECT_EQ("0", first.at("auth"));
  EXPECT_EQ("", first.at("match"));
  EXPECT_EQ("项目阶段", first.at("head"));
  EXPECT_EQ("120", first.at("width"));
  EXPECT_EQ(first.at("name"), first.at("sql"));

  const Page narrowed = pageOf(values(pub, "name='cDefine1' value='验' source='0' pos='1'"));
  ASSERT_TRUE(narrowed.ok) << narrowed.reply;
  EXPECT_EQ((std::vector<std::string>{"cvalue=验收;"}), narrowed.rows);

  // A free field skips source, pos and rule.
  const Page free = pageOf(values(pub, "name='cfree1' value='' source='bad'"));
  ASSERT_TRUE(free.ok) << free.reply;
  EXPECT_EQ(2u, free.rows.size());
  EXPECT_EQ("颜色", free.at("head"));

  const Page column = pageOf(values(pub, "name='d' value='' source='1' pos='3' rule='Department,cDepCode'"));
  ASSERT_TRUE(column.ok) << column.reply;
  EXPECT_EQ(6u, column.rows.size());
}

TEST(UserdefData, Failures) {
  PubTestAccount pub("clerk");
  struct Failure {
    const char* field;
    const char* id;
    const char* message;  // empty for a run-time error
  };
  const Failure failures[] = {
      {"name='d' value='' source='5' pos='1'", "Corvane:CPubMsg:userdefData:0", "Z7.Corvane.0336"},
      {"name='cfree9' value=''", "Corvane:CPubMsg:userdefData:0", "Z7.Corvane.0341"},
      {"name='d' value='' source='1' pos='1' rule='Department,cDep Code'", "Corvane:CPubMsg:userdefData:0",
       "Z7.Corvane.0342"},
      {"name='d' source='0' pos='1'", "Corvane:CPubMsg:userdefData:91", ""},
      {"value='' source='0' pos='1'", "Corvane:CPubMsg:userdefData:91", ""},
  };
  for (const Failure& f : failures) {
    const PubAnswer answer = values(pub, f.field);
    EXPECT_FALSE(answer.ok) << f.field;
    EXPECT_EQ(f.id, answer.at("id")) << f.field;
    if (*f.message != '\0') {
      EXPECT_EQ(GetResString(f.message), answer.at("text")) << f.field;
    }
  }
}

}  // namespace
}  // namespace corvane
