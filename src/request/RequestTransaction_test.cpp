#include "request/RequestTransaction.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/com/RuntimeError.h"
#include "platform/db/DbFaultHook.h"
#include "support/ConnectionTestAccount.h"

namespace corvane {
namespace {

constexpr int kOwnTimeout = 7;  // the connection's command timeout before the guard

// Notes the command timeout each begin runs under, and fails the begin when asked to.
class BeginProbe final : public db::DbFaultHook {
 public:
  explicit BeginProbe(const db::Connection& connection) : connection_(connection) {}
  void before(db::DbCall call) override {
    if (call != db::DbCall::BeginTrans) return;
    beginTimeout = connection_.commandTimeout();
    if (failBegin) throw RuntimeError(errnum::kDbUnspecified, "the account is busy");
  }

  int beginTimeout = -1;  // -1: nothing began
  bool failBegin = false;

 private:
  const db::Connection& connection_;
};

class RequestTransactionTest : public ::testing::Test {
 protected:
  db::ConnectionTestAccount account{"CREATE TABLE Item (strCode varchar(20) PRIMARY KEY);", "", ""};
  db::Connection connection;
  BeginProbe probe{connection};

  void SetUp() override {
    connection.open(account.connectionString());
    connection.setCommandTimeout(kOwnTimeout);
  }
  // The items committed, as another connection sees them.
  std::string items() const {
    return db::ConnectionTestAccount::scalar(account.files().company(), "SELECT group_concat(strCode) FROM Item");
  }
};

enum class Leave { Commit, Raise, Return };

struct GuardCase {
  const char* title;
  BeginWait wait;
  bool joins;              // an owner's transaction is open on the connection
  Leave leave;             // how the guard's scope is left
  int beginTimeout;        // the command timeout of the guard's begin; -1: none
  int timeoutAfter;        // the connection's command timeout once the scope is left
  const char* itemsAfter;  // committed once the scope is left
  bool ownerStillOpen;     // the owner's transaction is still open then
};

constexpr int kWork = kTransactionWorkTimeout;
constexpr int kBegin = kTransactionBeginTimeout;

const GuardCase kGuardCases[] = {
    {"commits what it began", BeginWait::CommandTimeout, false, Leave::Commit, kOwnTimeout, kOwnTimeout, "01", false},
    {"rolls back when an exception leaves it", BeginWait::CommandTimeout, false, Leave::Raise, kOwnTimeout, kOwnTimeout,
     "", false},
    {"rolls back when left without a commit", BeginWait::CommandTimeout, false, Leave::Return, kOwnTimeout, kOwnTimeout,
     "", false},
    {"begun briefly: a short begin, then the work timeout", BeginWait::Briefly, false, Leave::Commit, kBegin, kWork,
     "01", false},
    {"begun briefly, rolled back on an exception", BeginWait::Briefly, false, Leave::Raise, kBegin, kWork, "", false},
    {"a joined transaction is not committed by the guard", BeginWait::CommandTimeout, true, Leave::Commit, -1,
     kOwnTimeout, "", true},
    {"nor rolled back by an exception", BeginWait::Briefly, true, Leave::Raise, -1, kOwnTimeout, "", true},
    {"nor by leaving without a commit", BeginWait::Briefly, true, Leave::Return, -1, kOwnTimeout, "", true},
};

TEST_F(RequestTransactionTest, CommitsOnRequestRollsBackOtherwiseAndLeavesAJoinedOneToItsOwner) {
  for (const GuardCase& c : kGuardCases) {
    SCOPED_TRACE(c.title);
    connection.execute("DELETE FROM Item");
    connection.setCommandTimeout(kOwnTimeout);
    probe.beginTimeout = -1;
    std::optional<db::Transaction> owner;
    if (c.joins) owner.emplace(connection);
    {
      const db::ScopedDbFaultHook hook(probe);
      try {
        RequestTransaction transaction(connection, c.wait);
        connection.execute("INSERT INTO Item VALUES ('01')");
        if (c.leave == Leave::Raise) throw RuntimeError(errnum::kBusiness, "failed half-way");
        if (c.leave == Leave::Commit) transaction.commit();
      } catch (const RuntimeError&) {
      }
    }
    EXPECT_EQ(c.beginTimeout, probe.beginTimeout);
    EXPECT_EQ(c.timeoutAfter, connection.commandTimeout());
    EXPECT_EQ(c.itemsAfter, items());
    EXPECT_EQ(c.ownerStillOpen, connection.inTransaction());
    if (!owner) continue;
    owner->commit();
    EXPECT_EQ("01", items()) << "the joined work stands or falls with the owner's transaction";
  }
}

TEST_F(RequestTransactionTest, ABriefBeginThatFailsLeavesTheWorkTimeout) {
  probe.failBegin = true;
  const db::ScopedDbFaultHook hook(probe);
  EXPECT_THROW(RequestTransaction(connection, BeginWait::Briefly), RuntimeError);
  EXPECT_EQ(kTransactionBeginTimeout, probe.beginTimeout);
  EXPECT_EQ(kTransactionWorkTimeout, connection.commandTimeout());
  EXPECT_FALSE(connection.inTransaction());
}

TEST_F(RequestTransactionTest, AReadingTransactionLeavesTheAccountToAWriter) {
  RequestTransaction reading(connection, BeginWait::CommandTimeout, db::TransactionMode::Read);
  db::Connection writer;
  writer.open(account.connectionString());
  writer.setCommandTimeout(1);
  RequestTransaction writing(writer);
  writer.execute("INSERT INTO Item VALUES ('02')");
  writing.commit();
  EXPECT_EQ("02", items());
}

}  // namespace
}  // namespace corvane
