#include "support/FaultPlan.h"

#include "platform/com/RuntimeError.h"

namespace corvane {

namespace {

std::string_view nameOf(db::DbCall call) {
  switch (call) {
    case db::DbCall::Open: return "Database.open";
    case db::DbCall::BeginTrans: return "Database.beginTrans";
    case db::DbCall::CommitTrans: return "Database.commitTrans";
    case db::DbCall::Execute: return "Database.execute";
    case db::DbCall::OpenRecordset: return "Database.openRecordset";
  }
  return "Database";
}

}  // namespace

void FaultPlan::arm(int ordinal) {
  ordinal_ = ordinal;
  calls_ = 0;
  failedComponent_.clear();
  byComponent_.clear();
  committed_ = false;
  faultAfterCommit_ = false;
}

void FaultPlan::pass(std::string_view component) {
  ++byComponent_[std::string(component)];
  if (++calls_ != ordinal_) return;
  failedComponent_ = component;
  faultAfterCommit_ = committed_;
  throw RuntimeError(kNumber,
                     std::string(kDescription) + " in call " + std::to_string(calls_) + " (" + failedComponent_ + ")");
}

void FaultPlan::before(db::DbCall call) {
  pass(nameOf(call));
  if (call == db::DbCall::CommitTrans) committed_ = true;
}

}  // namespace corvane
