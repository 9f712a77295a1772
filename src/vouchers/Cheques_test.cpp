#include "vouchers/Cheques.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionPool.h"
#include "platform/db/Recordset.h"
#include "request/Messages.h"
#include "support/TestHost.h"
#include "support/TestLogin.h"

namespace corvane {
namespace {

// What scripted components answer, and the log of the calls they received.
struct Script {
  bool examined = true;
  int check = 2;
  std::string controlMessage, startMessage, updateMessage;
  bool initFails = false;
};

// The book examines the cheque and answers `check`, with its messages after each call.
Script answering(int check, std::string control = "", std::string start = "", std::string update = "") {
  return Script{true, check, std::move(control), std::move(start), std::move(update), false};
}

struct LoggedDatabase final : ChequeDatabase {
  std::vector<std::string>& log;
  explicit LoggedDatabase(std::vector<std::string>& calls) : log(calls) {}
  void openDatabase(const std::string& connectString) override { log.push_back("open " + connectString); }
  void oclose() override { log.push_back("close"); }
  db::Connection& connection() override { raiseObjectMissing("no connection"); }
};

struct LoggedCommon final : ChequeCommon {
  std::vector<std::string>& log;
  const Script& script;
  ChequeSession held;
  LoggedCommon(std::vector<std::string>& calls, const Script& s) : log(calls), script(s) {}
  void InitPubs2(const std::string& module, const std::string& hostContext, ChequeDatabase&,
                 const std::string& accountId, const std::string& loginYear, const std::string& userName,
                 const DateTime& loginDate, const std::string& pubsInitText) override {
    log.push_back("init " + module + " " + hostContext + " " + accountId + " " + loginYear + " " + userName + " " +
                  loginDate.toString() + " " + pubsInitText);
    if (script.initFails) raiseBusiness("the session cannot start");
  }
  const ChequeSession& session() const override { return held; }
  ChequeDatabase& database() override { raiseObjectMissing("no database"); }
};

struct ScriptedBook final : ChequeBook {
  std::vector<std::string>& log;
  const Script& script;
  std::string message;
  ScriptedBook(std::vector<std::string>& calls, const Script& s) : log(calls), script(s) {}
  void setZzLogin(LoginContext&) override { log.push_back("login"); }
  void setZzSys(ChequeCommon&) override { log.push_back("sys"); }
  bool ZPControl(std::string& element) override {
    log.push_back("control " + element);
    message = script.controlMessage;
    return script.examined;
  }
  int zpcheck() const override { return script.check; }
  std::string zpmsg() const override { return message; }
  void StartZPDJ(bool option1, bool option2) override {
    log.push_back(std::string("start ") + (option1 ? "1" : "0") + (option2 ? "1" : "0"));
    message = script.startMessage;
  }
  void UpdateZPDJ() override {
    log.push_back("update");
    message = script.updateMessage;
  }
};

ChequeComponents scriptedComponents(std::vector<std::string>& log, const Script& script) {
  return {[&log] { return std::make_unique<LoggedDatabase>(log); },
          [&log, &script] { return std::make_unique<LoggedCommon>(log, script); },
          [&log, &script] { return std::make_unique<ScriptedBook>(log, script); }};
}

TestLogin scriptLogin() {
  TestLogin login;
  login.connect = "Data Source=/accounts/001";
  login.userId = "clerk";
  login.userName = "李晓燕";
  return login;
}

const std::string kElement =
    "<book cCode='100201' cn_id='ZP001' csettle='202' mc='1234.5' bill_date='2026-3-5' "
    "cremark='O&apos;Brien &amp; Co' cdept='财务部' cperson='李晓燕' cget='&lt;Payee&gt;'/>";

TEST(RegisterCheque, FollowsTheBooksCases) {
  const std::string closedText = GetResString("z7.gl.checque.00014");
  struct Case {
    const char* what;
    Script script;
    bool noWrite;
    bool result;
    std::string notice;
    std::vector<std::string> steps;  // the calls after setZzSys and before close
  } const cases[] = {
      {"nothing to do", Script{false, 0, "", "", "", false}, false, true, "", {"control"}},
      {"refused with the book's message", answering(1, "stopped"), false, false, "stopped", {"control"}},
      {"refused without message", answering(1), false, false, GetResString("Z7.Corvane.0040"), {"control"}},
      {"new", answering(2), false, true, "", {"control", "start 00", "update"}},
      {"new, not written", answering(2), true, true, "", {"control", "start 00"}},
      {"new, start fails", answering(2, "", "no start"), false, false, "no start", {"control", "start 00"}},
      {"new, write fails",
       answering(2, "", "", "no write"),
       false,
       false,
       "no write",
       {"control", "start 00", "update"}},
      {"written already", answering(3), false, true, GetResString("Z7.Corvane.0041"), {"control"}},
      {"written already, not writing", answering(3), true, true, GetResString("Z7.Corvane.0041"), {"control"}},
      {"started only, not writing", answering(4), true, true, GetResString("Z7.Corvane.0042"), {"control"}},
      {"started only", answering(4), false, true, "", {"control", "update"}},
      {"started only, write fails", answering(4, "", "", "no write"), false, false, "no write", {"control", "update"}},
      {"unknown case", answering(7), false, true, "", {"control"}},
      {"closed book", answering(1, "ZP001: " + closedText), false, false, "ZP001: " + closedText, {"control"}},
  };
  const TestLogin login = scriptLogin();
  for (const Case& c : cases) {
    std::vector<std::string> log;
    std::string notice = "left over";
    TestHost host;
    host.cheques = scriptedComponents(log, c.script);
    TestLogin caller = login;
    caller.testHost = &host;
    EXPECT_EQ(RegisterCheque(caller, c.noWrite, "100201", "ZP001", "202", Currency::fromScaled(12345000), {2026, 3, 5},
                             "O'Brien & Co", "财务部", "李晓燕", "<Payee>", notice),
              c.result)
        << c.what;
    EXPECT_EQ(notice, c.notice) << c.what;

    std::vector<std::string> expected = {"open Data Source=/accounts/001", "init KX test 001 2026 李晓燕 2026-3-5 pubs",
                                         "login", "sys"};
    for (const std::string& step : c.steps) {
      expected.push_back(step == "control" ? "control " + kElement : step);
    }
    expected.push_back("close");
    EXPECT_EQ(log, expected) << c.what;
  }
}

TEST(RegisterCheque, EmptyKeysAreRefusedBeforeTheBookIsAsked) {
  struct Case {
    std::string account, number, style;
  } const cases[] = {{"", "ZP001", "202"}, {"100201", "", "202"}, {"100201", "ZP001", ""}};
  const Script script = answering(2);
  for (const Case& c : cases) {
    std::vector<std::string> log;
    std::string notice;
    TestHost host;
    host.cheques = scriptedComponents(log, script);
    TestLogin login = scriptLogin();
    login.testHost = &host;
    EXPECT_FALSE(RegisterCheque(login, false, c.account, c.number, c.style, Currency::fromScaled(10000), {2026, 3, 5},
                                "", "", "", "", notice));
    EXPECT_EQ(notice, GetResString("Z7.Corvane.0040"));
    EXPECT_EQ(log.back(), "close");
    EXPECT_EQ(log.size(), 5u) << "the book was asked";
  }
}

TEST(RegisterCheque, DatabaseIsClosedWhenTheSessionFails) {
  std::vector<std::string> log;
  std::string notice;
  const Script sessionFails{true, 2, "", "", "", true};
  TestHost host;
  host.cheques = scriptedComponents(log, sessionFails);
  TestLogin login = scriptLogin();
  login.testHost = &host;
  EXPECT_FALSE(RegisterCheque(login, false, "100201", "ZP001", "202", Currency::fromScaled(10000), {2026, 3, 5}, "", "",
                              "", "", notice));
  EXPECT_EQ(notice, "the session cannot start");
  EXPECT_EQ(log.back(), "close");
}

// The embedded cheque book of a demo account.
class ChequeBookTest : public ::testing::Test {
 protected:
  void SetUp() override { connection.open(account.connectString()); }

