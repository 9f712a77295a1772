#include "host/FlowInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "support/CaseAccount.h"

namespace corvane {
namespace {

const std::string kDemoLoan1 = "{3A6F0C21-5B1E-4C8A-9D01-000000000001}";
const std::string kDemoClaim3 = "{7C2E9B40-1D3F-4E6A-8B02-000000000003}";
std::string flowGuid(int n) { return "{F0000000-0000-0000-0000-00000000000" + std::to_string(n) + "}"; }

// The loan flow's first step may be approved by demo (周建国) and obrien (O'Brien), its second by
// obrien alone. Beside demo loan 1, approved by 周建国 at both steps, four loans are in the flow:
//   1 waits at step 2, after 周建国 approved step 1;
//   2 waits at step 1, after 周建国 approved it and took it back;
//   3 waits at step 2, after 周建国 approved step 1, took it back and O'Brien approved it;
//   4 was sent back to its maker after 周建国 approved step 1.
// The claims are the demo's: claim 2 waits at step 1, claim 3 was approved by 周建国 at both steps.
class FlowInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    account_.execute("INSERT INTO vqsystem..UA_User (cUser_ID, cUser_Name) VALUES ('obrien', 'O''Brien')");
    account_.execute("UPDATE ApprovalFlowApprovers SET cUserID = 'obrien' WHERE cBillType = '45' AND iStep = 2");
    account_.execute("INSERT INTO ApprovalFlowApprovers (cBillType, iStep, cUserID) VALUES ('45', 1, 'obrien')");
    inFlow(1, 1, 1);
    inFlow(2, 0, 0);
    inFlow(3, 1, 1);
    inFlow(4, 3, 1);
    step(1, 1, 1, "周建国");
    step(2, 1, 1, "周建国");
    step(2, 1, -1, "周建国");
    step(3, 1, 1, "周建国");
    step(3, 1, -1, "周建国");
    step(3, 1, 1, "O'Brien");
    step(4, 1, 1, "周建国");
    connection_.open(account_.connectString());
  }

  void inFlow(int loan, int state, int doneSteps) {
    account_.execute(
        "INSERT INTO ApprovalFlowInstances (cBillType, cBillGUID, cDocument, iState, iDoneSteps) "
        "VALUES ('45', '" +
        flowGuid(loan) + "', '<EAdata/>', " + std::to_string(state) + ", " + std::to_string(doneSteps) + ")");
  }

  void step(int loan, int stepNumber, int action, const std::string& userName) {
    account_.execute(
        "INSERT INTO ApprovalFlowHistory (cBillType, cBillGUID, iStep, iAction, cUserName, dTime) "
        "VALUES ('45', '" +
        flowGuid(loan) + "', " + std::to_string(stepNumber) + ", " + std::to_string(action) + ", " +
        db::quoteLiteral(userName) + ", '2026-01-20 10:00:00')");
  }

  std::vector<std::string> guids(const std::string& sql) {
    db::Recordset rs;
    rs.openReadOnly(sql + " order by 1", connection_);
    std::vector<std::string> result;
    for (; !rs.eof(); rs.moveNext()) result.push_back(CStr(rs.field(0).value()));
    return result;
  }

  CaseAccount account_;
  db::Connection connection_;
  std::unique_ptr<FlowInfo> flowInfo_ = CreateFlowInfo();
  int condition_ = 0;
};

TEST_F(FlowInfoTest, AnswersFromTheFlowsStepsTheirApproversAndWhoApprovedThem) {
  struct Case {
    std::string auditor;
    const char* kinds;
    std::vector<std::string> approved;   // steps approved by the auditor that still stand
    std::vector<std::string> notTheirs;  // in a flow, and not the auditor's to approve now
  };
  const Case cases[] = {
      {"周建国", "45", {kDemoLoan1, flowGuid(1)}, {flowGuid(1), flowGuid(3), flowGuid(4)}},
      {"O'Brien", "45", {flowGuid(3)}, {flowGuid(4)}},
      // approvers are named by user id and approvals by user name: the id of 周建国 is no name
      {"demo", "45", {}, {flowGuid(1), flowGuid(2), flowGuid(3), flowGuid(4)}},
      {"周建国", "46,47", {kDemoClaim3}, {}},
  };
  for (Case c : cases) {
    EXPECT_EQ(guids(flowInfo_->GetAuditUserListSql(c.auditor, c.kinds, condition_)), c.approved)
        << c.auditor << " " << c.kinds;
    EXPECT_EQ(guids(flowInfo_->GetNotInAuditUserListSql(c.auditor, c.kinds, condition_)), c.notTheirs)
        << c.auditor << " " << c.kinds;
  }
}

TEST_F(FlowInfoTest, FlowKindsMustBeNumbers) {
  std::string auditor = "周建国";
  for (const char* kinds : {"", "45,", "4'5", "45) or (1=1", "46;47"}) {
    EXPECT_THROW(flowInfo_->GetNotInAuditUserListSql(auditor, kinds, condition_), RuntimeError) << kinds;
    EXPECT_THROW(flowInfo_->GetAuditUserListSql(auditor, kinds, condition_), RuntimeError) << kinds;
  }
}

}  // namespace
}  // namespace corvane
