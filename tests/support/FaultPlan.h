#pragma once
// The plan of one fault-injection run: every call through the host seam and every call of the
// database layer passes here, numbered in the order they come; the call with the planned number
// fails with a run-time error. Counting goes on after the fault, so that a run without a fault
// tells how many calls a request makes.

#include <map>
#include <string>
#include <string_view>

#include "platform/db/DbFaultHook.h"

namespace corvane {

class FaultPlan final : public db::DbFaultHook {
 public:
  // The error number and description of an injected fault.
  static constexpr std::int32_t kNumber = static_cast<std::int32_t>(0x80004005);
  static constexpr std::string_view kDescription = "Injected fault";

  // Fails the `ordinal`-th call (from 1) of the next run; 0 fails none.
  void arm(int ordinal);
  // One call of `component`; raises RuntimeError when it is the planned one.
  void pass(std::string_view component);
  void before(db::DbCall call) override;

  bool fired() const { return !failedComponent_.empty(); }
  // The component whose call failed; empty when none did.
  const std::string& failedComponent() const { return failedComponent_; }
  // True when the fault came after a commit had gone through: the work committed stands.
  bool faultAfterCommit() const { return faultAfterCommit_; }
  int calls() const { return calls_; }
  // The calls of each component in this run.
  const std::map<std::string, int, std::less<>>& callsByComponent() const { return byComponent_; }

 private:
  int ordinal_ = 0;
  int calls_ = 0;
  std::string failedComponent_;
  bool committed_ = false;
  bool faultAfterCommit_ = false;
  std::map<std::string, int, std::less<>> byComponent_;
};

}  // namespace corvane
