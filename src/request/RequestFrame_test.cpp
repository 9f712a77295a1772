#include "request/RequestFrame.h"

#include <gtest/gtest.h>

#include <array>

#include "host/EmbeddedLoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/Locale.h"
#include "request/RequestLimits.h"
#include "support/CaseAccount.h"
#include "support/XmlText.h"

namespace corvane {
namespace {

// A request class whose funcs exercise every path of the frame: each writes a department named
// after its `code` attribute (so that commits and rollbacks can be seen) and then answers as its
// name says.
class FrameProbe : public FramedClass<FrameProbe> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<FrameProbe>> kFuncs;

  bool reply(FuncCall& call) {
    write(call);
    call.oXml.loadXML("<ok code='" + call.oNode.attribute("code") + "'/>");
    return true;
  }
  bool fail(FuncCall& call) {
    write(call);
    return false;
  }
  bool failWithReply(FuncCall& call) {
    write(call);
    call.oXml.loadXML("<own/>");
    return false;
  }
  bool raise(FuncCall& call) {
    write(call);
    raiseBusiness("broken <here> & there");
  }

 private:
  static void write(FuncCall& call) {
    const std::string code = call.oNode.attribute("code");
    if (code.empty()) return;
    call.CN.execute("INSERT INTO Department (cDepCode,cDepName) VALUES (" + db::quoteLiteral(code) + ",'probe')");
  }
};

constexpr std::array kProbeFuncs = {
    FuncEntry<FrameProbe>{"reply", &FrameProbe::reply},
    FuncEntry<FrameProbe>{"fail", &FrameProbe::fail},
    FuncEntry<FrameProbe>{"failreply", &FrameProbe::failWithReply},
    FuncEntry<FrameProbe>{"raise", &FrameProbe::raise},
};

const FrameSettings FrameProbe::kFrame{.className = "FrameProbe", .rightCode = "KX0102"};
const std::span<const FuncEntry<FrameProbe>> FrameProbe::kFuncs{kProbeFuncs};

struct FrameCase {
  const char* title;
  const char* request;
  const char* reply;        // the document expected back
  const char* departments;  // the probe departments left in the database, in code order
};

const FrameCase kCases[] = {
    {"no funcs: the document comes back unchanged", "<req><a x='1'/></req>", "<req><a x=\"1\"/></req>", ""},
    {"out is appended when missing, kept and added to when present",
     "<req><func name='reply' code='P1'/><func name='reply' code='P2'><out><old/></out></func></req>",
     "<req><func name=\"reply\" code=\"P1\"><out><ok code=\"P1\"/></out></func>"
     "<func name=\"reply\" code=\"P2\"><out><old/><ok code=\"P2\"/></out></func></req>",
     "P1,P2"},
    {"names outside the table, other case included, succeed with nothing appended",
     "<req><func name='Reply' code='P1'/><func code='P2'/><func name='reply' code='P3'/></req>",
     "<req><func name=\"Reply\" code=\"P1\"><out/></func><func code=\"P2\"><out/></func>"
     "<func name=\"reply\" code=\"P3\"><out><ok code=\"P3\"/></out></func></req>",
     "P3"},
    {"a failure with goon 1 gets the failure reply, the walk goes on and everything is committed",
     "<req><func name='fail' code='P1' goon='1'/><func name='reply' code='P2'/></req>",
     "<req><func name=\"fail\" code=\"P1\" goon=\"1\"><out>"
     "<err><id>tobrin:vendor:fail</id><msg>操作失败。</msg></err></out></func>"
     "<func name=\"reply\" code=\"P2\"><out><ok code=\"P2\"/></out></func></req>",
     "P1,P2"},
    {"a failure without goon stops the walk and rolls everything back",
     "<req><func name='reply' code='P1'/><func name='fail' code='P2'/><func name='reply' code='P3'/></req>",
     "<req><func name=\"reply\" code=\"P1\"><out><ok code=\"P1\"/></out></func>"
     "<func name=\"fail\" code=\"P2\"><out>"
     "<err><id>tobrin:vendor:fail</id><msg>操作失败。</msg></err></out></func>"
     "<func name=\"reply\" code=\"P3\"/></req>",
     ""},
    {"goon must be exactly 1", "<req><func name='fail' goon='true'/><func name='fail' goon=' 1'/></req>",
     "<req><func name=\"fail\" goon=\"true\"><out>"
     "<err><id>tobrin:vendor:fail</id><msg>操作失败。</msg></err></out></func>"
     "<func name=\"fail\" goon=\" 1\"/></req>",
     ""},
    {"a failure that wrote its own reply keeps it", "<req><func name='failreply' code='P1' goon='1'/></req>",
     "<req><func name=\"failreply\" code=\"P1\" goon=\"1\"><out><own/></out></func></req>", "P1"},
    {"funcs nested in another func's input are served in document order",
     "<req><func name='reply' code='P1'><in><func name='reply' code='P2'/></in></func></req>",
     "<req><func name=\"reply\" code=\"P1\"><in><func name=\"reply\" code=\"P2\"><out><ok code=\"P2\"/></out>"
     "</func></in><out><ok code=\"P1\"/></out></func></req>",
     "P1,P2"},
    {"a run-time error replaces the document and rolls back",
     "<req><func name='reply' code='P1'/><func name='raise' code='P2'/></req>",
     "<?xml version='1.0' encoding='utf-8'?><error><id>Corvane:FrameProbe:myHandle:9000</id><text>broken &lt;here&gt; "
     "&amp; there</text></error>",
     ""},
    {"the failure reply escapes the func's name", "<req><func name=\"a&lt;b&amp;'c\" code='P1'/></req>",
     "<req><func name=\"a&lt;b&amp;'c\" code=\"P1\"><out/></func></req>", ""},
};

std::string probeDepartments(const CaseAccount& account) {
  db::Connection connection;
  connection.open(account.connectString());
  db::Recordset rs;
  rs.open("SELECT cDepCode FROM Department WHERE cDepName='probe' ORDER BY cDepCode", connection);
  std::string codes;
  for (; !rs.eof(); rs.moveNext()) codes += (codes.empty() ? "" : ",") + CStr(rs.field(0).value());
  return codes;
}

long takenRights(const CaseAccount& account) {
  db::Connection connection;
  connection.open(account.connectString());
  db::Recordset rs;
  rs.open("SELECT Count(*) FROM vqsystem..UA_Task", connection);
  return CLng(rs.field(0).value());
}

// Serves `request` through a new object of Class as `user`; the document that comes back.
template <class Class = FrameProbe>
std::string serve(const CaseAccount& account, const char* user, const std::string& request) {
  Class object;
  return account.serve(object, request, user).xml();
}

TEST(RequestFrame, ServesFuncsCommitsOrRollsBackAndReleasesTheRight) {
  for (const FrameCase& c : kCases) {
    SCOPED_TRACE(c.title);
    CaseAccount account;
    EXPECT_EQ(canonical(c.reply), serve(account, "demo", c.request));
    EXPECT_EQ(c.departments, probeDepartments(account));
    EXPECT_EQ(0, takenRights(account)) << "the right is released at the end";
  }
}

TEST(RequestFrame, RefusedRightReplacesTheDocumentAndServesNothing) {
  CaseAccount account;
  const std::string reply = serve(account, "clerk", "<req><func name='reply' code='P1'/></req>");
  EXPECT_EQ(canonical("<?xml version='1.0' encoding='utf-8'?><error><id>Corvane:MSG:ApplyTask:9000</id>"
                      "<text>用户 clerk 没有功能权限 KX0102。</text></error>"),
            reply);
  EXPECT_EQ("", probeDepartments(account));
  EXPECT_EQ(0, takenRights(account));
}

// A class that takes a right around each func and a transaction around each writing func.
class PerFuncProbe : public FramedClass<PerFuncProbe> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<PerFuncProbe>> kFuncs;
  bool edit(FuncCall& call) { return probe.reply(call); }
  bool editFails(FuncCall& call) { return probe.fail(call); }
  bool editRaises(FuncCall& call) { return probe.raise(call); }
  bool get(FuncCall& call) { return probe.reply(call); }

