#include "host/FlowInfo.h"

#include <cctype>

#include "platform/com/RuntimeError.h"
#include "platform/tsql/SqlLiteral.h"

namespace corvane {

namespace {

// Flow states as ApprovalFlowInstances keeps them.
constexpr const char* kApproved = "2";
constexpr const char* kSentBack = "3";

// "'45'" or "'46','47'": each kind checked to be digits, then quoted.
std::string kindList(const std::string& flowKinds) {
  std::string list;
  std::string kind;
  auto closeKind = [&] {
    if (kind.empty()) throw RuntimeError(errnum::kInvalidArgument, "Invalid flow kind: " + flowKinds);
    list += (list.empty() ? "" : ",") + db::quoteLiteral(kind);
    kind.clear();
  };
  for (const char c : flowKinds) {
    if (c == ',') {
      closeKind();
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      kind += c;
    } else if (c != ' ') {
      throw RuntimeError(errnum::kInvalidArgument, "Invalid flow kind: " + flowKinds);
    }
  }
  closeKind();
  return list;
}

class EmbeddedFlowInfo final : public FlowInfo {
 public:
  // Flows sent back, and flows still being approved whose next step has no approver of that name
  // (the steps name their approvers by user id).
  std::string GetNotInAuditUserListSql(std::string& auditor, const std::string& flowKinds,
                                       int& /*auditCondition*/) override {
    return "select i.cBillGUID from ApprovalFlowInstances i where i.cBillType in (" + kindList(flowKinds) +
           ") and (i.iState = " + kSentBack + " or (i.iState <> " + kApproved +
           " and not exists (select a.cUserID from ApprovalFlowApprovers a"
           " inner join vqsystem..UA_User u on u.cUser_ID = a.cUserID"
           " where a.cBillType = i.cBillType and a.iStep = i.iDoneSteps + 1 and u.cUser_Name = " +
           db::quoteLiteral(auditor) + ")))";
  }

  // A step the flow has passed stands approved by whoever wrote its last history row (an approval,
  // as a step taken back lowers the flow below it); history of an earlier round of a voucher sent
  // back and submitted again is thus outrun by the current one.
  std::string GetAuditUserListSql(std::string& auditor, const std::string& flowKinds,
                                  int& /*auditCondition*/) override {
    const std::string kinds = kindList(flowKinds);
    return "select distinct h.cBillGUID from ApprovalFlowHistory h inner join ApprovalFlowInstances i"
           " on i.cBillType = h.cBillType and i.cBillGUID = h.cBillGUID"
           " where h.cBillType in (" +
           kinds + ") and h.cUserName = " + db::quoteLiteral(auditor) +
           " and h.iAction = 1 and h.iStep <= i.iDoneSteps and i.iState <> " + kSentBack +
           " and h.iID in (select max(iID) from ApprovalFlowHistory where cBillType in (" + kinds +
           ") group by cBillType, cBillGUID, iStep)";
  }
};

}  // namespace

std::unique_ptr<FlowInfo> CreateFlowInfo() { return std::make_unique<EmbeddedFlowInfo>(); }

}  // namespace corvane
