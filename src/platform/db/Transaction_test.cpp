#include "platform/db/Transaction.h"

#include <gtest/gtest.h>

#include "platform/com/RuntimeError.h"
#include "support/ConnectionTestAccount.h"

namespace corvane::db {
namespace {

class TransactionTest : public ::testing::Test {
 protected:
  ConnectionTestAccount account{"CREATE TABLE Item (strCode varchar(20) PRIMARY KEY);", "", ""};
  Connection connection;

  void SetUp() override { connection.open(account.connectionString()); }
  std::string items() const {
    return ConnectionTestAccount::scalar(account.files().company(), "SELECT group_concat(strCode) FROM Item");
  }
  void insert(const char* code) { connection.execute(std::string("INSERT INTO Item VALUES ('") + code + "')"); }
};

TEST_F(TransactionTest, RollsBackWhenLeftWithoutACommit) {
  try {
    Transaction transaction(connection);
    insert("01");
    throw RuntimeError(errnum::kBusiness, "failed half-way");
  } catch (const RuntimeError&) {
  }
  EXPECT_FALSE(connection.inTransaction());
  {
    Transaction transaction(connection);
    insert("02");
  }
  EXPECT_FALSE(connection.inTransaction());
  EXPECT_EQ("", items());
}

TEST_F(TransactionTest, CommitKeepsTheWritesAndEndsTheScope) {
  {
    Transaction transaction(connection);
    insert("01");
    transaction.commit();
    EXPECT_FALSE(connection.inTransaction());
    transaction.commit();  // once ended, nothing is left to do
    transaction.rollback();
  }
  EXPECT_EQ("01", items());
}

TEST_F(TransactionTest, AMovedScopeOwnsTheTransaction) {
  {
    Transaction first(connection);
    insert("01");
    Transaction second(std::move(first));
    second.commit();
  }
  {
    Transaction first(connection);
    insert("02");
    Transaction second(std::move(first));
  }
  EXPECT_EQ("01", items());
}

TEST_F(TransactionTest, AJoinedScopeLeavesTheTransactionToItsOwner) {
  Transaction outer(connection);
  insert("01");
  {
    Transaction inner = Transaction::joinOrBegin(connection);
    insert("02");
  }
  EXPECT_TRUE(connection.inTransaction()) << "leaving the joined scope does not roll back";
  {
    Transaction inner = Transaction::joinOrBegin(connection);
    inner.commit();
  }
  EXPECT_TRUE(connection.inTransaction()) << "nor does its commit end the owner's";
  outer.commit();
  EXPECT_EQ("01,02", items());

  {
    Transaction own = Transaction::joinOrBegin(connection);
    insert("03");
  }
  EXPECT_EQ("01,02", items()) << "without an open transaction it begins and rolls back its own";
}

}  // namespace
}  // namespace corvane::db
