#include "host/ApprovalFlow.h"

#include <chrono>
#include <optional>

#include "host/ComponentText.h"
#include "host/LoginContext.h"
#include "platform/com/Locale.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

namespace {

// Flow states as the component stores them.
constexpr int kWaiting = 0;
constexpr int kBeingApproved = 1;
constexpr int kApproved = 2;
constexpr int kSentBack = 3;

constexpr ComponentText kNoSubmitter{"未指定提交人，不能提交审批。", "No submitting user is set."};
constexpr ComponentText kAlreadyInFlow{"单据已在审批流程中。", "The voucher is already in its approval flow."};
constexpr ComponentText kNoDocument{"审批数据为空，不能提交审批。", "The approval data is empty."};
constexpr ComponentText kBeingApprovedText{"单据正在审批，不能修改。",
                                           "The voucher is being approved and cannot change."};
constexpr ComponentText kNotInFlow{"单据不在审批流程中。", "The voucher is in no approval flow."};
constexpr ComponentText kFlowComplete{"审批流程已完成。", "The approval flow is complete."};
constexpr ComponentText kSentBackText{"单据已退回制单人。", "The voucher was sent back to its maker."};
constexpr ComponentText kNotApprover{"您不是当前审批步骤的审批人。", "You are not an approver of the current step."};
constexpr ComponentText kWrongStep{"审批任务不是当前步骤。", "The approval task is not the current step."};
constexpr ComponentText kBadTask{"审批任务数据不正确。", "The approval task document is not valid."};
constexpr ComponentText kNothingToUndo{"没有可以撤销的审批步骤。", "No approved step can be taken back."};
constexpr ComponentText kUndoneRemark{"撤销审批", "Approval taken back"};
constexpr ComponentText kApprovedStays{"单据已审批完成，不能撤出审批流程。",
                                       "The voucher is approved; its flow cannot be removed."};

std::string flowKey(const std::string& billType, const std::string& billGuid) {
  return "cBillType = " + db::quoteLiteral(billType) + " And cBillGUID = " + db::quoteLiteral(billGuid);
}

// Where a voucher's flow stands: its state and how many of its steps are approved.
struct FlowPosition {
  int state = kWaiting;
  int doneSteps = 0;
};

std::optional<FlowPosition> flowPosition(db::Connection& connection, const std::string& billType,
                                         const std::string& billGuid) {
  db::Recordset rs;
  rs.open("Select iState, iDoneSteps From ApprovalFlowInstances Where " + flowKey(billType, billGuid), connection);
  if (rs.eof()) return std::nullopt;
  return FlowPosition{CLng(rs.field(0).value()), CLng(rs.field(1).value())};
}

int stepCount(db::Connection& connection, const std::string& billType) {
  db::Recordset rs;
  rs.open("Select Count(*) From ApprovalFlowSteps Where cBillType = " + db::quoteLiteral(billType), connection);
  return CLng(rs.field(0).value());
}

std::string stepName(db::Connection& connection, const std::string& billType, int step) {
  db::Recordset rs;
  rs.open("Select cStepName From ApprovalFlowSteps Where cBillType = " + db::quoteLiteral(billType) +
              " And iStep = " + std::to_string(step),
          connection);
  return rs.eof() ? std::string() : CStr(rs.field(0).value());
}

// The ids of the step's approvers, comma-separated, in id order.
std::string approversOf(db::Connection& connection, const std::string& billType, int step) {
  db::Recordset rs;
  rs.open("Select cUserID From ApprovalFlowApprovers Where cBillType = " + db::quoteLiteral(billType) +
              " And iStep = " + std::to_string(step) + " Order By cUserID",
          connection);
  std::string ids;
  for (; !rs.eof(); rs.moveNext()) ids += (ids.empty() ? "" : ",") + CStr(rs.field(0).value());
  return ids;
}

bool isApprover(db::Connection& connection, const std::string& billType, int step, const std::string& userId) {
  db::Recordset rs;
  rs.open("Select 1 From ApprovalFlowApprovers Where cBillType = " + db::quoteLiteral(billType) +
              " And iStep = " + std::to_string(step) + " And cUserID = " + db::quoteLiteral(userId),
          connection);
  return !rs.eof();
}

// The current time of day, to the second (UTC), as history rows record it.
DateTime now() {
  const auto time = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
  const auto day = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day date{day};
  const std::chrono::hh_mm_ss clock{time - day};
  return DateTime{static_cast<int>(date.year()),
                  static_cast<int>(static_cast<unsigned>(date.month())),
                  static_cast<int>(static_cast<unsigned>(date.day())),
                  static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count())};
}