 private:
  FrameProbe probe;
};

// A class whose writing func asks for the module lock, and whose dispatcher answers database
// failures with a text of its own.
class LockProbe : public FramedClass<LockProbe> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<LockProbe>> kFuncs;
  bool write(FuncCall& call) { return probe.reply(call); }

 private:
  FrameProbe probe;
};

constexpr std::array kLockProbeFuncs = {
    FuncEntry<LockProbe>{"write", &LockProbe::write, true, {}, true},
    FuncEntry<LockProbe>{"read", &LockProbe::write},
};

std::string ownText(std::int32_t number, const std::string& description) {
  return number == errnum::kBusiness ? "locked: " + description : description;
}

const FrameSettings LockProbe::kFrame{.className = "LockProbe",
                                      .handlerName = "myHandle",
                                      .rightScope = RightScope::PerRequest,
                                      .rightCode = "KX0102",
                                      .connectionTimeout = 60,
                                      .transaction = TransactionScope::FromFirstWritingFunc,
                                      .failReply = nullptr,
                                      .errorText = ownText};
const std::span<const FuncEntry<LockProbe>> LockProbe::kFuncs{kLockProbeFuncs};

TEST(RequestFrame, ALockedModuleStopsWritingFuncsAndRollsBack) {
  CaseAccount account;
  account.execute("UPDATE vqsystem..UA_ModuleLock SET bLocked=1 WHERE iKind=204 AND cSub_ID='KX' AND iYear=2026");
  const auto login = account.logIn();
  XmlDocument document;
  ASSERT_TRUE(document.loadXML("<req><func name='read' code='P1'/><func name='write' code='P2'/></req>"));
  LockProbe().myHandle(login.get(), document);
  EXPECT_EQ("Corvane:LockProbe:myHandle:9000", document.selectSingleNode("/error/id").text());
  EXPECT_EQ(0u, document.selectSingleNode("/error/text").text().rfind("locked: ", 0));
  EXPECT_EQ("P1", probeDepartments(account)) << "the read func ran outside any transaction";
}

