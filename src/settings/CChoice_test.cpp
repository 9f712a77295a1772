#include "settings/CChoice.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/BudgetChecker.h"
#include "request/Messages.h"
#include "support/PubTestAccount.h"
#include "support/TestHost.h"

namespace corvane {
namespace {

// What the fake budget component answers, and how often it was asked.
struct BudgetScript {
  bool init = true;
  bool open = true;
  int initCalls = 0;
  int openCalls = 0;
};

class FakeBudget final : public BudgetChecker {
 public:
  explicit FakeBudget(BudgetScript& script) : script_(script) {}
  bool InitConnection(db::Connection&) override {
    ++script_.initCalls;
    return script_.init;
  }
  bool OpenSystem(const std::string& sysId) override {
    ++script_.openCalls;
    EXPECT_EQ(sysId, "KX");
    return script_.open;
  }

 private:
  BudgetScript& script_;
};

// A host whose budget component answers from `script`.
TestHost budgetHost(BudgetScript& script) {
  TestHost host;
  host.budgetCheckers = [&script] { return std::make_unique<FakeBudget>(script); };
  return host;
}

// The demo account's stored options, as a full edit request would send them unchanged.
const std::map<std::string, std::string> kUnchanged = {
    {"blnBudCtrl", "False"},   {"intExpireDays", "30"},  {"intAlertDays", "7"},   {"blnAutoAlert", "False"},
    {"blnSubmAudit", "False"}, {"strIOLevel", "122"},    {"strZeroLevel", "122"}, {"blnModiStand", "False"},
    {"blnModiFZHS", "False"},  {"blnInputBud", "False"},
};

using Changes = std::vector<std::pair<std::string, std::optional<std::string>>>;

// An edit func sending the unchanged options with `changes` applied (nullopt leaves the
// attribute out). Values are written between quotes, so they must not hold one.
std::string editFunc(const Changes& changes) {
  std::map<std::string, std::optional<std::string>> values(kUnchanged.begin(), kUnchanged.end());
  for (const auto& [name, value] : changes) values[name] = value;
  std::string element = "<options";
  for (const auto& [name, value] : values) {
    if (value) element += " " + name + "=\"" + *value + "\"";
  }
  return "<func name='edit'><in>" + element + "/></in></func>";
}

const char* const kOptionsQuery =
    "SELECT cID, cValue, Case When cValue Is Null Then 1 Else 0 End AS isNull FROM AccInformation "
    "WHERE cSysID = 'KX' AND cID LIKE '1%' ORDER BY cID";

std::string storedOption(PubTestAccount& test, const std::string& id) {
  return test.rows("SELECT cValue FROM AccInformation WHERE cSysID = 'KX' AND cID = '" + id + "'");
}

struct EditCase {
  const char* name;
  std::vector<std::string> setup;
  Changes changes;
  const char* refusal;  // message id of a business refusal, or nullptr
  int errorNumber;      // 9000 for a refusal, 0 for success, else the run-time error's number
  std::vector<std::pair<std::string, std::string>> stored;  // option id -> value after success
  bool budgetUsable = true;
};

// Every edit also switches blnAutoAlert on, so that a refused edit shows it wrote nothing.
const Changes kAlertOn = {{"blnAutoAlert", "True"}};

Changes with(Changes changes) {
  changes.insert(changes.begin(), kAlertOn.begin(), kAlertOn.end());
  return changes;
}

const std::string kNoPlaces = "DELETE FROM KX_Position";
// The demo's expense standards refer to its items; they go first.
const std::vector<std::string> kNoItems = {
    "DELETE FROM KX_StandSet",      "DELETE FROM KX_EISet_Stand", "DELETE FROM KX_EffectItem",
    "DELETE FROM KX_ExpenseDepart", "DELETE FROM KX_Expense",     "DELETE FROM KX_IOItem",
};
const std::string kPlaceOf5 = "INSERT INTO KX_Position (strPositionCode, strPositionName) VALUES ('10101','甲地')";
const std::string kPlaceOf3 = "INSERT INTO KX_Position (strPositionCode, strPositionName) VALUES ('101','乙地')";
const std::string kNoLoansButOpening = "UPDATE KX_LoanVouch SET blnBegin = 1";
const std::string kAllSubmitted[] = {"UPDATE KX_LoanVouch SET blnAudi = 1", "UPDATE KX_ExpenVouch SET blnAudi = 1"};

// clang-format off
const EditCase kEditCases[] = {
    // Day counts.
    {"unchanged values are answered and the alert switched on", {}, with({}), nullptr, 0,
     {{"102", "30"}, {"103", "7"}, {"104", "True"}}},
    {"expire days left out store an empty value", {}, with({{"intExpireDays", std::nullopt}}), nullptr, 0,
     {{"102", ""}}},
    {"expire days empty", {}, with({{"intExpireDays", ""}}), "Z7.Corvane.0188", 9000, {}},
    {"expire days zero", {}, with({{"intExpireDays", "0"}}), "Z7.Corvane.0188", 9000, {}},
    {"expire days 1000", {}, with({{"intExpireDays", "1000"}}), "Z7.Corvane.0188", 9000, {}},
    {"expire days 999", {}, with({{"intExpireDays", "999"}}), nullptr, 0, {{"102", "999"}}},
    {"expire days not numeric", {}, with({{"intExpireDays", "12abc"}}), "Z7.Corvane.0188", 9000, {}},
    {"expire days 999.5 round to 1000", {}, with({{"intExpireDays", "999.5"}}), "Z7.Corvane.0188", 9000, {}},
    {"expire days 0.5 round to 0", {}, with({{"intExpireDays", "0.5"}}), "Z7.Corvane.0188", 9000, {}},
    {"expire days kept as sent", {}, with({{"intExpireDays", "1.5"}}), nullptr, 0, {{"102", "1.5"}}},
    {"expire days beyond a 16-bit number", {}, with({{"intExpireDays", "70000"}}), nullptr, 6, {}},
    {"alert days empty", {}, with({{"intAlertDays", ""}}), nullptr, 0, {{"103", ""}}},
    {"alert days left out", {}, with({{"intAlertDays", std::nullopt}}), nullptr, 0, {{"103", ""}}},
    {"alert days zero", {}, with({{"intAlertDays", "0"}}), "Z7.Corvane.0189", 9000, {}},
    {"alert days not numeric", {}, with({{"intAlertDays", "x"}}), "Z7.Corvane.0189", 9000, {}},
    // Budget control and budget entry.
    {"budget control while loans exist", {}, with({{"blnBudCtrl", "True"}}), "Z7.Corvane.0187", 9000, {}},
    {"budget control with only opening loans", {kNoLoansButOpening}, with({{"blnBudCtrl", "true"}}),
     nullptr, 0, {{"101", "True"}}},
    {"budget control on without a usable budget", {kNoLoansButOpening}, with({{"blnBudCtrl", "1"}}),
     "Z7.Corvane.0330", 9000, {}, false},
    {"budget control off without a usable budget",
     {kNoLoansButOpening, "UPDATE AccInformation SET cValue = 'True' WHERE cID = '101'"},
     with({{"blnBudCtrl", std::nullopt}}), nullptr, 0, {{"101", "False"}}, false},
    {"budget control off still needs no other loans",
     {"UPDATE AccInformation SET cValue = 'True' WHERE cID = '101'"}, with({{"blnBudCtrl", ""}}),
     "Z7.Corvane.0187", 9000, {}, false},
    {"budget entry on", {}, with({{"blnInputBud", "True"}}), nullptr, 0, {{"110", "True"}}},
    {"budget entry on without a usable budget", {}, with({{"blnInputBud", "True"}}), "Z7.Corvane.0200",
     9000, {}, false},
    {"budget entry off without a usable budget",
     {"UPDATE AccInformation SET cValue = 'True' WHERE cID = '110'"}, with({{"blnInputBud", "False"}}),
     nullptr, 0, {{"110", "False"}}, false},
    // Submit on save.
    {"submit on save while unsubmitted vouchers exist", {}, with({{"blnSubmAudit", "True"}}),
     "Z7.Corvane.0190", 9000, {}},
    {"submit on save once all are submitted", {kAllSubmitted[0], kAllSubmitted[1]},
     with({{"blnSubmAudit", "True"}}), nullptr, 0, {{"105", "True"}}},
    {"submit on save off is never refused", {"UPDATE AccInformation SET cValue = 'True' WHERE cID = '105'"},
     with({{"blnSubmAudit", std::nullopt}}), nullptr, 0, {{"105", "False"}}},
    {"a stored 'true' differs from True, so the check runs",
     {"UPDATE AccInformation SET cValue = 'true' WHERE cID = '105'"}, with({{"blnSubmAudit", "True"}}),
     "Z7.Corvane.0190", 9000, {}},
    {"a stored 'true' is rewritten as True",
     {kAllSubmitted[0], kAllSubmitted[1], "UPDATE AccInformation SET cValue = 'true' WHERE cID = '105'"},
     with({{"blnSubmAudit", "True"}}), nullptr, 0, {{"105", "True"}}},
    {"a Boolean that is no Boolean text", {}, with({{"blnModiStand", "yes"}}), nullptr, 13, {}},
    {"Boolean numbers", {}, with({{"blnModiStand", "-1"}, {"blnModiFZHS", "0"}}), nullptr, 0,
     {{"108", "True"}, {"109", "False"}}},
    // The item code rule (demo items: the longest code has 5 characters, the rule is 122).
    {"item rule longer than 5", {}, with({{"strIOLevel", "122111"}}), "Z7.Corvane.0191", 9000, {}},
    {"item rule not beginning with 1", {}, with({{"strIOLevel", "212"}}), "Z7.Corvane.0192", 9000, {}},
    {"item rule with a zero level", {}, with({{"strIOLevel", "1202"}}), "Z7.Corvane.0193", 9000, {}},
    {"item rule missing the longest code", {}, with({{"strIOLevel", "123"}}), "Z7.Corvane.0194", 9000, {}},
    {"item rule that fits but changes while items exist", {}, with({{"strIOLevel", "14"}}),
     "Z7.Corvane.0195", 9000, {}},
    {"item rule emptied while items exist", {}, with({{"strIOLevel", std::nullopt}}), "Z7.Corvane.0195",
     9000, {}},
    {"item rule with a letter while items exist", {}, with({{"strIOLevel", "1a"}}), nullptr, 13, {}},
    {"item rule without items", kNoItems, with({{"strIOLevel", "1202"}}), nullptr, 0,
     {{"106", "1202"}}},
    {"item rule with a quote", kNoItems, with({{"strIOLevel", "1'"}}), nullptr, 0,
     {{"106", "1'"}}},
    {"a stored Null item rule never differs",
     {"UPDATE AccInformation SET cValue = NULL WHERE cID = '106'"}, with({{"strIOLevel", "14"}}), nullptr,
     0, {{"106", "14"}}},
    // The place code rule.
    {"place rule longer than 5", {}, with({{"strZeroLevel", "111111"}}), "Z7.Corvane.0197", 9000, {}},
    {"place rule meeting a 5-character place", {kNoPlaces, kPlaceOf5},
     with({{"strZeroLevel", "14"}}), nullptr, 0, {{"107", "14"}}},
    {"place rule missing a 3-character place", {kNoPlaces, kPlaceOf3},
     with({{"strZeroLevel", "14"}}), "Z7.Corvane.0199", 9000, {}},
    {"place rule with a zero level", {kNoPlaces, kPlaceOf3},
     with({{"strZeroLevel", "102"}}), "Z7.Corvane.0198", 9000, {}},
    {"place rule need not begin with 1", {kNoPlaces, kPlaceOf3},
     with({{"strZeroLevel", "3"}}), nullptr, 0, {{"107", "3"}}},
    // Missing option rows.
    {"a missing option row ends the edit", {"DELETE FROM AccInformation WHERE cID = '108'"}, with({}),
     nullptr, 91, {}},
};
// clang-format on

TEST(CChoice, EditChecksEveryOptionAndWritesOnlyWhenAllPass) {
  for (const EditCase& c : kEditCases) {
    SCOPED_TRACE(c.name);
    BudgetScript budget{c.budgetUsable, true};
    TestHost host = budgetHost(budget);
    PubTestAccount test("demo", "2026-1-6", c.setup, &host);
    CChoice choice;
    const std::string before = test.rows(kOptionsQuery);

    const PubAnswer answer = test.serve([&](FuncCall& call) { return choice.recordEdit(call); }, editFunc(c.changes));

    if (c.errorNumber == 0) {
      ASSERT_TRUE(answer.ok) << answer.reply;
      EXPECT_EQ(answer.reply.rfind("<head ", 0), 0u) << answer.reply;
      for (const auto& [id, value] : c.stored) {
        EXPECT_EQ(storedOption(test, id), "<row cValue='" + value + "'/>") << id;
      }
      continue;
    }
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(answer.at("id"), "Corvane:CChoice:recordEdit:" + std::to_string(c.errorNumber));
    if (c.refusal != nullptr) {
      EXPECT_EQ(answer.at("text"), GetResString(c.refusal));
    }
    EXPECT_EQ(test.rows(kOptionsQuery), before);
  }
}

TEST(CChoice, EditAnswersTheRefreshedOptionsInIdOrder) {
  BudgetScript budget;
  TestHost host = budgetHost(budget);
  PubTestAccount test("demo", "2026-1-6", {}, &host);
  CChoice choice;
  const PubAnswer answer = test.serve([&](FuncCall& call) { return choice.recordEdit(call); },
                                      editFunc({{"intExpireDays", "45"}, {"blnModiFZHS", "True"}}));
  ASSERT_TRUE(answer.ok) << answer.reply;
  EXPECT_EQ(answer.reply, canonical("<head blnBudCtrl='False' intExpireDays='45' intAlertDays='7' blnAutoAlert='False' "
                                    "blnSubmAudit='False' strIOLevel='122' strZeroLevel='122' blnModiStand='False' "
                                    "blnModiFZHS='True' blnInputBud='False'/>"));
}

// The day counts are written even when they do not change: a Null alert count sent as empty
// (equal to the Null read as empty) becomes empty text, while an unchanged Null code rule stays
// Null.
TEST(CChoice, EditRewritesTheDayCountsEvenWhenUnchanged) {
  BudgetScript budget;
  TestHost host = budgetHost(budget);
  PubTestAccount test("demo", "2026-1-6",
                      {"UPDATE AccInformation SET cValue = NULL WHERE cID IN ('103', '107')", kNoPlaces}, &host);
  CChoice choice;
  const PubAnswer answer = test.serve([&](FuncCall& call) { return choice.recordEdit(call); },
                                      editFunc({{"intAlertDays", ""}, {"strZeroLevel", std::nullopt}}));
  ASSERT_TRUE(answer.ok) << answer.reply;
  EXPECT_EQ(test.rows("SELECT cID, Case When cValue Is Null Then 'null' Else 'text' End AS kind "
                      "FROM AccInformation WHERE cID IN ('103', '107') ORDER BY cID"),
            "<row cID='103' kind='text'/><row cID='107' kind='null'/>");
}

struct BudgetAskCase {
  const char* name;
  bool init;
  int openCalls;
  const char* budgetControl;  // the value sent for blnBudCtrl
  bool ok;
};

// The budget system is asked on every edit, whatever changes; OpenSystem only after a
// successful InitConnection, and the system counts as usable only when both say so.
const BudgetAskCase kBudgetAskCases[] = {
    {"nothing budget-related changes", true, 1, "False", true},
    {"connection refused: the system is not opened", false, 0, "False", true},
    {"connection refused makes budget control unusable", false, 0, "True", false},
};

TEST(CChoice, EditAsksTheBudgetSystemEveryTime) {
  for (const BudgetAskCase& c : kBudgetAskCases) {
    SCOPED_TRACE(c.name);
    BudgetScript budget{c.init, true};
    TestHost host = budgetHost(budget);
    PubTestAccount test("demo", "2026-1-6", {kNoLoansButOpening}, &host);
    CChoice choice;
    const PubAnswer answer = test.serve([&](FuncCall& call) { return choice.recordEdit(call); },
                                        editFunc({{"blnBudCtrl", c.budgetControl}}));
    EXPECT_EQ(answer.ok, c.ok) << answer.reply;
    EXPECT_EQ(budget.initCalls, 1);
    EXPECT_EQ(budget.openCalls, c.openCalls);
  }
}

TEST(CChoice, EditEndsInItsErrorReplyWithoutABudgetComponentOrRequestElement) {
  TestHost noBudget;
  noBudget.budgetCheckers = [] { return std::unique_ptr<BudgetChecker>(); };
  PubTestAccount withoutComponent("demo", "2026-1-6", {}, &noBudget);
  CChoice choice;
  const PubAnswer withoutBudget =
      withoutComponent.serve([&](FuncCall& call) { return choice.recordEdit(call); }, editFunc({}));
  EXPECT_FALSE(withoutBudget.ok);
  EXPECT_EQ(withoutBudget.at("id"), "Corvane:CChoice:recordEdit:429");

  BudgetScript budget;
  TestHost host = budgetHost(budget);
  PubTestAccount test("demo", "2026-1-6", {}, &host);
  const PubAnswer withoutElement =
      test.serve([&](FuncCall& call) { return choice.recordEdit(call); }, "<func name='edit'><in/></func>");
  EXPECT_FALSE(withoutElement.ok);
  EXPECT_EQ(withoutElement.at("id"), "Corvane:CChoice:recordEdit:91");
}

TEST(CChoice, GetWithoutOptionRowsIsRefused) {
  PubTestAccount test("demo", "2026-1-6", {"DELETE FROM AccInformation WHERE cID LIKE '1%'"});
  CChoice choice;
  const PubAnswer answer = test.serve([&](FuncCall& call) { return choice.recordGet(call); }, "<func name='get'/>");
  EXPECT_FALSE(answer.ok);
  EXPECT_EQ(answer.at("id"), "Corvane:CChoice:recordGet:9000");
  EXPECT_EQ(answer.at("text"), GetResString("Z7.Corvane.0055"));
}

}  // namespace
}  // namespace corvane
