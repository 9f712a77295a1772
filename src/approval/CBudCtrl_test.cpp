#include "approval/CBudCtrl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "request/Locale.h"
#include "request/Messages.h"
#include "support/CaseAccount.h"
#include "support/QueryText.h"
#include "support/ScopedLocale.h"
#include "support/TestHost.h"

namespace corvane {
namespace {

constexpr const char* kClaim = "{7C2E9B40-1D3F-4E6A-8B02-000000000004}";  // BX2026010002, 450, dept 04
constexpr const char* kLoan = "{3A6F0C21-5B1E-4C8A-9D01-000000000002}";   // JK2026010002, 5742.32, dept 04

// The claim on the office budget of department 04 (600, 300 used, control type 3).
constexpr const char* kClaimOnBudget =
    "UPDATE KX_ExpenVouch SET strBudItemID = 'B02', strPort1 = '[dept]部门', strPort1Value = '[04]技术部' "
    "WHERE AutoID = 4";
constexpr const char* kClaimOffBudget =
    "UPDATE KX_ExpenVouch SET strBudItemID = Null, strPort1 = Null, strPort1Value = Null WHERE AutoID = 4";
constexpr const char* kClaimWithin = "UPDATE KX_ExpenVouch SET dblOldMoney = 200 WHERE AutoID = 4";
// The claim approved with 200 charged.
constexpr const char* kClaimApproved =
    "UPDATE KX_ExpenVouch SET dblOldMoney = 200, intBudPass = 1, strAuditorID = 'old' WHERE AutoID = 4";
constexpr const char* kClaimCharged =
    "INSERT INTO BudgetLedger (cSysID, cVoucherGUID, cItemCode, cPortValue1, mAmount) "
    "VALUES ('KX', '{7C2E9B40-1D3F-4E6A-8B02-000000000004}', 'B02', '04', 200)";
constexpr const char* kBudgetUsed500 =
    "UPDATE BudgetAmounts SET mUsed = 500 WHERE cItemCode = 'B02' AND cPortValue1 = '04'";
constexpr const char* kLoansUnderControl = "UPDATE AccInformation SET cValue = 'True' WHERE cName = 'blnBudCtrl'";
constexpr const char* kLoanOnBudget =
    "UPDATE KX_LoanVouch SET strBudItemID = 'B01', strPort1 = '[dept]部门', strPort1Value = '[04]技术部' "
    "WHERE AutoID = 2";

enum class Budget { Embedded, Status5, Unusable };

// The embedded component, except that Check answers status 5 without touching the budget.
class Status5Budget final : public BudgetChecker {
 public:
  bool InitConnection(db::Connection& connection) override { return inner_->InitConnection(connection); }
  bool OpenSystem(const std::string& sysId) override { return inner_->OpenSystem(sysId); }
  BudgetVoucher Check(const BudgetVoucher& voucher) override {
    BudgetVoucher answer = voucher;
    answer.Status = 5;
    answer.Message = "five";
    return answer;
  }

