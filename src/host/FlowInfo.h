#pragma once
// The host's flow-information component: the approval lists ask it which vouchers a user has
// approved through the approval flow and which vouchers a user may not approve, as SQL that the
// list places inside "Guid in (...)" or "Guid not in (...)".
//
// Contract callers rely on:
// - Both members answer one SELECT whose single column holds voucher GUIDs; they run no SQL
//   themselves, so the answer is read on the caller's connection, inside its transaction.
// - `flowKinds` is one flow kind ("45" loans) or a comma-separated list ("46,47" claims); each
//   kind must be digits only, anything else raises RuntimeError 5 before any SQL is written.
// - `auditor` is a user name; it reaches the SQL only as a literal with apostrophes doubled.
// - `auditCondition` is the list's approval condition (0 unapproved, 1 approved by the user,
//   other values all); the embedded component answers the same SQL for every value.
// Each list that needs the component creates its own instance and lets it go at its end.

#include <memory>
#include <string>

namespace corvane {

class FlowInfo {
 public:
  virtual ~FlowInfo() = default;

  // The vouchers of `flowKinds` that `auditor` may not approve.
  virtual std::string GetNotInAuditUserListSql(std::string& auditor, const std::string& flowKinds,
                                               int& auditCondition) = 0;
  // The vouchers of `flowKinds` whose flow `auditor` has approved a step of.
  virtual std::string GetAuditUserListSql(std::string& auditor, const std::string& flowKinds,
                                          int& auditCondition) = 0;
};

// The embedded component, over the approval-flow component's table ApprovalFlowInstances. That
// table keeps no approver per step: no user may approve a voucher whose flow sent it back to its
// maker, and no flow step counts as approved by a user (a finished flow records its approver on
// the voucher itself, which the lists ask directly).
std::unique_ptr<FlowInfo> CreateFlowInfo();

}  // namespace corvane
