#include "core/PubAccount.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "host/PasswordCodec.h"
#include "platform/com/RuntimeError.h"
#include "request/Messages.h"
#include "request/Values.h"
#include "support/PubTestAccount.h"
#include "support/TestHost.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

std::string encoded(const std::string& password) {
  return EmbeddedPasswordCodec(EmbeddedPasswordCodec::Cost::Minimal).Encode(password);
}

// --- edittimeget ---------------------------------------------------------------------------

class EditTime : public testing::Test {
 protected:
  void SetUp() override {
    client_ = clientFolderOf(pub_.login());
    install_ = client_.parent_path();
    fs::create_directories(client_);
    std::ofstream(client_ / "data2.cab") << "package";
    // 2 August 2005, noon: the same day in every time zone within twelve hours of UTC.
    const std::chrono::sys_seconds noon =
        std::chrono::sys_days{std::chrono::year{2005} / 8 / 2} + std::chrono::hours{12};
    fs::last_write_time(client_ / "data2.cab", std::chrono::file_clock::from_sys(noon));
  }

  PubAnswer ask(const std::string& folder) {
    return pub_.serve([&](FuncCall& call) { return editTimeGet(call.oNode, call.oXml, client_); },
                      "<func name='edittimeget'><in>" + XmlEncode(folder) + "</in></func>");
  }

  PubTestAccount pub_;
  fs::path client_;
  fs::path install_;
};

TEST_F(EditTime, AnswersTheDateOfThePackageInTheClientFolder) {
  std::string backSlashed = install_.string();
  std::replace(backSlashed.begin(), backSlashed.end(), '/', '\\');
  for (const std::string& folder : {install_.string(), install_.string() + "/", backSlashed}) {
    const PubAnswer answer = ask(folder);
    EXPECT_TRUE(answer.ok) << folder;
    EXPECT_EQ("<edittime>2005-8-2</edittime>", answer.reply) << folder;
  }
}

TEST_F(EditTime, RefusesEveryFolderOutsideTheClientFolder) {
  fs::create_directories(install_ / "elsewhere" / "client");
  std::ofstream(install_ / "elsewhere" / "client" / "data2.cab") << "other";
  fs::create_directory_symlink(install_ / "elsewhere", client_ / "link");
  const std::string refused[] = {
      "/etc",
      (install_ / "elsewhere").string(),
      install_.string() + "/client/../elsewhere",
      (client_ / "link").string(),
      "relative/folder",
      "",
  };
  for (const std::string& folder : refused) {
    const PubAnswer answer = ask(folder);
    EXPECT_FALSE(answer.ok) << folder;
    EXPECT_EQ("Corvane:CPubMsg:editTimeGet:5", answer.at("id")) << folder;
  }
}

TEST_F(EditTime, AMissingPackageOrInputIsAnError) {
  fs::create_directories(client_ / "empty");
  EXPECT_EQ("Corvane:CPubMsg:editTimeGet:53", ask((client_ / "empty").string()).at("id"));
  const PubAnswer noInput = pub_.serve([&](FuncCall& call) { return editTimeGet(call.oNode, call.oXml, client_); },
                                       "<func name='edittimeget'/>");
  EXPECT_FALSE(noInput.ok);
  EXPECT_EQ("Corvane:CPubMsg:editTimeGet:91", noInput.at("id"));
}

// --- ztinfoget -----------------------------------------------------------------------------

const std::vector<std::string> kLoginCheckUsers = {
    // A user holding a right of his own, in no group, for two years of the account.
    "INSERT INTO vqsystem..UA_User (cUser_ID, cUser_Name, cPassword) VALUES ('solo', 'O''Hara "
    "<&>', '" +
        encoded("s3cret") + "')",
    "INSERT INTO vqsystem..UA_HoldAuth (cAcc_ID, iYear, cUser_ID, iIsUser, cAuth_ID) VALUES "
    "('001', 2026, 'solo', 1, 'KX0301')",
    "INSERT INTO vqsystem..UA_HoldAuth (cAcc_ID, iYear, cUser_ID, iIsUser, cAuth_ID) VALUES "
    "('001', 2027, 'solo', 1, 'KX0301')",
    "INSERT INTO vqsystem..UA_Period (cAcc_ID, iYear, iID, dBegin, dEnd) VALUES "
    "('001', 2027, 1, '2027-01-01', '2027-12-31')",
    // A user without any right, and one whose id holds an apostrophe.
    "INSERT INTO vqsystem..UA_User (cUser_ID, cUser_Name, cPassword) VALUES ('idle', 'Idle', NULL)",
    "INSERT INTO vqsystem..UA_User (cUser_ID, cUser_Name, cPassword) VALUES ('o''neil', 'ONeil', "
    "NULL)",
    "INSERT INTO vqsystem..UA_Role (cUser_id, cgroup_id) VALUES ('o''neil', 'KXCLERK')",
};

