#include "host/BudgetChecker.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/com/Locale.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "support/CaseAccount.h"
#include "support/ScopedLocale.h"

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

// A voucher of the technical department ('04') on a budget item, dated in the open period.
BudgetVoucher voucherOn(const char* item, const char* amount, const char* guid = "{V1}",
                        const char* date = "2026-1-13") {
  BudgetVoucher voucher;
  voucher.VoucherGuid = guid;
  voucher.SystemCode = "KX";
  voucher.VoucherNo = "BX1";
  voucher.VoucherDate = date;
  voucher.IsCancel = amount[0] == '-';
  BudgetVoucherEntry line;
  line.LineNo = "1";
  line.BudgetItemCode = item;
  line.PortCode1 = "dept";
  line.PortValue1 = "04";
  line.Amount = amount;
  voucher.Entries.push_back(line);
  return voucher;
}

class BudgetCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    connection.open(account.connectString());
    connection.beginTrans();
    ASSERT_TRUE(checker->InitConnection(connection));
    ASSERT_TRUE(checker->OpenSystem("KX"));
  }

  std::string used(const char* item) {
    db::Recordset rs;
    rs.open("Select mUsed From BudgetAmounts Where cItemCode = " + db::quoteLiteral(item) + " And cPortValue1 = '04'",
            connection);
    return rs.eof() ? "none" : CStr(rs.field(0).value());
  }
  std::string held(const char* guid) {
    db::Recordset rs;
    rs.open(std::string("Select IsNull(Sum(mAmount), 0) From BudgetLedger Where cVoucherGUID = '") + guid + "'",
            connection);
    return CStr(rs.field(0).value());
  }

  ScopedLocale locale_{"en-us"};
  CaseAccount account;
  db::Connection connection;
  std::unique_ptr<BudgetChecker> checker = EmbeddedBudgetChecker();
};

TEST_F(BudgetCheckTest, ChargesReleasesAndAnswersOverBudgetByTheItemsSettings) {
  struct Step {
    const char* name;
    const char* setup;
    BudgetVoucher voucher;
    int status;
    int controlType;
    const char* usedAfter;  // mUsed of the voucher's item for department 04
    const char* heldAfter;  // what the ledger holds for {V1}
  };
  const Step steps[] = {
      {"within budget: charged", nullptr, voucherOn("B01", "4000"), 2, 0, "4000", "4000"},
      {"charged once only", nullptr, voucherOn("B01", "4000"), 2, 0, "4000", "4000"},
      {"released", nullptr, voucherOn("B01", "-4000"), 2, 0, "0", "0"},
      {"released once only", nullptr, voucherOn("B01", "-4000"), 2, 0, "0", "0"},
      {"over budget: the item's control type", nullptr, voucherOn("B02", "450"), 1, 3, "300", "0"},
      {"over budget refused by the item", "UPDATE BudgetItems SET bRefuseOver = 1 WHERE cItemCode = 'B02'",
       voucherOn("B02", "450"), 0, 0, "300", "0"},
      {"exactly the budget left", nullptr, voucherOn("B02", "300"), 2, 0, "600", "300"},
      {"no open period", nullptr, voucherOn("B01", "1", "{V2}", "2025-12-31"), 3, 0, "0", "300"},
      {"period closed", "UPDATE BudgetPeriods SET bOpen = 0", voucherOn("B01", "1", "{V2}"), 3, 0, "0", "300"},
      {"unknown item", "UPDATE BudgetPeriods SET bOpen = 1", voucherOn("B9", "1", "{V2}"), 0, 0, "none", "300"},
      {"a quote in the item stays in its literal", nullptr, voucherOn("B0' Or '1'='1", "1", "{V2}"), 0, 0, "none",
       "300"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    if (step.setup != nullptr) connection.execute(step.setup);
    const BudgetVoucher answer = checker->Check(step.voucher);
    EXPECT_EQ(answer.Status, step.status) << answer.Message;
    EXPECT_EQ(answer.Status == 2, answer.Message.empty()) << answer.Message;
    EXPECT_EQ(answer.Entries.at(0).ControlType, step.controlType);
    EXPECT_EQ(used(step.voucher.Entries[0].BudgetItemCode.c_str()), step.usedAfter);
    EXPECT_EQ(held("{V1}"), step.heldAfter);
  }
}

TEST_F(BudgetCheckTest, ChargesAndReleasesToTheCentAgainstTheBudget) {
  // Sums a double gets wrong: 0.1 + 0.2 is above 0.3 in binary, and 999999999.99 + 0.01 needs
  // every cent.
  connection.execute(
      "UPDATE BudgetAmounts SET mBudget = 0.3, mUsed = 0 "
      "WHERE cItemCode = 'B02' And cPortValue1 = '04'");
  connection.execute(
      "UPDATE BudgetAmounts SET mBudget = 1000000000, mUsed = 999999999.99 "
      "WHERE cItemCode = 'B01' And cPortValue1 = '04'");
  struct Step {
    const char* name;
    BudgetVoucher voucher;
    int status;
    const char* usedAfter;
  };
  const Step steps[] = {
      {"a tenth", voucherOn("B02", "0.1", "{V1}"), 2, "0.1"},
      {"two tenths fill the budget exactly", voucherOn("B02", "0.2", "{V2}"), 2, "0.3"},
      {"a ten-thousandth more is over budget", voucherOn("B02", "0.0001", "{V3}"), 1, "0.3"},
      {"the tenth released", voucherOn("B02", "-0.1", "{V1}"), 2, "0.2"},
      {"a tenth charged again fills it", voucherOn("B02", "0.1", "{V4}"), 2, "0.3"},
      {"the last cent of a large budget", voucherOn("B01", "0.01", "{V5}"), 2, "1000000000"},
      {"a cent beyond it", voucherOn("B01", "0.01", "{V6}"), 1, "1000000000"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    const BudgetVoucher answer = checker->Check(step.voucher);
    EXPECT_EQ(answer.Status, step.status) << answer.Message;
    EXPECT_EQ(used(step.voucher.Entries[0].BudgetItemCode.c_str()), step.usedAfter);
  }
  EXPECT_EQ(held("{V1}"), "0");
}

TEST_F(BudgetCheckTest, AnswersAnItemsDimensions) {
  const BudgetItem item = checker->GetItem("B01");
  EXPECT_EQ(item.PortCode1, "dept");
  EXPECT_EQ(item.PortName1, "部门");
  EXPECT_EQ(item.PortCode2, "");
  EXPECT_EQ(checker->GetItem("nothing").PortCode1, "");
}

}  // namespace
}  // namespace corvane