// The step number and remark of an EASTdata task document; nothing when it is not one.
struct Task {
  std::string step;
  std::string remark;
};

std::optional<Task> readTask(const std::string& document) {
  XmlDocument doc;
  if (!doc.loadXML(document)) return std::nullopt;
  const XmlNode task = doc.selectSingleNode("//EASTdata/task");
  if (!task) return std::nullopt;
  return Task{task.attribute("EAAID"), task.attribute("remark")};
}

// The voucher's flow state, or nothing when it has no flow record.
std::optional<int> flowState(db::Connection& connection, const std::string& billType, const std::string& billGuid) {
  db::Recordset rs;
  rs.open("Select iState From ApprovalFlowInstances Where " + flowKey(billType, billGuid), connection);
  if (rs.eof()) return std::nullopt;
  return static_cast<int>(CLng(rs.field(0).value()));
}

class EmbeddedApprovalFlow final : public ApprovalFlowServer {
 public:
  void LastErrorText(std::string& text) const override { text = lastError_; }

  void SetLogin(LoginContext& login) override {
    submitter_ = login.UserName();
    userId_ = login.UserId();
  }

  bool RemoveFromFlow(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                      const std::string& /*scope*/) override {
    if (flowState(connection, billType, billGuid) == kApproved) return refuse(kApprovedStays);
    connection.execute("Delete From ApprovalFlowInstances Where " + flowKey(billType, billGuid));
    return succeed();
  }

  bool AllowChange(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                   const std::string& /*scope*/) override {
    const std::optional<int> state = flowState(connection, billType, billGuid);
    if (state && *state != kSentBack) return refuse(kBeingApprovedText);
    return succeed();
  }

  bool IsInFlow(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                const std::string& /*scope*/) override {
    lastError_.clear();
    return flowState(connection, billType, billGuid).has_value();
  }

  bool QueryFlow(db::Connection& connection, const std::string& billType, std::vector<std::string>& billGuids,
                 std::vector<std::string>& states) override {
    billGuids.clear();
    states.clear();
    db::Recordset rs;
    rs.open("Select cBillGUID, iState From ApprovalFlowInstances Where cBillType = " + db::quoteLiteral(billType) +
                " Order By cBillGUID",
            connection);
    for (; !rs.eof(); rs.moveNext()) {
      billGuids.push_back(CStr(rs.field(0).value()));
      states.push_back(CStr(rs.field(1).value()));
    }
    return succeed();
  }

  bool SubmitToFlow(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                    const std::string& billCode, const std::string& document) override {
    if (submitter_.empty()) return refuse(kNoSubmitter);
    if (document.empty()) return refuse(kNoDocument);
    if (stepCount(connection, billType) == 0) return succeed();
    const std::optional<int> state = flowState(connection, billType, billGuid);
    if (state && *state != kSentBack) return refuse(kAlreadyInFlow);
    // A voucher sent back starts its flow again from the beginning.
    connection.execute("Delete From ApprovalFlowInstances Where " + flowKey(billType, billGuid));
    connection.execute(
        "Insert Into ApprovalFlowInstances (cBillType, cBillGUID, cBillCode, cDocument, cSubmitter, "
        "iState) Values (" +
        db::quoteLiteral(billType) + ", " + db::quoteLiteral(billGuid) + ", " + db::quoteLiteral(billCode) + ", " +
        db::quoteLiteral(document) + ", " + db::quoteLiteral(submitter_) + ", 0)");
    return succeed();
  }

  bool ApproveStep(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                   const std::string& task, const std::string& /*scope*/) override {
    finished_ = false;
    const std::optional<FlowPosition> position = flowPosition(connection, billType, billGuid);
    if (!position) return refuse(kNotInFlow);
    if (position->state == kApproved) return refuse(kFlowComplete);
    if (position->state == kSentBack) return refuse(kSentBackText);
    const std::optional<Task> taken = readTask(task);
    if (!taken) return refuse(kBadTask);
    const int step = position->doneSteps + 1;
    if (!taken->step.empty() && taken->step != std::to_string(step)) return refuse(kWrongStep);
    if (!isApprover(connection, billType, step, userId_)) return refuse(kNotApprover);
    finished_ = step >= stepCount(connection, billType);
    moveTo(connection, billType, billGuid, step, finished_ ? kApproved : kBeingApproved);
    record(connection, billType, billGuid, step, 1, taken->remark);
    return succeed();
  }