class LoginCheck : public testing::Test {
 protected:
  // A login object of its own for the look-up, as the login check makes one.
  std::unique_ptr<EmbeddedLoginContext> newLoginObject() { return pub_.account().logIn(); }

  PubAnswer check(const std::string& uid, const std::string& pwd) {
    return pub_.serve([&](FuncCall& call) { return ztInfoGet(call.oNode, call.oXml, *newLoginObject()); },
                      "<func name='ztinfoget'><in><uid>" + XmlEncode(uid) + "</uid><pwd>" + XmlEncode(pwd) +
                          "</pwd><sys>KX</sys></in></func>");
  }

  PubTestAccount pub_{"demo", "2026-1-6", kLoginCheckUsers};
};

std::string demoPeriods() {
  std::string periods;
  const char* const ends[] = {"31", "28", "31", "30", "31", "30", "31", "31", "30", "31", "30", "31"};
  for (int month = 1; month <= 12; ++month) {
    const std::string m = std::to_string(month);
    periods += "<period id='" + std::string(month < 10 ? "0" : "") + m + "' dbegin='2026-" + m + "-1' dend='2026-" + m +
               "-" + ends[month - 1] + "'/>";
  }
  return periods;
}

TEST_F(LoginCheck, TheRightPasswordInAnyCaseListsTheAccountYears) {
  for (const char* pwd : {"demo", "DEMO", "  Demo  "}) {
    const PubAnswer answer = check("demo", pwd);
    EXPECT_TRUE(answer.ok) << pwd;
    EXPECT_EQ(canonical("<info><user id='demo' name='周建国'/><zts><zt id='001' name='青岚机电演示账套' "
                        "year='2026'>" +
                        demoPeriods() + "</zt></zts></info>"),
              answer.reply)
        << pwd;
  }
}

TEST_F(LoginCheck, AUserWithoutGroupsAndTwoYearsGetsTwoAccountYears) {
  const PubAnswer answer = check("solo", "S3CRET");
  ASSERT_TRUE(answer.ok) << answer.reply;
  EXPECT_EQ(canonical("<info><user id='solo' name='O&apos;Hara &lt;&amp;&gt;'/><zts>"
                      "<zt id='001' name='青岚机电演示账套' year='2026'>" +
                      demoPeriods() +
                      "</zt>"
                      "<zt id='001' name='青岚机电演示账套' year='2027'>"
                      "<period id='01' dbegin='2027-1-1' dend='2027-12-31'/></zt></zts></info>"),
            answer.reply);
}

// The id reaches the user, group and account queries; only through his group does o'neil hold
// a right, so the account-year proves that all three found him.
TEST_F(LoginCheck, AnIdWithAnApostropheIsLookedUpInEveryQuery) {
  const PubAnswer answer = check("o'neil", "");
  ASSERT_TRUE(answer.ok) << answer.reply;
  EXPECT_EQ(0u, answer.reply.find("<info><user id=\"o'neil\" name=\"ONeil\"/><zts><zt id=\"001\"")) << answer.reply;
}

TEST_F(LoginCheck, RefusalsCarryTheirMessages) {
  struct Refusal {
    const char* uid;
    const char* pwd;
    const char* message;
  };
  const Refusal refusals[] = {
      {"demo", "wrong", "Z7.Corvane.0084"},  {"demo", "", "Z7.Corvane.0084"},
      {"nobody", "demo", "Z7.Corvane.0084"}, {"x' or '1'='1", "demo", "Z7.Corvane.0084"},
      {"idle", "", "Z7.Corvane.0085"},
  };
  for (const Refusal& r : refusals) {
    const PubAnswer answer = check(r.uid, r.pwd);
    EXPECT_FALSE(answer.ok) << r.uid;
    EXPECT_EQ("Corvane:CPubMsg:ztInfoGet:0", answer.at("id")) << r.uid;
    EXPECT_EQ(GetResString(r.message), answer.at("text")) << r.uid;
  }
}

