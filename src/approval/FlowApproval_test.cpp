// The flow funcs of CAudit against a flow that answers as a test scripts it: the flow's own texts
// reach the client with the voucher's GUID replaced or removed, and a flow that fails half-way
// leaves the voucher and its flow as they were.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "approval/CAudit.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"
#include "support/CaseAccount.h"
#include "support/TestHost.h"

namespace corvane {
namespace {

constexpr const char* kWaitingIncome = "{7C2E9B40-1D3F-4E6A-8B02-000000000002}";  // SR2026010002, flow 46 waiting
constexpr const char* kOfficeClaim = "{7C2E9B40-1D3F-4E6A-8B02-000000000004}";    // BX2026010002, 450, dept 04

// What the scripted flow does instead of the embedded one.
struct FlowScript {
  bool approveHalfWay = false;      // ApproveStep writes its step, then refuses naming the GUID
  bool refuseUndo = false;          // UndoStep refuses
  bool silentRemoval = false;       // RemoveFromFlow refuses without a reason
  bool infoRefused = false;         // GetFlowInfo refuses naming the GUID
  bool historyWithoutStep = false;  // GetHistory answers a record whose step is Null
};

class ScriptedFlow final : public ApprovalFlowServer {
 public:
  explicit ScriptedFlow(const FlowScript& script) : script_(script) {}

  void LastErrorText(std::string& text) const override {
    if (reason_) {
      text = *reason_;
    } else {
      inner_->LastErrorText(text);
    }
  }
  void SetLogin(LoginContext& login) override { inner_->SetLogin(login); }
  bool RemoveFromFlow(db::Connection& c, const std::string& t, const std::string& g, const std::string& s) override {
    if (script_.silentRemoval) return refuse("");
    return inner_->RemoveFromFlow(c, t, g, s);
  }
  bool AllowChange(db::Connection& c, const std::string& t, const std::string& g, const std::string& s) override {
    return inner_->AllowChange(c, t, g, s);
  }
  bool IsInFlow(db::Connection& c, const std::string& t, const std::string& g, const std::string& s) override {
    return inner_->IsInFlow(c, t, g, s);
  }
  bool QueryFlow(db::Connection& c, const std::string& t, std::vector<std::string>& g,
                 std::vector<std::string>& s) override {
    return inner_->QueryFlow(c, t, g, s);
  }
  bool SubmitToFlow(db::Connection& c, const std::string& t, const std::string& g, const std::string& code,
                    const std::string& d) override {
    return inner_->SubmitToFlow(c, t, g, code, d);
  }
  bool ApproveStep(db::Connection& c, const std::string& t, const std::string& g, const std::string& task,
                   const std::string& s) override {
    const bool approved = inner_->ApproveStep(c, t, g, task, s);
    if (script_.approveHalfWay) return refuse("step of " + g + " refused, " + g);
    return approved;
  }
  bool UndoStep(db::Connection& c, const std::string& t, const std::string& g, const std::string& s) override {
    if (script_.refuseUndo) return refuse("no undo");
    return inner_->UndoStep(c, t, g, s);
  }
  void IsFinished(bool& finished) const override { inner_->IsFinished(finished); }
  bool GetFlowInfo(db::Connection& c, const std::string& t, const std::string& g, const std::string& u,
                   const std::string& s, bool w, std::string& info) override {
    if (script_.infoRefused) return refuse("no information on " + g + ".");
    return inner_->GetFlowInfo(c, t, g, u, s, w, info);
  }
  bool GetHistory(db::Connection& c, const std::string& t, const std::string& g, const std::string& s, bool& all,
                  db::Recordset& history, std::string& text) override {
    if (!script_.historyWithoutStep) return inner_->GetHistory(c, t, g, s, all, history, text);
    history.openReadOnly(
        "Select 'O''Neil' As cUser_Name, Null As EAA_Name, 'a & <b>' As remark, "
        "'2026-01-09 08:00:00' As EA_time",
        c);
    text = "<flowhistory/>";
    return true;
  }

 private:
  bool refuse(std::string reason) {
    reason_ = std::move(reason);
    return false;
  }

  const FlowScript& script_;
  std::unique_ptr<ApprovalFlowServer> inner_ = EmbeddedHost::instance().approvalFlow();
  std::optional<std::string> reason_;
};

class FlowFuncTest : public ::testing::Test {
 protected:
  // Serves `request` with CAudit over the scripted flow, as `user`; answers the reply document.
  std::string serve(const std::string& request, const std::string& user = "demo") {
    TestHost host;
    host.approvalFlows = [this] { return std::make_unique<ScriptedFlow>(script); };
    CAudit audit;
    return account.serve(audit, request, user, "zh-CN", std::nullopt, &host).selectSingleNode("//out").xml();
  }

  std::string tsOf(const std::string& guid) const {
    return account.scalar("Select Cast(ts As money) From KX_ExpenVouch Where GUID = '" + guid + "'");
  }

  std::string flowOf(const std::string& guid) const {
    return account.scalar(
        "Select Cast(iState As nvarchar(2)) + '/' + Cast(iDoneSteps As nvarchar(2)) + '/' + "
        "Cast((Select Count(*) From ApprovalFlowHistory Where cBillGUID = '" +
        guid + "') As nvarchar(4)) From ApprovalFlowInstances Where cBillGUID = '" + guid + "'");
  }

