#pragma once
// The host's flow-information component: the approval lists ask it which vouchers a user has
// approved through the approval flow and which vouchers a user may not approve, as SQL that the
// list places inside "Guid in (...)" or "Guid not in (...)".
//
// Contract callers rely on:
// - Both members answer one SELECT whose single column holds voucher GUIDs, each once and with no
//   ORDER BY, so that a list may follow it with " union select ..."; they run no SQL themselves,
//   so the answer is read on the caller's connection, inside its transaction.
// - `flowKinds` is one flow kind ("45" loans) or a comma-separated list ("46,47" claims); each
//   kind must be digits only, anything else raises RuntimeError 5 before any SQL is written.
// - `auditor` is a user name, as vouchers record their approver in strAuditorID (周建国, not the
//   user id demo); it reaches the SQL only as a literal with apostrophes doubled.
// - `auditCondition` is the list's approval condition (0 unapproved, 1 approved by the user,
//   other values all); the embedded component answers the same SQL for every value.
// Each list that needs the component creates its own instance and lets it go at its end.

#include <memory>
#include <string>

namespace corvane {

class FlowInfo {
 public:
  virtual ~FlowInfo() = default;

  // The vouchers of `flowKinds` in a flow that `auditor` may not approve now: those sent back to
  // their maker, and those waiting at a step of which `auditor` is no approver. A voucher in no
  // flow, or whose flow is complete, is not among them.
  virtual std::string GetNotInAuditUserListSql(std::string& auditor, const std::string& flowKinds,
                                               int& auditCondition) = 0;
  // The vouchers of `flowKinds` with a flow step that `auditor` approved and that still stands:
  // neither taken back since nor in a flow sent back to its maker.
  virtual std::string GetAuditUserListSql(std::string& auditor, const std::string& flowKinds, int& auditCondition) = 0;
};

// The embedded component, over the approval-flow component's tables: ApprovalFlowInstances (where
// each voucher's flow stands), ApprovalFlowApprovers (each step's approvers, by user id, matched
// to `auditor` through the users' names in vqsystem..UA_User) and ApprovalFlowHistory (each step
// approved or taken back, by user name).
std::unique_ptr<FlowInfo> CreateFlowInfo();

}  // namespace corvane