// A login object whose connection look-up fails, as the host's does when it cannot find the
// system database; nothing else of it is used.
class FailingLookup final : public LoginContext {
 public:
  std::string MachineName() const override { return {}; }
  void ResolveConnectString(std::string& key) override { key = "Lookup FAILED"; }
  std::string HostContextName() const override { return {}; }
  std::string LastErrorText() const override { return {}; }
  std::string PubsInitText() const override { return {}; }
  std::string AccountId() const override { return {}; }
  std::string AccountName() const override { return {}; }
  DateTime LoginDate() const override { return {}; }
  std::string LoginYear() const override { return {}; }
  std::int16_t LoginPeriod() const override { return 0; }
  std::string UserId() const override { return {}; }
  std::string UserName() const override { return {}; }
  std::string ConnectString() const override { return {}; }
  bool IsAdmin() const override { return false; }
  void ResetTaskState() override {}
  void RequestTask(const std::string&, bool, std::int16_t, bool& ok) override { ok = false; }
  void QueryLock(std::int32_t, const std::string&, std::int16_t, bool& locked, Variant&) override { locked = true; }
  void EndConnectLookup() override { ++lookupsEnded; }
  std::string ConnectKeySuffix() const override { return "x"; }
  bool IsGroupUser() const override { return false; }
  std::string SystemId() const override { return {}; }
  std::string LocaleId() const override { return {}; }

  int lookupsEnded = 0;
};

TEST_F(LoginCheck, AFailedLookupOfTheSystemDatabase) {
  FailingLookup lookup;
  const PubAnswer answer =
      pub_.serve([&](FuncCall& call) { return ztInfoGet(call.oNode, call.oXml, lookup); },
                 "<func name='ztinfoget'><in><uid>demo</uid><pwd>demo</pwd><sys>KX</sys></in></func>");
  EXPECT_FALSE(answer.ok);
  EXPECT_EQ("Corvane:CPubMsg:ztInfoGet:0", answer.at("id"));
  EXPECT_EQ(GetResString("Z7.Corvane.0335"), answer.at("text"));
  EXPECT_EQ(1, lookup.lookupsEnded);
}

TEST_F(LoginCheck, AMissingInputIsARunTimeError) {
  const PubAnswer answer =
      pub_.serve([&](FuncCall& call) { return ztInfoGet(call.oNode, call.oXml, *newLoginObject()); },
                 "<func name='ztinfoget'><in><uid>demo</uid><pwd>demo</pwd></in></func>");
  EXPECT_FALSE(answer.ok);
  EXPECT_EQ("Corvane:CPubMsg:ztInfoGet:91", answer.at("id"));
}

// --- menuget, ztget, addlock ---------------------------------------------------------------

std::string menuFolders(const std::string& reply) {
  XmlDocument document;
  document.loadXML(reply);
  std::string folders;
  for (const XmlNode& folder : document.documentElement().selectNodes("nodes/node")) {
    folders += folder.attribute("id") + ":";
    for (const XmlNode& entry : folder.children()) folders += entry.attribute("id") + ",";
    folders += " ";
  }
  return folders;
}

std::string openingTag(const std::string& reply) { return reply.substr(0, reply.find('>') + 1); }

TEST(MenuGet, AdministratorSeesTheWholeMenu) {
  PubTestAccount pub("demo", "2026-1-6",
                     {"UPDATE AccInformation SET cValue='True' WHERE cSysID='KX' AND cName='blnAutoAlert'"});
  const PubAnswer answer = pub.serve([](FuncCall& call) { return menuGet(call); }, "<func name='menuget'/>");
  ASSERT_TRUE(answer.ok) << answer.reply;
  EXPECT_EQ(canonical("<menu caccname='青岚机电演示账套' cacc_id='001' ciyear='2026' cuserid='demo' "
                      "cusername='周建国' curdate='2026-1-6' isadmin='1' isgroup='1' isalert='1'/>")
                .substr(0, 150),
            openingTag(answer.reply).substr(0, 150));
  EXPECT_EQ(
      "KX01:KX010101,KX0102,KX0103,KX0104,KX0105,KX0106,KX0108, "
      "KX02:KX020101,KX020201,KX020301,KX020401,KX020501,KX0206, "
      "KX03:KX0301,KX0302,KX0303, KX04:KX0401,KX0402,KX0404, ",
      menuFolders(answer.reply));
}

