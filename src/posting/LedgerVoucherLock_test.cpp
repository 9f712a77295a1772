#include "posting/LedgerVoucherLock.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "request/Locale.h"
#include "support/CaseAccount.h"
#include "support/QueryText.h"
#include "support/ScopedLocale.h"

namespace corvane {
namespace {

class LedgerVoucherLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    connection.open(account.connectString());
    connection.beginTrans();
  }

  std::string locks() {
    return QueryRowsText(connection,
                         "Select coutsysname, coutsign, coutno_id, cauth, cuser From gl_mvocontrol "
                         "Order By coutsysname, coutsign, coutno_id");
  }

  ScopedLocale locale_{"en-us"};
  CaseAccount account;
  std::unique_ptr<EmbeddedLoginContext> login = account.logIn();
  db::Connection connection;
  std::string strErr;
};

TEST_F(LedgerVoucherLockTest, LocksOnceAndRefusesASecondLockOfTheSameVoucher) {
  EXPECT_TRUE(LockPZ(*login, connection, "KX", "记", "15", strErr));
  EXPECT_EQ(strErr, "");
  EXPECT_EQ(locks(), "KX|记|15|作废凭证|" + login->UserName() + ";");
  try {
    LockPZ(*login, connection, "KX", "记", "15", strErr);
    FAIL() << "a second lock was taken";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), 9000);
    EXPECT_EQ(error.description(), "You have no right to this function, or another user is using it.");
  }
  EXPECT_EQ(strErr, "You have no right to this function, or another user is using it.");
  EXPECT_EQ(locks(), "KX|记|15|作废凭证|" + login->UserName() + ";");
}

TEST_F(LedgerVoucherLockTest, ALockOfAnotherSystemOrTypeWordIsAnotherLock) {
  connection.execute("Insert Into gl_mvocontrol (coutsysname, coutsign, coutno_id) Values ('GL', N'记', '15')");
  EXPECT_TRUE(LockPZ(*login, connection, "KX", "记", "15", strErr));
  EXPECT_TRUE(LockPZ(*login, connection, "KX", "收", "15", strErr));
  EXPECT_TRUE(LockPZ(*login, connection, "KX", "O'Brien", "15", strErr));
  const std::string mine = "|15|作废凭证|" + login->UserName() + ";";
  EXPECT_EQ(locks(), "GL|记|15|-|-;KX|O'Brien" + mine + "KX|收" + mine + "KX|记" + mine);
}

TEST_F(LedgerVoucherLockTest, UnlockRemovesOnlyThatLockAndAnswersWhetherThereWasOne) {
  ASSERT_TRUE(LockPZ(*login, connection, "KX", "记", "15", strErr));
  ASSERT_TRUE(LockPZ(*login, connection, "KX", "记", "16", strErr));
  EXPECT_TRUE(UnLockPZ(connection, "KX", "记", "15"));
  EXPECT_FALSE(UnLockPZ(connection, "KX", "记", "15"));
  EXPECT_FALSE(UnLockPZ(connection, "KX", "记", "15' Or '1'='1"));
  EXPECT_EQ(locks(), "KX|记|16|作废凭证|" + login->UserName() + ";");
}

TEST_F(LedgerVoucherLockTest, ALockEndsWithTheTransactionThatTookIt) {
  ASSERT_TRUE(LockPZ(*login, connection, "KX", "记", "15", strErr));
  connection.rollbackTrans();
  EXPECT_EQ(locks(), "");
}

}  // namespace
}  // namespace corvane