  bool registerCheque(bool noWrite, const std::string& accountCode, const std::string& number, std::string& notice,
                      const std::string& remark = "Travel advance", Currency amount = Currency::fromScaled(20000000),
                      DateTime billDate = {2026, 3, 5}) {
    return RegisterCheque(login, noWrite, accountCode, number, "202", amount, billDate, remark, "财务部", "李晓燕",
                          "李晓燕", notice);
  }

  // "absent", "started" or "written", as the book holds the cheque.
  std::string state(const std::string& number) {
    db::Recordset rs;
    rs.open("select bWritten from ChequeBook where cn_id = '" + number + "'", connection);
    if (rs.eof()) return "absent";
    return CBool(rs.field("bWritten").value()) ? "written" : "started";
  }

  std::string column(const std::string& number, const std::string& name) {
    db::Recordset rs;
    rs.open("select " + name + " from ChequeBook where cn_id = '" + number + "'", connection);
    return CStr(rs.field(name).value());
  }

  CaseAccount account;
  TestLogin login = clerkLogin(account);
  db::Connection connection;
};

TEST_F(ChequeBookTest, ChequeRegisteredTwiceGoesThroughTheCases) {
  struct Step {
    std::string number;
    bool noWrite;
    std::string noticeId;
    std::string stateAfter;
  } const steps[] = {
      {"ZP100", true, "", "started"},                  // new: started, not written
      {"ZP100", true, "Z7.Corvane.0042", "started"},   // known, not written yet
      {"ZP100", false, "", "written"},                 // known, now written
      {"ZP100", false, "Z7.Corvane.0041", "written"},  // known and written
      {"ZP100", true, "Z7.Corvane.0041", "written"},
      {"ZP200", false, "", "written"},  // new: started and written at once
      {"ZP200", false, "Z7.Corvane.0041", "written"},
  };
  for (const Step& step : steps) {
    std::string notice;
    EXPECT_TRUE(registerCheque(step.noWrite, "100201", step.number, notice)) << step.number;
    EXPECT_EQ(notice, step.noticeId.empty() ? "" : GetResString(step.noticeId)) << step.number;
    EXPECT_EQ(state(step.number), step.stateAfter) << step.number;
  }
  EXPECT_EQ(column("ZP100", "cWriter"), "李晓燕");
  EXPECT_EQ(column("ZP100", "cSysID"), "KX");
  EXPECT_EQ(column("ZP100", "cCode"), "100201");
}

TEST_F(ChequeBookTest, RefusedCheques) {
  std::string notice;
  ASSERT_TRUE(registerCheque(false, "100201", "ZP300", notice));

  // The number is drawn on another account.
  EXPECT_FALSE(registerCheque(false, "100202", "ZP300", notice));
  EXPECT_EQ(notice, GetResString("Z7.Corvane.0040"));
  EXPECT_EQ(column("ZP300", "cCode"), "100201");

  // Empty keys never reach the book.
  EXPECT_FALSE(registerCheque(false, "", "ZP301", notice));
  EXPECT_EQ(notice, GetResString("Z7.Corvane.0040"));
  EXPECT_EQ(state("ZP301"), "absent");

  // A closed part of the book.
  connection.execute("update ChequeBookClosing set dClosedThrough = '2026-03-31'");
  EXPECT_FALSE(registerCheque(false, "100201", "ZP302", notice, "", Currency::fromScaled(10000), {2026, 3, 31}));
  EXPECT_EQ(notice, GetResString("z7.gl.checque.00014", login.LocaleId()));
  EXPECT_EQ(state("ZP302"), "absent");
  EXPECT_TRUE(registerCheque(false, "100201", "ZP302", notice, "", Currency::fromScaled(10000), {2026, 4, 1}));
  EXPECT_EQ(state("ZP302"), "written");
}

TEST_F(ChequeBookTest, RegistrationsShareOnePooledConnection) {
  db::ConnectionPool::shared().clear();
  for (const char* number : {"ZP500", "ZP501"}) {
    std::string notice;
    EXPECT_TRUE(registerCheque(false, "100201", number, notice));
    // Given back at the end of the registration and taken again by the next one.
    EXPECT_EQ(db::ConnectionPool::shared().idleCount(), 1u) << number;
  }
  EXPECT_EQ(state("ZP501"), "written");
}

TEST_F(ChequeBookTest, ValuesReachTheBookIntact) {
  struct Case {
    std::string number, remark;
    std::string amount;
    std::string storedAmount;
  } const cases[] = {
      {"ZP400", "O'Brien & Co <deposit>", "1234.56", "1234.56"},
      {"ZP401", "'; delete from ChequeBook --", "0", "0"},
      {"ZP402", "Fifteen digits", "9999999999999.99", "9999999999999.99"},
      {"ZP403", "Refund", "-0.01", "-0.01"},
  };
  for (const Case& c : cases) {
    std::string notice;
    EXPECT_TRUE(registerCheque(false, "100201", c.number, notice, c.remark, *Currency::parse(c.amount)));
    EXPECT_EQ(notice, "");
    EXPECT_EQ(column(c.number, "cremark"), c.remark);
    EXPECT_EQ(column(c.number, "mc"), c.storedAmount);
  }
  EXPECT_EQ(state("ZP400"), "written");
}

}  // namespace
}  // namespace corvane
