#include "approval/FlowApproval.h"

#include <exception>
#include <optional>

#include "approval/AuditErrors.h"
#include "approval/AuditGuards.h"
#include "approval/AuditKinds.h"
#include "approval/CBudCtrl.h"
#include "approval/FlowTexts.h"
#include "approval/LoanCheques.h"
#include "host/Host.h"
#include "platform/com/RuntimeError.h"
#include "request/ErrorReply.h"
#include "request/HeldRight.h"
#include "request/Messages.h"
#include "request/RequestTransaction.h"
#include "request/Rights.h"
#include "request/RowVersion.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr std::string_view kSuccess = "success";
constexpr const char* kScope = "11";

constexpr CancelRefusalIds kCancelRefusals{"Z7.Corvane.0170", "Z7.Corvane.0171", "Z7.Corvane.0172", "Z7.Corvane.0173"};

// The task handed to the flow for each step: the approver's task id and remark, escaped; both
// empty when the request has no task (taking a step back needs none).
std::string taskDocument(const XmlNode& task) {
  const std::string id = task ? task.attribute("EAAID") : std::string();
  const std::string remark = task ? task.attribute("remark") : std::string();
  return "<?xml version='1.0' encoding='utf-8' ?><EASTdata><task EAAID='" + XmlEncode(id) + "' remark='" +
         XmlEncode(remark) + "'/></EASTdata >";
}

}  // namespace

bool FlowApproval::serve() {
  try {
    task_ = taskDocument(call_.oNode.selectSingleNode("//EASTdata/task"));
    const XmlNode rows = call_.oNode.selectSingleNode("//strGUID/Rows");
    if (!rows) raiseObjectMissing("The request has no element 'strGUID/Rows'.");
    approving_ = rows.attribute("flag") == "1";
    for (const XmlNode element : rows.children()) {
      serveRow({element.attribute("strGUID"), element.attribute("ts"), element.attribute("strType"),
                element.attribute("strVouchID")});
    }
    if (!failed_ && messages_.empty()) {
      loadReply(call_.oXml, "<Return />");
      return true;
    }
    loadReply(call_.oXml, ErrorReply("CLoan", "recordGet", errnum::kBusiness, messages_));
  } catch (const RuntimeError& error) {
    loadReply(call_.oXml, VoucherListErrorReply(error.number(), error.description()));
  } catch (const std::exception& error) {
    loadReply(call_.oXml, VoucherListErrorReply(errnum::kDbUnspecified, error.what()));
  }
  return false;
}

void FlowApproval::serveRow(const Row& row) {
  const AuditKind* kind = auditKindOf(row.strType);
  if (kind == nullptr) return refuse(GetResString("Z7.Corvane.0174", "", row.strVouchID));
  const std::string_view right = approving_ ? kind->approveRight : kind->cancelRight;
  XmlDocument scratch;
  const HeldRight held(call_.ologin, right);
  if (!ApplyTask(&call_.ologin, right, scratch)) return refuse(GetResString("Z7.Corvane.0175", "", row.strVouchID));
  try {
    step(row, *kind);
  } catch (const RuntimeError& error) {
    if (error.number() != errnum::kBusiness) throw;
    refuse(GetResString("Z7.Corvane.0176", "", row.strVouchID,
                        ReplaceVoucherGuid(error.description(), row.guid, row.strVouchID)));
  }
}

void FlowApproval::step(const Row& row, const AuditKind& kind) {
  LoginContext& ologin = call_.ologin;
  const auto flow = call_.host().approvalFlow();
  flow->SetLogin(ologin);
  const std::string billType(kind.flowBillType);
  const bool inFlow = flow->IsInFlow(call_.CN, billType, row.guid, kScope);
  const std::optional<AuditHead> head = ReadAuditHead(ologin, call_.CN, kind, row.guid, nullptr);
  if (!head) return refuse(GetResString("Z7.Corvane.0169"));
  if (approving_ && !head->auditor.empty()) return refuse(GetResString("Z7.Corvane.0168"));
  if (!approving_) {
    const std::string refusal = CancelRefusal(call_.CN, kind, row.guid, inFlow, *head, kCancelRefusals);
    if (!refusal.empty()) return refuse(refusal);
  }
  const std::optional<RowVersion> version = RowVersion::parse(row.ts);
  if (!version || !ReadAuditHead(ologin, call_.CN, kind, row.guid, &*version)) {
    return refuse(GetResString("Z7.Corvane.0169"));
  }

  RequestTransaction transaction(call_.CN, BeginWait::Briefly);
  bool finished = false;
  if (inFlow) {
    const bool stepped = approving_ ? flow->ApproveStep(call_.CN, billType, row.guid, task_, kScope)
                                    : flow->UndoStep(call_.CN, billType, row.guid, kScope);
    if (!stepped) {
      // Whatever the flow wrote before it refused goes back with the voucher's transaction.
      failed_ = true;
      messages_ += ReplaceVoucherGuid(FlowReason(*flow), row.guid, row.strVouchID) + "\n";
      return;
    }
    flow->IsFinished(finished);
  }
  // The approval is decided when the flow is finished, or the voucher is in none; an approved
  // voucher whose flow takes a step back is no longer approved.
  const bool decides = !inFlow || finished || (!approving_ && !head->auditor.empty());
  if (!decides) {
    transaction.commit();
    return;
  }

  const std::string table(kind.headTable);
  std::string budRet;
  if (!CBudCtrl().CheckBudCtrl(ologin, call_.CN, row.guid, row.ts, table, approving_, budRet, false)) {
    raiseRefusal(budRet, "Z7.Corvane.0149");
  }
  if (budRet.rfind(kSuccess, 0) == 0) {
    transaction.commit();
    budRet.erase(0, kSuccess.size());
    if (approving_ && kind.isLoan()) {
      const std::string cheques = RegisterLoanCheques(ologin, call_.CN, row.guid);
      if (!cheques.empty()) budRet += "   " + cheques;
    }
  } else if (inFlow && approving_) {
    // The budget refused the step that finished the flow: its verdict stays on the voucher and
    // the step is taken back in the same transaction, or nothing stands when it cannot be.
    if (flow->UndoStep(call_.CN, billType, row.guid, kScope)) transaction.commit();
  } else {
    // Outside a flow the verdict of a refused approval is kept; a refused cancel wrote nothing,
    // and the flow keeps the step it would have taken back.
    if (!inFlow) transaction.commit();
  }
  if (!budRet.empty()) raiseBusiness(budRet);
}

void FlowApproval::refuse(const std::string& text) {
  failed_ = true;
  messages_ += text;
}

}  // namespace corvane
