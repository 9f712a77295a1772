#include "host/TakenRights.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

std::string insertText(const std::string& user) {
  return "INSERT INTO vqsystem..UA_Task (cAuth_ID,cAcc_ID,iYear,cUser_ID,dTakenAt) VALUES "
         "('KX020101','001',2026,'" +
         user + "','2026-03-15')";
}
std::string deleteText(const std::string& user) {
  return "DELETE FROM vqsystem..UA_Task WHERE cAuth_ID='KX020101' AND cUser_ID='" + user + "'";
}

class TakenRightsTest : public testing::Test {
 protected:
  TakenRights::Key keyOf(const std::string& user) const { return TakenRights::keyOf("system", "KX020101", 2026, user); }
  std::unique_ptr<db::Connection> connect() const {
    auto connection = std::make_unique<db::Connection>();
    connection->open(account.connectString());
    return connection;
  }
  std::string rowsOf(const std::string& user) const {
    const auto connection = connect();
    db::Recordset rows;
    rows.open("SELECT Count(*) FROM vqsystem..UA_Task WHERE cUser_ID='" + user + "'", *connection);
    return CStr(rows.field(0).value());
  }
  // Waits until a group is being written and the number of changes waiting behind it is
  // `wanted`; false after five seconds.
  template <class Wanted>
  bool awaitQueueThat(Wanted wanted) const {
    for (int wait = 0; wait < 5000; ++wait) {
      const TakenRights::Queue queue = rights.queue();
      if (queue.writing && wanted(queue.waiting)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
  bool awaitQueue(std::size_t count) const {
    return awaitQueueThat([count](std::size_t waiting) { return waiting == count; });
  }

  // Another connection holds a write lock while it lives (by default the system database's, taken
  // by `write`), so that a group's write waits and the changes that come meanwhile queue behind it.
  std::unique_ptr<db::Connection> holdWriteLock(const std::string& write = insertText("blocker")) const {
    auto blocker = connect();
    blocker->beginTrans(db::TransactionMode::Read);
    blocker->execute(write);
    return blocker;
  }
  static std::string companyInsert(const std::string& code) {
    return "INSERT INTO Department (cDepCode,cDepName) VALUES ('" + code + "','" + code + "')";
  }
  std::future<void> takeOnAThreadOfItsOwn(const std::string& user, const std::string& insertRow) {
    return std::async(std::launch::async, [this, user, insertRow] { rights.take(keyOf(user), *connect(), insertRow); });
  }

  // "holder" holds the right; a group of the first user's take is being written, held back by
  // another connection's write lock, and the holder's release is left in the queue behind it.
  struct HeldGroup {
    std::unique_ptr<db::Connection> blocker;
    std::future<void> first;
  };
  HeldGroup leaveHoldersRelease(db::Connection& connection) {
    rights.take(keyOf("holder"), connection, insertText("holder"));
    HeldGroup group{holdWriteLock(), takeOnAThreadOfItsOwn("first", insertText("first"))};
    EXPECT_TRUE(awaitQueue(0)) << "the first take writes alone";
    auto release = std::async(std::launch::async, [&] {
      return rights.release(keyOf("holder"), connection, deleteText("holder"), TakenRights::Holding::Counted);
    });
    EXPECT_EQ(std::future_status::ready, release.wait_for(std::chrono::seconds(5))) << "the release does not wait";
    EXPECT_TRUE(release.get());
    return group;
  }
  // The holder takes its right again while its release is left in the queue, and does not wait.
  std::future<void> takeBackHoldersRelease(db::Connection& connection) {
    auto take = std::async(std::launch::async, [&] { rights.take(keyOf("holder"), connection, insertText("holder")); });
    EXPECT_EQ(std::future_status::ready, take.wait_for(std::chrono::seconds(5))) << "the take does not wait";
    return take;
  }
  void expectHolderCountedOnce(db::Connection& connection) {
    EXPECT_EQ("1", rowsOf("holder"));
    EXPECT_TRUE(rights.release(keyOf("holder"), connection, deleteText("holder"), TakenRights::Holding::Counted));
    EXPECT_EQ("0", rowsOf("holder")) << "one release counts the holder off";
  }

  CaseAccount account;
  TakenRights rights;
};

// Changes that come while a group is written are written as the next group. One of them fails:
// the others stand, the failing one raises to its own caller alone and is not counted, and a take
// counted in the failed group is counted once, with its row.
TEST_F(TakenRightsTest, AChangeThatFailsInAGroupFailsAlone) {
  const auto blocker = holdWriteLock();
  auto first = takeOnAThreadOfItsOwn("first", insertText("first"));
  ASSERT_TRUE(awaitQueue(0)) << "the first take writes alone";
  auto taken = takeOnAThreadOfItsOwn("second", insertText("second"));
  auto failing = takeOnAThreadOfItsOwn("third", "INSERT INTO vqsystem..NoSuchTable VALUES (1)");
  auto released =
      std::async(std::launch::async, [&] { return rights.release(keyOf("fourth"), *connect(), deleteText("fourth")); });
  EXPECT_TRUE(awaitQueue(3)) << "the three changes queue behind the first take";
  blocker->rollbackTrans();

  EXPECT_NO_THROW(first.get());
  EXPECT_NO_THROW(taken.get());
  EXPECT_ANY_THROW(failing.get());
  EXPECT_FALSE(released.get()) << "no row of that user was there to remove";
  EXPECT_EQ("1", rowsOf("first"));
  EXPECT_EQ("1", rowsOf("second"));

  // The second user's right was counted once: one release removes its row.
  const auto connection = connect();
  EXPECT_TRUE(rights.release(keyOf("second"), *connection, deleteText("second")));
  EXPECT_EQ("0", rowsOf("second"));
  // The failed take was not counted: the next take of that right writes its row.
  rights.take(keyOf("third"), *connection, insertText("third"));
  EXPECT_EQ("1", rowsOf("third"));
}

// A holder's release that comes while a group of its database is written does not wait for it:
// its row stays until then, and the thread writing the group removes it before it returns.
TEST_F(TakenRightsTest, AHoldersReleaseIsLeftToTheGroupAfterTheOneBeingWritten) {
  const auto connection = connect();
  auto group = leaveHoldersRelease(*connection);
  EXPECT_EQ(1u, rights.queue().waiting);
  EXPECT_EQ("1", rowsOf("holder")) << "the row stays until its group is written";
  group.blocker->rollbackTrans();

  EXPECT_NO_THROW(group.first.get());
  EXPECT_EQ("0", rowsOf("holder"));
  EXPECT_EQ("1", rowsOf("first"));
  EXPECT_EQ(0u, rights.queue().waiting);
}

// A take of the right whose release is left in the queue takes the release back without waiting:
// the row stays, counted once.
TEST_F(TakenRightsTest, ATakeTakesBackAReleaseLeftInTheQueue) {
  const auto connection = connect();
  auto group = leaveHoldersRelease(*connection);
  auto take = takeBackHoldersRelease(*connection);
  EXPECT_EQ(0u, rights.queue().waiting);
  group.blocker->rollbackTrans();
  EXPECT_NO_THROW(group.first.get());
  EXPECT_NO_THROW(take.get());
  expectHolderCountedOnce(*connection);
}

// While a group of changes whose threads wait is written, a left release waits it out for the
// same user's next take, which takes it back without waiting.
TEST_F(TakenRightsTest, ALeftReleaseWaitsOutAGroupOfChangesWhoseThreadsWait) {
  const auto connection = connect();
  auto group = leaveHoldersRelease(*connection);
  // the second take's group waits for the company database, which another connection writes
  const auto companyWriter = holdWriteLock(companyInsert("writer"));
  auto second = takeOnAThreadOfItsOwn("second", companyInsert("second"));
  ASSERT_TRUE(awaitQueue(2));
  group.blocker->rollbackTrans();
  EXPECT_NO_THROW(group.first.get());
  EXPECT_TRUE(awaitQueue(1)) << "the second take's group is written without the left release";

  auto take = takeBackHoldersRelease(*connection);
  companyWriter->rollbackTrans();
  EXPECT_NO_THROW(second.get());
  EXPECT_NO_THROW(take.get());
  EXPECT_EQ(0u, rights.queue().waiting);
  expectHolderCountedOnce(*connection);
}

// A left release waits out a few groups at most: under a queue that stays busy, its row still goes.
TEST_F(TakenRightsTest, ALeftReleaseWaitsOutAFewGroupsAtMost) {
  const auto connection = connect();
  auto group = leaveHoldersRelease(*connection);
  std::unique_ptr<db::Connection> blocker = std::move(group.blocker);
  std::future<void> written = std::move(group.first);
  // Each round queues a take behind the group being written and lets that group go. The take's
  // own group then waits for a write lock held by another connection: the company database's and
  // the system database's in turn, as the lock held before is let go only after.
  int groupsWithoutTheRelease = 0;
  for (int round = 1; round <= 8; ++round) {
    const std::string user = "user" + std::to_string(round);
    const bool company = round % 2 == 1;
    auto writer = holdWriteLock(company ? companyInsert("writer") : insertText("writer"));
    auto take = takeOnAThreadOfItsOwn(user, company ? companyInsert(user) : insertText(user));
    ASSERT_TRUE(awaitQueue(2));
    blocker->rollbackTrans();
    EXPECT_NO_THROW(written.get());
    std::size_t behind = 0;
    ASSERT_TRUE(awaitQueueThat([&](std::size_t waiting) { return (behind = waiting) < 2; }));
    blocker = std::move(writer);
    written = std::move(take);
    if (behind == 0) break;  // the release went with this group
    ++groupsWithoutTheRelease;
  }
  blocker->rollbackTrans();
  EXPECT_NO_THROW(written.get());
  EXPECT_EQ(4, groupsWithoutTheRelease);
  EXPECT_EQ("0", rowsOf("holder"));
}

// A release that waits may count off the holder of a left release (it may be the same user's
// release from a login that counted none), so a take behind it waits its turn and writes its row.
TEST_F(TakenRightsTest, ATakeBehindAWaitingReleaseDoesNotTakeBackTheLeftOne) {
  const auto connection = connect();
  auto group = leaveHoldersRelease(*connection);
  auto waited =
      std::async(std::launch::async, [&] { return rights.release(keyOf("holder"), *connect(), deleteText("holder")); });
  ASSERT_TRUE(awaitQueue(2));
  auto take = takeOnAThreadOfItsOwn("holder", insertText("holder"));
  EXPECT_TRUE(awaitQueue(3)) << "the take waits";
  group.blocker->rollbackTrans();

  EXPECT_NO_THROW(group.first.get());
  EXPECT_FALSE(waited.get()) << "the left release removed the row before it";
  EXPECT_NO_THROW(take.get());
  EXPECT_EQ("1", rowsOf("holder"));
}

// The same when the release that waits is in the group being written.
TEST_F(TakenRightsTest, ATakeDoesNotTakeBackALeftReleaseBehindAReleaseBeingWritten) {
  const auto connection = connect();
  rights.take(keyOf("holder"), *connection, insertText("holder"));
  const auto blocker = holdWriteLock();
  auto waited =
      std::async(std::launch::async, [&] { return rights.release(keyOf("holder"), *connect(), deleteText("holder")); });
  ASSERT_TRUE(awaitQueue(0)) << "the waiting release writes alone";
  EXPECT_TRUE(rights.release(keyOf("holder"), *connection, deleteText("holder"), TakenRights::Holding::Counted));
  auto take = takeOnAThreadOfItsOwn("holder", insertText("holder"));
  EXPECT_TRUE(awaitQueue(2)) << "the take waits";
  blocker->rollbackTrans();

  EXPECT_TRUE(waited.get());
  EXPECT_NO_THROW(take.get());
  EXPECT_EQ("1", rowsOf("holder"));
}

// Threads taking and releasing rights, as users of their own and as one user, leave the table as
// they found it; while any thread holds the shared user's right, its row is there.
TEST_F(TakenRightsTest, ThreadsTakingAndReleasingLeaveNoRowBehind) {
  constexpr int kThreads = 6;
  constexpr int kRounds = 40;
  std::vector<std::future<void>> threads;
  for (int thread = 0; thread < kThreads; ++thread) {
    threads.push_back(std::async(std::launch::async, [&, thread] {
      const auto connection = connect();
      const std::string own = "user" + std::to_string(thread);
      for (int round = 0; round < kRounds; ++round) {
        for (const std::string& user : {own, std::string("shared")}) {
          rights.take(keyOf(user), *connection, insertText(user));
          EXPECT_EQ("1", rowsOf(user));
        }
        for (const std::string& user : {own, std::string("shared")}) {
          EXPECT_TRUE(rights.release(keyOf(user), *connection, deleteText(user), TakenRights::Holding::Counted));
        }
      }
    }));
  }
  for (auto& thread : threads) thread.get();
  const auto connection = connect();
  db::Recordset rows;
  rows.open("SELECT Count(*) FROM vqsystem..UA_Task", *connection);
  EXPECT_EQ("0", CStr(rows.field(0).value()));
}

}  // namespace
}  // namespace corvane