 private:
  std::unique_ptr<BudgetChecker> inner_ = EmbeddedHost::instance().budgetChecker();
};

BudgetFactory factoryOf(Budget budget) {
  switch (budget) {
    case Budget::Status5: return [] { return std::make_unique<Status5Budget>(); };
    case Budget::Unusable: return [] { return std::unique_ptr<BudgetChecker>(); };
    case Budget::Embedded: break;
  }
  return [] { return EmbeddedHost::instance().budgetChecker(); };
}

struct BudgetCase {
  const char* name;
  std::vector<const char*> setup;
  const char* guid;
  bool approving;
  bool workFlow;
  bool staleTs;
  Budget budget;
  bool result;
  const char* reply;  // strBudRet; a message id "Z7..." stands for its text
  const char* head;   // strAuditorID|intBudPass|intOverBud after the caller committed or rolled back
  const char* held;   // what the budget ledger holds for the voucher
  const char* used;   // mUsed of the voucher's budget for department 04
};

// clang-format off
const BudgetCase kCases[] = {
    {"gate: a loan while budget control is on claims", {kLoanOnBudget}, kLoan, true, false, false,
     Budget::Embedded, true, "success", "周建国|0|-1", "0", "B01:0"},
    {"gate with a stale ts", {}, kLoan, true, false, true, Budget::Embedded, false, "Z7.Corvane.0367", "|0|-1",
     "0", "B01:0"},
    {"gate: a claim while budget control is on loans", {kLoansUnderControl, kClaimOnBudget}, kClaim, true,
     false, false, Budget::Embedded, true, "success", "周建国|0|-1", "0", "B02:300"},
    {"skip: no budget item", {kClaimOffBudget}, kClaim, true, false, false, Budget::Embedded, true, "success", "周建国|0|-1",
     "0", "B02:300"},
    {"skip: the budget took the amount already", {kClaimOnBudget, "UPDATE KX_ExpenVouch SET intBudPass = 1"},
     kClaim, true, false, false, Budget::Embedded, true, "success", "周建国|1|-1", "0", "B02:300"},
    {"refused with control type 3", {kClaimOnBudget, "UPDATE KX_ExpenVouch SET intOverBud = 3"}, kClaim, true,
     false, false, Budget::Embedded, false, "Z7.Corvane.0157", "|0|3", "0", "B02:300"},
    {"cancel refused with control type 3", {kClaimOnBudget, "UPDATE KX_ExpenVouch SET intOverBud = 3"}, kClaim,
     false, false, false, Budget::Embedded, false, "Z7.Corvane.0157", "|0|3", "0", "B02:300"},
    {"status 2: approved and charged", {kClaimOnBudget, kClaimWithin}, kClaim, true, false, false,
     Budget::Embedded, true, "success", "周建国|1|-1", "200", "B02:500"},
    {"status 2: cancelled and released", {kClaimOnBudget, kClaimApproved, kClaimCharged, kBudgetUsed500}, kClaim,
     false, false, false, Budget::Embedded, true, "success", "|0|-1", "0", "B02:300"},
    {"status 1: over budget, a prompt with the control type", {kClaimOnBudget}, kClaim, true, false, false,
     Budget::Embedded, true, "超出预算。预算额 600，已用 300，本单 450。", "|0|3", "0", "B02:300"},
    {"status 0: refused by the item", {kClaimOnBudget, "UPDATE BudgetItems SET bRefuseOver = 1"}, kClaim, true,
     false, false, Budget::Embedded, true, "超出预算，不允许审核。预算额 600，已用 300，本单 450。", "|0|-1", "0",
     "B02:300"},
    {"status 3: no open period", {kClaimOnBudget, "UPDATE BudgetPeriods SET bOpen = 0"}, kClaim, true, false,
     false, Budget::Embedded, true, "单据日期不在预算系统已开放的期间内。", "|0|-1", "0", "B02:300"},
    {"status 3 on a cancel: the voucher stays approved",
     {kClaimOnBudget, kClaimApproved, kClaimCharged, kBudgetUsed500, "UPDATE BudgetPeriods SET bOpen = 0"}, kClaim,
     false, false, false, Budget::Embedded, true, "单据日期不在预算系统已开放的期间内。", "old|1|-1", "200",
     "B02:500"},
    {"other status: as 2 without the message", {kClaimOnBudget}, kClaim, true, false, false, Budget::Status5,
     true, "success", "周建国|1|-1", "0", "B02:300"},
    {"flow: the verdict only", {kClaimOnBudget, kClaimWithin}, kClaim, true, true, false, Budget::Embedded, true,
     "", "|1|-1", "200", "B02:500"},
    {"stale ts after the budget charged: all rolled back", {kClaimOnBudget, kClaimWithin}, kClaim, true, false,
     true, Budget::Embedded, false, "Z7.Corvane.0367", "|0|-1", "0", "B02:300"},
    {"cancel with a stale ts", {kClaimOnBudget, kClaimApproved, kClaimCharged, kBudgetUsed500}, kClaim, false,
     false, true, Budget::Embedded, false, "Z7.Corvane.0368", "old|1|-1", "200", "B02:500"},
    {"budget system not usable", {kClaimOnBudget, "UPDATE BudgetSystemState SET blnUsable = 0"}, kClaim, true,
     false, false, Budget::Embedded, false, "Z7.Corvane.0149", "|0|-1", "0", "B02:300"},
    {"no budget component", {kClaimOnBudget}, kClaim, true, false, false, Budget::Unusable, false,
     "Z7.Corvane.0149", "|0|-1", "0", "B02:300"},
    {"missing voucher", {kClaimOnBudget}, "{nothing}", true, false, false, Budget::Embedded, false,
     "Z7.Corvane.0367", "|0|-1", "0", "B02:300"},
    {"a quote in the GUID stays in its literal", {kClaimOnBudget}, "x' Or '1'='1", false, false, false,
     Budget::Embedded, false, "Z7.Corvane.0368", "|0|-1", "0", "B02:300"},
    {"a loan under control: charged, lines renewed", {kLoansUnderControl, kLoanOnBudget}, kLoan, true, false,
     false, Budget::Embedded, true, "success", "周建国|1|-1", "5742.32", "B01:5742.32"},
};
// clang-format on

class CheckBudCtrlTest : public ::testing::Test {
 protected:
  ScopedLocale locale_{"zh-CN"};
};

std::string tableOf(const std::string& guid) { return guid == kLoan ? "KX_LoanVouch" : "KX_ExpenVouch"; }

std::string headOf(db::Connection& connection, const std::string& guid) {
  return QueryScalar(connection,
                     "Select IsNull(strAuditorID, '') + '|' + Cast(intBudPass As nvarchar(5)) + '|' + "
                     "Cast(intOverBud As nvarchar(5)) From " +
                         tableOf(guid) + " Where GUID = '" + guid + "'");
}

TEST_F(CheckBudCtrlTest, DecidesRecordsAndWritesByTheBudgetsVerdict) {
  for (const BudgetCase& c : kCases) {
    SCOPED_TRACE(c.name);
    CaseAccount account;
    for (const char* sql : c.setup) account.execute(sql);
    TestHost host;
    host.budgetCheckers = factoryOf(c.budget);
    const auto login = account.logIn("demo", "zh-CN", std::nullopt, &host);
    db::Connection connection;
    connection.open(account.connectString());
    const std::string key = std::string(c.guid) == kLoan ? kLoan : kClaim;
    const std::string table = tableOf(c.guid);
    const std::string linesBefore =
        QueryScalar(connection, "Select Max(ts) From KX_LoanVouch_Sub Where MGuid = '" + std::string(kLoan) + "'");
    std::string ts = QueryScalar(connection, "Select Cast(ts As money) From " + table + " Where GUID = '" + key + "'");
    if (c.staleTs) ts = "1";

    connection.beginTrans();
    std::string reply = "unset";
    const bool result = CBudCtrl().CheckBudCtrl(*login, connection, c.guid, ts, table, c.approving, reply, c.workFlow);
    if (result) {
      connection.commitTrans();
    } else {
      connection.rollbackTrans();
    }

    EXPECT_EQ(result, c.result);
    const std::string expected = std::string(c.reply).rfind("Z7.", 0) == 0 ? GetResString(c.reply) : c.reply;
    EXPECT_EQ(reply, expected);
    EXPECT_EQ(headOf(connection, key), c.head);
    EXPECT_EQ(
        QueryScalar(connection, "Select IsNull(Sum(mAmount), 0) From BudgetLedger Where cVoucherGUID = '" + key + "'"),
        c.held);
    const std::string item = std::string(c.used).substr(0, 3);
    EXPECT_EQ(item + ":" +
                  QueryScalar(connection, "Select mUsed From BudgetAmounts Where cItemCode = '" + item +
                                              "' And cPortValue1 = '04'"),
              c.used);
    const bool linesRenewed = key == kLoan && c.result && !c.workFlow;
    EXPECT_EQ(QueryScalar(connection, "Select Max(ts) From KX_LoanVouch_Sub Where MGuid = '" + std::string(kLoan) +
                                          "'") != linesBefore,
              linesRenewed);
  }
}

TEST(CheckBudCtrl, ARunTimeErrorAfterTheBudgetChargedRollsItAllBack) {
  CaseAccount account;
  account.execute(kLoansUnderControl);
  account.execute(kLoanOnBudget);
  // Renewing the loan's lines, the last write of an approval, fails.
  account.execute("DROP TABLE KX_LoanVouch_Sub");
  const auto login = account.logIn();
  db::Connection connection;
  connection.open(account.connectString());
  const std::string ts =
      QueryScalar(connection, "Select Cast(ts As money) From KX_LoanVouch Where GUID = '" + std::string(kLoan) + "'");
  connection.beginTrans();
  std::string reply;
  EXPECT_FALSE(CBudCtrl().CheckBudCtrl(*login, connection, kLoan, ts, "KX_LoanVouch", true, reply, false));
  EXPECT_NE(reply.find("KX_LoanVouch_Sub"), std::string::npos) << reply;
  connection.rollbackTrans();
  EXPECT_EQ(headOf(connection, kLoan), "|0|-1");
  EXPECT_EQ(QueryScalar(connection, "Select Count(*) From BudgetLedger"), "0");
}

TEST(CheckBudCtrl, ApproverNameWithAQuoteIsWrittenAsItIs) {
  CaseAccount account;
  account.execute("UPDATE vqsystem..UA_User SET cUser_Name = 'O''Brien <x>' WHERE cUser_ID = 'demo'");
  const auto login = account.logIn();
  db::Connection connection;
  connection.open(account.connectString());
  const std::string ts =
      QueryScalar(connection, "Select Cast(ts As money) From KX_LoanVouch Where GUID = '" + std::string(kLoan) + "'");
  std::string reply;
  EXPECT_TRUE(CBudCtrl().CheckBudCtrl(*login, connection, kLoan, ts, "KX_LoanVouch", true, reply, false));
  EXPECT_EQ(reply, "success");
  EXPECT_EQ(headOf(connection, kLoan), "O'Brien <x>|0|-1");
}

TEST(CheckBudCtrl, GetCodeInBracketCutsTheCode) {
  const std::pair<const char*, const char*> cases[] = {
      {"[04]技术部", "04"}, {"技术部", ""}, {"04]技术部", "04"}, {"", ""},
      {"a]b[c]", ""},       {"x[]y", ""},   {"[a[b]c", "a[b"},
  };
  for (const auto& [text, code] : cases) EXPECT_EQ(GetCodeInBracket(text), code) << text;
}

}  // namespace
}  // namespace corvane
