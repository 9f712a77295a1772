#include "host/BudgetChecker.h"

#include <gtest/gtest.h>

#include <string>

#include "CaseAccount.h"
#include "platform/db/Connection.h"

namespace corvane {
namespace {

struct BudgetCase {
  const char* name;
  const char* setup;  // run on the account first, or nothing
  bool openConnection;
  const char* sysId;
  bool initAnswer;
  bool openAnswer;
};

const BudgetCase kBudgetCases[] = {
    {"demo account serves the module", nullptr, true, "KX", true, true},
    {"module code compared in any case", nullptr, true, "kx", true, true},
    {"flag switched off", "UPDATE BudgetSystemState SET blnUsable = 0", true, "KX", true, false},
    {"module without a row", nullptr, true, "GL", true, false},
    {"row removed", "DELETE FROM BudgetSystemState", true, "KX", true, false},
    {"closed connection: nothing is asked", nullptr, false, "KX", false, false},
    {"a quote in the module code stays in its literal", nullptr, true, "K' Or '1'='1", true, false},
};

TEST(BudgetChecker, EmbeddedAnswersFromTheAccountsFlag) {
  for (const BudgetCase& c : kBudgetCases) {
    SCOPED_TRACE(c.name);
    CaseAccount account;
    if (c.setup != nullptr) account.execute(c.setup);
    db::Connection connection;
    if (c.openConnection) connection.open(account.connectString());
    const auto checker = EmbeddedBudgetChecker();
    EXPECT_EQ(checker->InitConnection(connection), c.initAnswer);
    EXPECT_EQ(checker->OpenSystem(c.sysId), c.openAnswer);
  }
}

}  // namespace
}  // namespace corvane