constexpr std::array kPerFuncProbeFuncs = {
    FuncEntry<PerFuncProbe>{"edit", &PerFuncProbe::edit, true, "KX0102"},
    FuncEntry<PerFuncProbe>{"editfails", &PerFuncProbe::editFails, true, "KX0102"},
    FuncEntry<PerFuncProbe>{"editraises", &PerFuncProbe::editRaises, true, "KX0102"},
    FuncEntry<PerFuncProbe>{"get", &PerFuncProbe::get, false, "KX0301"},
};

const FrameSettings PerFuncProbe::kFrame{.className = "PerFuncProbe",
                                         .rightScope = RightScope::PerFunc,
                                         .rightCode = {},
                                         .connectionTimeout = 60,
                                         .transaction = TransactionScope::PerWritingFunc};
const std::span<const FuncEntry<PerFuncProbe>> PerFuncProbe::kFuncs{kPerFuncProbeFuncs};

TEST(RequestFrame, PerFuncRightsAnswerARefusalAndGoOn) {
  CaseAccount account;
  const std::string reply =
      serve<PerFuncProbe>(account, "clerk", "<req><func name='edit' code='P1'/><func name='get' code='P2'/></req>");
  EXPECT_EQ(canonical("<req><func name=\"edit\" code=\"P1\"><out><error><id>Corvane:MSG:ApplyTask:9000</id>"
                      "<text>用户 clerk 没有功能权限 KX0102。</text></error></out></func>"
                      "<func name=\"get\" code=\"P2\"><out><ok code=\"P2\"/></out></func></req>"),
            reply);
  EXPECT_EQ("P2", probeDepartments(account));
  EXPECT_EQ(0, takenRights(account));
}

TEST(RequestFrame, EachWritingFuncCommitsOrRollsBackItsOwnTransaction) {
  CaseAccount account;
  serve<PerFuncProbe>(account, "demo",
                      "<req><func name='edit' code='P1'/><func name='editfails' code='P2'/>"
                      "<func name='edit' code='P3'/></req>");
  EXPECT_EQ("P1", probeDepartments(account)) << "the failed func's write is rolled back, the first stays";
  EXPECT_EQ(0, takenRights(account));
}

