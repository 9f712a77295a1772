#include "platform/db/DbFaultHook.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/ConnectionTestAccount.h"

namespace corvane::db {
namespace {

const char* const kCompanySql =
    "CREATE TABLE KX_Item (strCode varchar(20) PRIMARY KEY, strName nvarchar(50));"
    "INSERT INTO KX_Item VALUES ('01', 'one');";

// Records every call it is asked about and fails the one numbered `failing` (from 1).
class RecordingHook final : public DbFaultHook {
 public:
  explicit RecordingHook(int failing = 0) : failing_(failing) {}
  void before(DbCall call) override {
    calls.push_back(call);
    if (static_cast<int>(calls.size()) == failing_) throw RuntimeError(-1, "failed on purpose");
  }
  std::vector<DbCall> calls;

 private:
  int failing_;
};

class DbFaultHookTest : public ::testing::Test {
 protected:
  std::string company(const std::string& sql) const {
    return ConnectionTestAccount::scalar(account.files().company(), sql);
  }
  // Opens, begins, runs a statement, opens a set, commits.
  void work(Connection& connection) const {
    connection.open(account.connectionString());
    connection.beginTrans();
    connection.execute("UPDATE KX_Item SET strName = 'uno' WHERE strCode = '01'");
    Recordset items;
    items.open("SELECT * FROM KX_Item WHERE 1 = 2", connection, adOpenStatic);
    connection.commitTrans();
  }

  ConnectionTestAccount account{kCompanySql, "", ""};
};

TEST_F(DbFaultHookTest, TheHookIsAskedBeforeEveryCallThatCanFail) {
  RecordingHook hook;
  {
    const ScopedDbFaultHook installed(hook);
    Connection connection;
    work(connection);
  }
  EXPECT_EQ(hook.calls, (std::vector<DbCall>{DbCall::Open, DbCall::BeginTrans, DbCall::Execute, DbCall::OpenRecordset,
                                             DbCall::CommitTrans}));
  // Once the scope ends the hook is asked no more.
  Connection later;
  later.open(account.connectionString());
  later.execute("UPDATE KX_Item SET strName = 'one' WHERE strCode = '01'");
  EXPECT_EQ(hook.calls.size(), 5u);
}

TEST_F(DbFaultHookTest, AFailedCallRaisesBeforeItTouchesTheDatabase) {
  for (int failing = 1; failing <= 5; ++failing) {
    SCOPED_TRACE(failing);
    RecordingHook hook(failing);
    const ScopedDbFaultHook installed(hook);
    Connection connection;
    EXPECT_THROW(work(connection), RuntimeError);
    connection.close();  // rolls back what the transaction did
    EXPECT_EQ(company("SELECT strName FROM KX_Item WHERE strCode = '01'"), "one");
  }
}

}  // namespace
}  // namespace corvane::db