TEST(MenuGet, ClerkSeesOnlyTheFunctionsOfHisRights) {
  PubTestAccount pub("clerk");
  const PubAnswer answer = pub.serve([](FuncCall& call) { return menuGet(call); }, "<func name='menuget'/>");
  ASSERT_TRUE(answer.ok) << answer.reply;
  EXPECT_NE(std::string::npos, answer.reply.find("isadmin=\"0\" isgroup=\"1\" isalert=\"0\"")) << answer.reply;
  EXPECT_EQ("KX02:KX020101,KX020301, KX03:KX0301, ", menuFolders(answer.reply));
}

TEST(MenuGet, AnAdministratorOutsideEveryGroup) {
  PubTestAccount pub("boss", "2026-1-6",
                     {"INSERT INTO vqsystem..UA_User (cUser_ID, cUser_Name, cPassword) VALUES "
                      "('boss', 'Boss & Co', '" +
                          encoded("demo") + "')",
                      "INSERT INTO vqsystem..UA_HoldAuth (cAcc_ID, iYear, cUser_ID, iIsUser, "
                      "cAuth_ID) VALUES ('001', 2026, 'boss', 1, 'ADMIN')"});
  const PubAnswer answer = pub.serve([](FuncCall& call) { return menuGet(call); }, "<func name='menuget'/>");
  ASSERT_TRUE(answer.ok) << answer.reply;
  EXPECT_NE(std::string::npos, answer.reply.find("cusername=\"Boss &amp; Co\""));
  EXPECT_NE(std::string::npos, answer.reply.find("isadmin=\"1\" isgroup=\"0\""));
}

TEST(MenuGet, AFailingMenuServiceGivesTheErrorReply) {
  TestHost failing;
  failing.navigators = [](db::Connection&) -> std::unique_ptr<Navigator> {
    throw RuntimeError(errnum::kClassNotRegistered, "Class not registered");
  };
  PubTestAccount pub("demo", "2026-1-6", {}, &failing);
  const PubAnswer answer = pub.serve([](FuncCall& call) { return menuGet(call); }, "<func name='menuget'/>");
  EXPECT_FALSE(answer.ok);
  EXPECT_EQ("Corvane:CPubMsg:menuGet:429", answer.at("id"));
}

TEST(ZtGet, AnswersTheAccountAndTheBoundsOfTheLoginYear) {
  PubTestAccount pub("clerk", "2026-3-9", {"UPDATE vqsystem..UA_Account SET cUnitAbbre='A&B <x>', cUnitFax=NULL"});
  const PubAnswer answer = pub.serve([](FuncCall& call) { return ztGet(call); }, "<func name='ztget'/>");
  ASSERT_TRUE(answer.ok) << answer.reply;
  EXPECT_EQ(canonical("<ztinfo caccname='青岚机电演示账套' cacc_id='001' ciyear='2026' cuserid='clerk' "
                      "cusername='李晓燕' curdate='2026-3-9' isadmin='0' isgroup='1' ccurcode='RMB' "
                      "ccurname='人民币' cunitname='青岚机电设备有限公司' cunitabbre='A&amp;B &lt;x&gt;' "
                      "cunitaddr='江苏省苏州市工业园区星湖街 218 号' cunitzap='215123' "
                      "cunittel='0512-62880001' cunitfax='' cunitemail='finance@qinglan.example' "
                      "cunittaxno='91320594MA1XQL0012' iyear='2026' imonth='1' dbegin='2026-01-01' "
                      "dend='2026-12-31'/>"),
            answer.reply);
}

TEST(ZtGet, AYearWithoutPeriodsLeavesTheBoundsOut) {
  PubTestAccount pub("demo", "2026-1-6", {"DELETE FROM vqsystem..UA_Period"});
  const PubAnswer answer = pub.serve([](FuncCall& call) { return ztGet(call); }, "<func name='ztget'/>");
  ASSERT_TRUE(answer.ok) << answer.reply;
  EXPECT_NE(std::string::npos, answer.reply.find("imonth=\"1\"/>")) << answer.reply;
  EXPECT_EQ(std::string::npos, answer.reply.find("dbegin"));
}

TEST(AddLock, DoesNothing) {
  PubTestAccount pub;
  const PubAnswer answer = pub.serve([](FuncCall& call) { return addLock(call); }, "<func name='addlock'/>");
  EXPECT_TRUE(answer.ok);
  EXPECT_EQ("", answer.reply);
}

}  // namespace
}  // namespace corvane
