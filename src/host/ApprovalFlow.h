#pragma once
// The host's approval-flow component: whether a voucher is in a flow, whether the flow lets it
// change, taking it out of its flow and entering it into one, approving its flow's steps one by
// one or taking the last one back, and what its flow stands at and went through.
//
// Contract callers rely on:
// - Every member works through the caller's connection, inside the caller's transaction: what it
//   writes commits or rolls back with the caller's request, and it sees the caller's own writes.
// - A false answer leaves the reason in LastErrorText; true answers clear it.
// - `billType` is the voucher kind ("45" loans, "46" income claims, "47" expense claims);
//   `scope` is always "11" (the flows of the account's vouchers).
// - A voucher kind with a flow has ordered steps, each with the users who may approve it; a
//   voucher of a kind without a flow enters none when it is submitted.
// - Database failures raise RuntimeError.
// Each operation that needs the component creates its own instance and lets it go at its end.

#include <memory>
#include <string>
#include <vector>

namespace corvane {

namespace db {
class Connection;
class Recordset;
}  // namespace db
class LoginContext;

class ApprovalFlowServer {
 public:
  virtual ~ApprovalFlowServer() = default;

  // The reason of the last false answer; "" after a true one.
  virtual void LastErrorText(std::string& text) const = 0;
  // The user who submits; SubmitToFlow refuses without it.
  virtual void SetLogin(LoginContext& login) = 0;
  // True when the voucher has no flow record afterwards (also when it had none).
  virtual bool RemoveFromFlow(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                              const std::string& scope) = 0;
  // True when the voucher may be changed: it is in no flow, or its flow sent it back.
  virtual bool AllowChange(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                           const std::string& scope) = 0;
  // True when the voucher has a flow record.
  virtual bool IsInFlow(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                        const std::string& scope) = 0;
  // True; fills `billGuids` and `states` with the vouchers of `billType` that are in a flow.
  virtual bool QueryFlow(db::Connection& connection, const std::string& billType, std::vector<std::string>& billGuids,
                         std::vector<std::string>& states) = 0;
  // True when the voucher has entered its flow, or its kind has none; `document` is the
  // voucher's EAdata document.
  virtual bool SubmitToFlow(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                            const std::string& billCode, const std::string& document) = 0;

  // The members below are answered by the embedded component; a component that serves only the
  // voucher side raises on them.

  // Approves the voucher's next step as the user of SetLogin, who must be one of its approvers.
  // `task` is the EASTdata document: its task's EAAID, when given, names the step approved (its
  // number), and its remark goes into the history.
  virtual bool ApproveStep(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                           const std::string& task, const std::string& scope);
  // Takes the voucher's last approved step back, as one of that step's approvers.
  virtual bool UndoStep(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                        const std::string& scope);
  // After ApproveStep or UndoStep: whether the voucher's flow is complete.
  virtual void IsFinished(bool& finished) const;
  // True with `info` set to "<flowinfo state='' done='' steps='' next='' approvers=''/>": the flow's
  // state, the steps approved, its steps, the next step's name and its approvers' ids (a
  // comma-separated list). False when the voucher is in no flow.
  virtual bool GetFlowInfo(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                           const std::string& unused, const std::string& scope, bool withApprovers, std::string& info);
  // True with one record per step approved or taken back, oldest first, with the columns
  // cUser_Name, EAA_Name (the step), remark and EA_time; `text` gets "<flowhistory state=''/>".
  // False when the voucher has no history.
  virtual bool GetHistory(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                          const std::string& scope, bool& all, db::Recordset& history, std::string& text);
};

// The embedded component: it keeps its flow records in the account table ApprovalFlowInstances.
std::unique_ptr<ApprovalFlowServer> CreateApprovalFlowServer();

}  // namespace corvane