  std::string auditVouch(const std::string& guid, const std::string& type, const std::string& number) {
    return serve(
        "<req><func name='AuditVouch'><in><EASTdata><task EAAID='' remark='ok'/></EASTdata><strGUID>"
        "<Rows flag='1'><row strGUID='" +
        guid + "' ts='" + tsOf(guid) + "' strType='" + type + "' strVouchID='" + number +
        "'/></Rows></strGUID></in></func></req>");
  }

  CaseAccount account;
  FlowScript script;
};

TEST_F(FlowFuncTest, AFlowStepRefusedHalfWayIsRolledBackAndNamesTheVoucherNumber) {
  script.approveHalfWay = true;
  const std::string reply = auditVouch(kWaitingIncome, "KX01", "SR2026010002");
  EXPECT_NE(reply.find("<text>step of SR2026010002 refused, SR2026010002\n</text>"), std::string::npos) << reply;
  EXPECT_EQ(flowOf(kWaitingIncome), "0/0/0");
}

TEST_F(FlowFuncTest, ABudgetRefusalWhoseStepCannotBeTakenBackLeavesNothing) {
  account.execute(
      "UPDATE KX_ExpenVouch SET blnAudi = 1, strBudItemID = 'B02', strPort1 = '[dept]部门', "
      "strPort1Value = '[04]技术部' WHERE AutoID = 4");
  account.execute(
      "INSERT INTO ApprovalFlowInstances (cBillType, cBillGUID, cBillCode, cDocument, cSubmitter, "
      "iState, iDoneSteps) VALUES ('47', '" +
      std::string(kOfficeClaim) + "', 'BX2026010002', '<EAdata/>', 'demo', 1, 1)");
  script.refuseUndo = true;
  const std::string reply = auditVouch(kOfficeClaim, "KX02", "BX2026010002");
  EXPECT_NE(reply.find("单据BX2026010002：超出预算。"), std::string::npos) << reply;
  EXPECT_EQ(flowOf(kOfficeClaim), "1/1/0");
  EXPECT_EQ(account.scalar("Select IsNull(strAuditorID, '') + '|' + Cast(intBudPass As nvarchar(2)) + '|' + "
                           "Cast(intOverBud As nvarchar(2)) From KX_ExpenVouch Where AutoID = 4"),
            "|0|-1");
}

TEST_F(FlowFuncTest, AWithdrawalTheFlowRefusesWithoutAReasonSaysSoAndChangesNothing) {
  script.silentRemoval = true;
  const std::string ts = tsOf(kWaitingIncome);
  const std::string reply = serve("<req><func name='DelAudit'><in><GUID>" + std::string(kWaitingIncome) +
                                  "</GUID><ts>" + ts + "</ts><type>KX02</type></in></func></req>");
  EXPECT_EQ(reply,
            "<out><error><id>Corvane:CAudit:DelAudit:9000</id><text>审批流程未能撤出该单据，未说明原因。</text>"
            "</error></out>");
  EXPECT_EQ(tsOf(kWaitingIncome), ts);
  EXPECT_EQ(flowOf(kWaitingIncome), "0/0/0");
}

TEST_F(FlowFuncTest, FlowInformationRefusedLeavesTheGuidOut) {
  script.infoRefused = true;
  const std::string reply = serve("<req><func name='GetAuditInfo'><in><row guid='" + std::string(kWaitingIncome) +
                                  "' strType='KX01'/></in></func></req>");
  EXPECT_EQ(reply, "<out><error><id>Corvane:CLoan:recordGet:9000</id><text>no information on .</text></error></out>");
}

TEST_F(FlowFuncTest, AVoucherOutsideTheUsersRightsShowsNoFlow) {
  account.execute(
      "INSERT INTO ApprovalFlowInstances (cBillType, cBillGUID, cBillCode, cDocument, cSubmitter, "
      "iState) VALUES ('47', '" +
      std::string(kOfficeClaim) + "', 'BX2026010002', '<EAdata/>', 'demo', 0)");
  const std::string info = serve("<req><func name='GetAuditInfo'><in><row guid='" + std::string(kOfficeClaim) +
                                     "' strType='KX02'/></in></func><func name='GetAudiState'><in><row GUID='" +
                                     kOfficeClaim + "' strType='2'/></in></func></req>",
                                 "clerk");
  EXPECT_EQ(info, "<out><error><id>Corvane:CLoan:recordGet:9000</id><text>单据不在审批流程中。</text></error></out>");
  EXPECT_EQ(serve("<req><func name='GetAudiState'><in><row GUID='" + std::string(kOfficeClaim) +
                      "' strType='2'/></in></func></req>",
                  "clerk"),
            "<out/>");
}

TEST_F(FlowFuncTest, AHistoryRecordWithoutStepLeavesOutItsLabelAndEscapesItsValues) {
  script.historyWithoutStep = true;
  const std::string reply = serve("<req><func name='GetAudiState'><in><row GUID='" + std::string(kWaitingIncome) +
                                  "' strType='1'/></in></func></req>");
  EXPECT_EQ(reply,
            "<out><Rows><row cUser_Name=\"O'Neil\" EAA_Name=\"\" remark=\"a &amp; &lt;b>\" "
            "EA_time=\"2026-01-09 08:00:00\"/><flowhistory/><EASPrintData>审批人：O'Neil 意见：a &amp; &lt;b&gt; "
            "时间：2026-01-09 08:00:00\n</EASPrintData></Rows></out>");
}

}  // namespace
}  // namespace corvane
