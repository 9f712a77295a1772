#include "host/ApprovalFlow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/EmbeddedLoginContext.h"
#include "platform/com/Locale.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/CaseAccount.h"
#include "support/ScopedLocale.h"

namespace corvane {
namespace {

constexpr const char* kApprovedLoan = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";
constexpr const char* kSavedLoan = "{3A6F0C21-5B1E-4C8A-9D01-000000000002}";
constexpr const char* kWaitingClaim = "{7C2E9B40-1D3F-4E6A-8B02-000000000002}";

class ApprovalFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    connection.open(account.connectString());
    connection.beginTrans();
  }

  std::string lastError(const ApprovalFlowServer& flow) const {
    std::string text = "unset";
    flow.LastErrorText(text);
    return text;
  }

  long flowRows(const std::string& where) {
    db::Recordset rs;
    rs.open("Select Count(*) From ApprovalFlowInstances Where " + where, connection);
    return CLng(rs.field(0).value());
  }

  ScopedLocale locale_{"zh-CN"};
  CaseAccount account;
  db::Connection connection;
};

struct FlowCheck {
  const char* name;
  const char* billType;
  const char* billGuid;
  bool inFlow;
  bool allowChange;
};

const FlowCheck kFlowChecks[] = {
    {"approved loan", "45", kApprovedLoan, true, false},
    {"saved loan never submitted", "45", kSavedLoan, false, true},
    {"claim waiting for its approver", "46", kWaitingClaim, true, false},
    {"the kind belongs to the key", "47", kWaitingClaim, false, true},
    {"a quote in the GUID stays in its literal", "45", "x' Or '1'='1", false, true},
};

TEST_F(ApprovalFlowTest, AnswersWhetherAVoucherIsInItsFlowAndMayChange) {
  const auto flow = CreateApprovalFlowServer();
  for (const FlowCheck& c : kFlowChecks) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(flow->IsInFlow(connection, c.billType, c.billGuid, "11"), c.inFlow);
    EXPECT_EQ(flow->AllowChange(connection, c.billType, c.billGuid, "11"), c.allowChange);
    EXPECT_EQ(lastError(*flow), c.allowChange ? "" : "单据正在审批，不能修改。");
  }
}

TEST_F(ApprovalFlowTest, SubmissionEntersTheFlowOnceAndNeedsASubmitter) {
  const auto flow = CreateApprovalFlowServer();
  EXPECT_FALSE(flow->SubmitToFlow(connection, "45", kSavedLoan, "JK2026010002", "<EAdata/>"));
  EXPECT_EQ(lastError(*flow), "未指定提交人，不能提交审批。");

  const auto login = account.logIn();
  flow->SetLogin(*login);
  EXPECT_FALSE(flow->SubmitToFlow(connection, "45", kSavedLoan, "JK2026010002", ""));
  EXPECT_EQ(lastError(*flow), "审批数据为空，不能提交审批。");
  EXPECT_TRUE(flow->SubmitToFlow(connection, "45", kSavedLoan, "JK'2", "<EAdata a='1'/>"));
  EXPECT_EQ(lastError(*flow), "");
  EXPECT_EQ(flowRows("cBillGUID = '" + std::string(kSavedLoan) +
                     "' And cBillCode = 'JK''2' And cDocument = '<EAdata a=''1''/>' And "
                     "cSubmitter = '" +
                     login->UserName() + "' And iState = 0"),
            1);
  EXPECT_TRUE(flow->IsInFlow(connection, "45", kSavedLoan, "11"));

  EXPECT_FALSE(flow->SubmitToFlow(connection, "45", kSavedLoan, "JK2026010002", "<EAdata/>"));
  EXPECT_EQ(lastError(*flow), "单据已在审批流程中。");
}

TEST_F(ApprovalFlowTest, AVoucherSentBackMayChangeAndBeSubmittedAgain) {
  connection.execute("Update ApprovalFlowInstances Set iState = 3 Where cBillType = '46'");
  const auto flow = CreateApprovalFlowServer();
  const auto login = account.logIn();
  flow->SetLogin(*login);
  EXPECT_TRUE(flow->AllowChange(connection, "46", kWaitingClaim, "11"));
  EXPECT_TRUE(flow->SubmitToFlow(connection, "46", kWaitingClaim, "SR2026010002", "<EAdata/>"));
  EXPECT_EQ(flowRows("cBillType = '46' And iState = 0"), 1);
}

TEST_F(ApprovalFlowTest, RemovalKeepsApprovedFlowsAndRollsBackWithTheCaller) {
  const auto flow = CreateApprovalFlowServer();
  EXPECT_FALSE(flow->RemoveFromFlow(connection, "45", kApprovedLoan, "11"));
  EXPECT_EQ(lastError(*flow), "单据已审批完成，不能撤出审批流程。");
  EXPECT_TRUE(flow->RemoveFromFlow(connection, "45", kSavedLoan, "11"));
  EXPECT_TRUE(flow->RemoveFromFlow(connection, "46", kWaitingClaim, "11"));
  EXPECT_FALSE(flow->IsInFlow(connection, "46", kWaitingClaim, "11"));
  connection.rollbackTrans();
  EXPECT_EQ(flowRows("cBillType = '46'"), 1);
}