  bool UndoStep(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                const std::string& /*scope*/) override {
    finished_ = false;
    const std::optional<FlowPosition> position = flowPosition(connection, billType, billGuid);
    if (!position) return refuse(kNotInFlow);
    if (position->doneSteps <= 0 || position->state == kSentBack) return refuse(kNothingToUndo);
    const int step = position->doneSteps;
    if (!isApprover(connection, billType, step, userId_)) return refuse(kNotApprover);
    moveTo(connection, billType, billGuid, step - 1, step - 1 == 0 ? kWaiting : kBeingApproved);
    record(connection, billType, billGuid, step, -1, "");
    return succeed();
  }

  void IsFinished(bool& finished) const override { finished = finished_; }

  bool GetFlowInfo(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                   const std::string& /*unused*/, const std::string& /*scope*/, bool withApprovers,
                   std::string& info) override {
    const std::optional<FlowPosition> position = flowPosition(connection, billType, billGuid);
    if (!position) return refuse(kNotInFlow);
    const int next = position->state == kApproved ? 0 : position->doneSteps + 1;
    info = "<flowinfo state='" + std::to_string(position->state) + "' done='" + std::to_string(position->doneSteps) +
           "' steps='" + std::to_string(stepCount(connection, billType)) + "' next='" +
           escapeXml(next == 0 ? std::string() : stepName(connection, billType, next)) + "' approvers='" +
           escapeXml(next == 0 || !withApprovers ? std::string() : approversOf(connection, billType, next)) + "'/>";
    return succeed();
  }

  bool GetHistory(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                  const std::string& /*scope*/, bool& /*all*/, db::Recordset& history, std::string& text) override {
    const std::optional<FlowPosition> position = flowPosition(connection, billType, billGuid);
    if (!position) return refuse(kNotInFlow);
    history.openReadOnly(
        "Select h.cUserName As cUser_Name, IsNull(s.cStepName, '') As EAA_Name, "
        "IsNull(h.cRemark, '') As remark, h.dTime As EA_time "
        "From ApprovalFlowHistory h Left Join ApprovalFlowSteps s On s.cBillType = h.cBillType "
        "And s.iStep = h.iStep Where h.cBillType = " +
            db::quoteLiteral(billType) + " And h.cBillGUID = " + db::quoteLiteral(billGuid) + " Order By h.iID",
        connection);
    text = "<flowhistory state='" + std::to_string(position->state) + "'/>";
    return succeed();
  }

 private:
  static void moveTo(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                     int doneSteps, int state) {
    connection.execute("Update ApprovalFlowInstances Set iDoneSteps = " + std::to_string(doneSteps) +
                       ", iState = " + std::to_string(state) + " Where " + flowKey(billType, billGuid));
  }

  void record(db::Connection& connection, const std::string& billType, const std::string& billGuid, int step,
              int action, const std::string& remark) const {
    connection.execute(
        "Insert Into ApprovalFlowHistory (cBillType, cBillGUID, iStep, iAction, cUserName, cRemark, "
        "dTime) Values (" +
        db::quoteLiteral(billType) + ", " + db::quoteLiteral(billGuid) + ", " + std::to_string(step) + ", " +
        std::to_string(action) + ", " + db::quoteLiteral(submitter_) + ", " +
        db::quoteLiteral(action < 0 ? inLocale(kUndoneRemark) : remark) + ", " + db::quoteLiteral(now().toSqlString()) +
        ")");
  }

  bool succeed() {
    lastError_.clear();
    return true;
  }

  bool refuse(const ComponentText& text) {
    lastError_ = inLocale(text);
    return false;
  }

  std::string submitter_;
  std::string userId_;
  std::string lastError_;
  bool finished_ = false;
};

}  // namespace

namespace {

constexpr const char* kNotServed = "The approval-flow component does not serve approval steps.";

}  // namespace

bool ApprovalFlowServer::ApproveStep(db::Connection&, const std::string&, const std::string&, const std::string&,
                                     const std::string&) {
  raiseObjectMissing(kNotServed);
}

bool ApprovalFlowServer::UndoStep(db::Connection&, const std::string&, const std::string&, const std::string&) {
  raiseObjectMissing(kNotServed);
}

void ApprovalFlowServer::IsFinished(bool&) const { raiseObjectMissing(kNotServed); }

bool ApprovalFlowServer::GetFlowInfo(db::Connection&, const std::string&, const std::string&, const std::string&,
                                     const std::string&, bool, std::string&) {
  raiseObjectMissing(kNotServed);
}

bool ApprovalFlowServer::GetHistory(db::Connection&, const std::string&, const std::string&, const std::string&, bool&,
                                    db::Recordset&, std::string&) {
  raiseObjectMissing(kNotServed);
}

std::unique_ptr<ApprovalFlowServer> CreateApprovalFlowServer() { return std::make_unique<EmbeddedApprovalFlow>(); }

}  // namespace corvane
