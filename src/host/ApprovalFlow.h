#pragma once
// The host's approval-flow component, as far as vouchers ask it: whether a voucher is in a flow,
// whether the flow lets it change, taking it out of its flow and entering it into one.
//
// Contract callers rely on:
// - Every member works through the caller's connection, inside the caller's transaction: what it
//   writes commits or rolls back with the caller's request, and it sees the caller's own writes.
// - A false answer leaves the reason in LastErrorText; true answers clear it.
// - `billType` is the voucher kind ("45" loans, "46" income claims, "47" expense claims);
//   `scope` is always "11" (the flows of the account's vouchers).
// - Database failures raise RuntimeError.
// Each operation that needs the component creates its own instance and lets it go at its end.

#include <memory>
#include <string>
#include <vector>

namespace corvane {

namespace db {
class Connection;
}
class LoginContext;

class ApprovalFlowServer {
 public:
  virtual ~ApprovalFlowServer() = default;

  // The reason of the last false answer; "" after a true one.
  virtual void LastErrorText(std::string& text) const = 0;
  // The user who submits; SubmitToFlow refuses without it.
  virtual void SetLogin(LoginContext& login) = 0;
  // True when the voucher has no flow record afterwards (also when it had none).
  virtual bool RemoveFromFlow(db::Connection& connection, const std::string& billType,
                              const std::string& billGuid, const std::string& scope) = 0;
  // True when the voucher may be changed: it is in no flow, or its flow sent it back.
  virtual bool AllowChange(db::Connection& connection, const std::string& billType,
                           const std::string& billGuid, const std::string& scope) = 0;
  // True when the voucher has a flow record.
  virtual bool IsInFlow(db::Connection& connection, const std::string& billType,
                        const std::string& billGuid, const std::string& scope) = 0;
  // True; fills `billGuids` and `states` with the vouchers of `billType` that are in a flow.
  virtual bool QueryFlow(db::Connection& connection, const std::string& billType,
                         std::vector<std::string>& billGuids, std::vector<std::string>& states) = 0;
  // True when the voucher has entered its flow; `document` is the voucher's EAdata document.
  virtual bool SubmitToFlow(db::Connection& connection, const std::string& billType,
                            const std::string& billGuid, const std::string& billCode,
                            const std::string& document) = 0;
};

// The embedded component: it keeps its flow records in the account table ApprovalFlowInstances.
std::unique_ptr<ApprovalFlowServer> CreateApprovalFlowServer();

}  // namespace corvane