TEST_F(ApprovalFlowTest, QueryListsTheFlowsOfOneKindAndTextsFollowTheLocale) {
  const auto flow = CreateApprovalFlowServer();
  std::vector<std::string> guids{"stale"};
  std::vector<std::string> states;
  EXPECT_TRUE(flow->QueryFlow(connection, "47", guids, states));
  EXPECT_EQ(guids, std::vector<std::string>{"{7C2E9B40-1D3F-4E6A-8B02-000000000003}"});
  EXPECT_EQ(states, std::vector<std::string>{"2"});

  gLocaleID = "en-us";
  EXPECT_FALSE(flow->AllowChange(connection, "47", guids.front(), "11"));
  EXPECT_EQ(lastError(*flow), "The voucher is being approved and cannot change.");
}

TEST_F(ApprovalFlowTest, StepsAreApprovedInOrderByTheirApproversAndTakenBack) {
  const auto flow = CreateApprovalFlowServer();
  const auto demo = account.logIn();
  const auto clerk = account.logIn("clerk");
  const std::string task =
      "<?xml version='1.0' encoding='utf-8' ?><EASTdata><task EAAID='' remark='ok &lt;1&gt;'/></EASTdata >";
  bool finished = true;

  flow->SetLogin(*clerk);
  EXPECT_FALSE(flow->ApproveStep(connection, "46", kWaitingClaim, task, "11"));
  EXPECT_EQ(lastError(*flow), "您不是当前审批步骤的审批人。");

  flow->SetLogin(*demo);
  EXPECT_FALSE(flow->ApproveStep(connection, "46", kWaitingClaim, "<x/>", "11"));
  EXPECT_EQ(lastError(*flow), "审批任务数据不正确。");
  EXPECT_FALSE(
      flow->ApproveStep(connection, "46", kWaitingClaim, "<EASTdata><task EAAID='2' remark=''/></EASTdata>", "11"));
  EXPECT_EQ(lastError(*flow), "审批任务不是当前步骤。");
  EXPECT_TRUE(flow->ApproveStep(connection, "46", kWaitingClaim, task, "11"));
  flow->IsFinished(finished);
  EXPECT_FALSE(finished);
  std::string info;
  EXPECT_TRUE(flow->GetFlowInfo(connection, "46", kWaitingClaim, "", "11", true, info));
  EXPECT_EQ(info, "<flowinfo state='1' done='1' steps='2' next='财务审批' approvers='demo'/>");

  EXPECT_TRUE(flow->ApproveStep(connection, "46", kWaitingClaim, task, "11"));
  flow->IsFinished(finished);
  EXPECT_TRUE(finished);
  EXPECT_FALSE(flow->ApproveStep(connection, "46", kWaitingClaim, task, "11"));
  EXPECT_EQ(lastError(*flow), "审批流程已完成。");

  EXPECT_TRUE(flow->UndoStep(connection, "46", kWaitingClaim, "11"));
  flow->IsFinished(finished);
  EXPECT_FALSE(finished);
  EXPECT_EQ(flowRows("cBillType = '46' And iState = 1 And iDoneSteps = 1"), 1);
  EXPECT_TRUE(flow->UndoStep(connection, "46", kWaitingClaim, "11"));
  EXPECT_FALSE(flow->UndoStep(connection, "46", kWaitingClaim, "11"));
  EXPECT_EQ(lastError(*flow), "没有可以撤销的审批步骤。");

  bool all = true;
  db::Recordset history;
  std::string text;
  EXPECT_TRUE(flow->GetHistory(connection, "46", kWaitingClaim, "11", all, history, text));
  EXPECT_EQ(text, "<flowhistory state='0'/>");
  std::vector<std::string> rows;
  for (; !history.eof(); history.moveNext()) {
    rows.push_back(CStr(history.field("cUser_Name").value()) + "|" + CStr(history.field("EAA_Name").value()) + "|" +
                   CStr(history.field("remark").value()) + "|" +
                   std::to_string(IsDate(history.field("EA_time").value())));
  }
  const std::string name = demo->UserName();
  EXPECT_EQ(rows, (std::vector<std::string>{name + "|部门审批|ok <1>|1", name + "|财务审批|ok <1>|1",
                                            name + "|财务审批|撤销审批|1", name + "|部门审批|撤销审批|1"}));
  EXPECT_FALSE(flow->GetFlowInfo(connection, "45", kSavedLoan, "", "11", true, info));
  EXPECT_EQ(lastError(*flow), "单据不在审批流程中。");
}

TEST_F(ApprovalFlowTest, AKindWithoutAFlowEntersNone) {
  connection.execute("Delete From ApprovalFlowSteps Where cBillType = '45'");
  const auto flow = CreateApprovalFlowServer();
  const auto login = account.logIn();
  flow->SetLogin(*login);
  EXPECT_TRUE(flow->SubmitToFlow(connection, "45", kSavedLoan, "JK2026010002", "<EAdata/>"));
  EXPECT_FALSE(flow->IsInFlow(connection, "45", kSavedLoan, "11"));
}

}  // namespace
}  // namespace corvane
