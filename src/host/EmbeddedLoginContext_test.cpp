#include "host/EmbeddedLoginContext.h"

#include <gtest/gtest.h>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

class EmbeddedLoginTest : public testing::Test {
 protected:
  std::unique_ptr<EmbeddedLoginContext> logIn(const std::string& user, const std::string& password,
                                              const std::string& locale = "zh-CN") {
    LoginOptions options;
    options.account = account.folder();
    options.user = user;
    options.password = password;
    options.locale = locale;
    options.date = DateTime::parse("2026-3-15");
    return EmbeddedLoginContext::logIn(options);
  }

  CaseAccount account;
};

TEST_F(EmbeddedLoginTest, ChecksThePasswordLikeTheLoginPage) {
  EXPECT_NO_THROW(logIn("demo", " DEMO "));
  EXPECT_NO_THROW(logIn("CLERK", "demo"));
  for (const auto& [user, password] :
       {std::pair{"demo", "wrong"}, std::pair{"nobody", "demo"}, std::pair{"demo'--", "demo"}}) {
    try {
      logIn(user, password);
      ADD_FAILURE() << user << " must be refused";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(errnum::kBusiness, error.number());
    }
  }
}

TEST_F(EmbeddedLoginTest, KnowsTheAccountYearPeriodAndWhoIsAdministrator) {
  const auto demo = logIn("demo", "demo");
  EXPECT_EQ("001", demo->AccountId());
  EXPECT_EQ("2026", demo->LoginYear());
  EXPECT_EQ(3, demo->LoginPeriod());
  EXPECT_TRUE(demo->IsAdmin());
  EXPECT_TRUE(demo->IsGroupUser());
  EXPECT_FALSE(logIn("clerk", "demo")->IsAdmin());
}

TEST_F(EmbeddedLoginTest, TakesAndReleasesRightsInTheTaskTable) {
  const auto clerk = logIn("clerk", "demo");
  bool ok = false;
  clerk->RequestTask("KX020101", true, 2026, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ("1",
            account.scalar("select count(*) from vqsystem..UA_Task where cAuth_ID='KX020101' and cUser_ID='clerk'"));
  clerk->RequestTask("KX020101", false, 2026, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ("0", account.scalar("select count(*) from vqsystem..UA_Task"));

  clerk->RequestTask("KX0102", true, 2026, ok);
  EXPECT_FALSE(ok) << "the clerk does not hold the operation-type right";
  EXPECT_NE(std::string::npos, clerk->LastErrorText().find("KX0102"));
  clerk->ResetTaskState();
  EXPECT_EQ("", clerk->LastErrorText());
  clerk->RequestTask("KX020101", false, 2026, ok);
  EXPECT_FALSE(ok) << "a right that was not taken cannot be released";
}

// Logins of one user in one process share the right's row: it stays while any of them holds
// the right, and one release does not take it from the others.
TEST_F(EmbeddedLoginTest, LoginsOfOneUserShareTheRowOfATakenRight) {
  const std::string rows = "select count(*) from vqsystem..UA_Task where cAuth_ID='KX020101'";
  const auto first = logIn("clerk", "demo");
  const auto second = logIn("CLERK", "demo");
  bool ok = false;
  first->RequestTask("KX020101", true, 2026, ok);
  second->RequestTask("kx020101", true, 2026, ok);
  EXPECT_EQ("1", account.scalar(rows));
  first->RequestTask("KX020101", false, 2026, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ("1", account.scalar(rows)) << "the second login still holds the right";
  second->RequestTask("KX020101", false, 2026, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ("0", account.scalar(rows));
}

// A login that ends holding a right leaves its row, as an ended process does; the next take and
// release of that right and user clear it.
TEST_F(EmbeddedLoginTest, ARightLeftByAnEndedLoginIsClearedByTheNextRelease) {
  const std::string rows = "select count(*) from vqsystem..UA_Task where cAuth_ID='KX020101'";
  bool ok = false;
  logIn("clerk", "demo")->RequestTask("KX020101", true, 2026, ok);
  EXPECT_EQ("1", account.scalar(rows));
  const auto clerk = logIn("clerk", "demo");
  clerk->RequestTask("KX020101", true, 2026, ok);
  EXPECT_EQ("2", account.scalar(rows));
  clerk->RequestTask("KX020101", false, 2026, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ("0", account.scalar(rows));
}

// A request's transaction holds the company database; rights are still taken and released
// meanwhile (a func may take a right of its own inside the request's transaction).
TEST_F(EmbeddedLoginTest, RightsAreTakenWhileARequestTransactionIsOpen) {
  const auto clerk = logIn("clerk", "demo");
  db::Connection request;
  request.open(account.connectString());
  request.beginTrans();
  request.execute("UPDATE Department SET cDepName = cDepName WHERE cDepCode = '01'");
  bool ok = false;
  clerk->RequestTask("KX020101", true, 2026, ok);
  EXPECT_TRUE(ok);
  clerk->RequestTask("KX020101", false, 2026, ok);
  EXPECT_TRUE(ok);
  request.commitTrans();
}

TEST_F(EmbeddedLoginTest, ReadsTheModuleLockAnAdministratorSets) {
  const auto demo = logIn("demo", "demo");
  bool locked = true;
  Variant second;
  demo->QueryLock(204, "KX", 2026, locked, second);
  EXPECT_FALSE(locked);
  account.execute("UPDATE vqsystem..UA_ModuleLock SET bLocked=1 WHERE iKind=204 AND cSub_ID='KX' AND iYear=2026");
  demo->QueryLock(204, "KX", 2026, locked, second);
  EXPECT_TRUE(locked);
  demo->QueryLock(204, "KX", 2025, locked, second);
  EXPECT_FALSE(locked);
}

}  // namespace
}  // namespace corvane