TEST(RequestFrame, AFuncThatRaisesGivesUpItsRightAndItsTransaction) {
  CaseAccount account;
  const std::string reply = serve<PerFuncProbe>(
      account, "demo", "<req><func name='edit' code='P1'/><func name='editraises' code='P2'/></req>");
  EXPECT_NE(std::string::npos, reply.find("Corvane:PerFuncProbe:myHandle:9000")) << reply;
  EXPECT_EQ("P1", probeDepartments(account)) << "the raising func's write is rolled back, the first stays";
  EXPECT_EQ(0, takenRights(account));
}

TEST(RequestFrame, MissingLoginObjectGivesTheErrorReplyWithNumberZero) {
  XmlDocument document;
  ASSERT_TRUE(document.loadXML("<req><func name='reply'/></req>"));
  gLocaleID = "en-us";
  FrameProbe().myHandle(nullptr, document);
  const XmlNode id = document.selectSingleNode("/error/id");
  ASSERT_TRUE(id);
  EXPECT_EQ("Corvane:FrameProbe:myHandle:0", id.text());
  EXPECT_FALSE(document.selectSingleNode("/error/text").text().empty());
}

// A request whose funcs only read takes no write lock: it is answered while another user holds
// the company database's write lock (it would otherwise wait the command timeout and fail).
TEST(RequestFrame, AReadingRequestIsAnsweredWhileAnotherUserWrites) {
  CaseAccount account;
  db::Connection writer;
  writer.open(account.connectString());
  writer.beginTrans();
  writer.execute("INSERT INTO Department (cDepCode,cDepName) VALUES ('W1','probe')");

  EXPECT_EQ(canonical("<req><func name=\"reply\"><out><ok code=\"\"/></out></func></req>"),
            serve(account, "demo", "<req><func name='reply'/></req>"));
  writer.commitTrans();
  EXPECT_EQ("W1", probeDepartments(account));
  EXPECT_EQ(0, takenRights(account));
}

std::string repeated(const std::string& text, std::size_t times) {
  std::string result;
  for (std::size_t i = 0; i < times; ++i) result += text;
  return result;
}

// `depth` elements nested in each other, the innermost a func that writes P1.
std::string nested(std::size_t depth) {
  return repeated("<a>", depth - 1) + "<func name='reply' code='P1'/>" + repeated("</a>", depth - 1);
}

TEST(RequestFrame, ARequestOverItsLimitsIsRefusedBeforeAnyFuncIsServed) {
  struct LimitCase {
    const char* title;
    std::string request;
    const char* locale;
    const char* text;  // empty: served
  };
  const std::string funcs = repeated("<func name='none'/>", kMaxRequestFuncs - 1);
  const LimitCase cases[] = {
      {"funcs at the limit", "<req>" + funcs + "<func name='reply' code='P1'/></req>", "zh-CN", ""},
      {"one func too many", "<req>" + funcs + "<func name='none'/><func name='reply' code='P1'/></req>", "zh-CN",
       "请求包含的功能过多，不能超过 1000 个。"},
      {"one func too many, in English", "<req>" + funcs + "<func name='none'/><func name='reply' code='P1'/></req>",
       "en-us", "The request holds too many funcs: it may hold at most 1000."},
      {"elements at the deepest", nested(kMaxRequestDepth), "zh-CN", ""},
      {"elements one level too deep", nested(kMaxRequestDepth + 1), "en-us",
       "The elements of the request document are nested too deeply: at most 64 levels are allowed."},
  };
  for (const LimitCase& c : cases) {
    SCOPED_TRACE(c.title);
    CaseAccount account;
    const auto login = account.logIn("demo", c.locale);
    XmlDocument document;
    ASSERT_TRUE(document.loadXML(c.request));
    FrameProbe().myHandle(login.get(), document);
    if (std::string(c.text).empty()) {
      EXPECT_FALSE(document.selectSingleNode("/error"));
      EXPECT_EQ("P1", probeDepartments(account));
    } else {
      EXPECT_EQ("Corvane:FrameProbe:myHandle:9000", document.selectSingleNode("/error/id").text());
      EXPECT_EQ(c.text, document.selectSingleNode("/error/text").text());
      EXPECT_EQ("", probeDepartments(account));
    }
    EXPECT_EQ(0, takenRights(account));
  }
}

}  // namespace
}  // namespace corvane
