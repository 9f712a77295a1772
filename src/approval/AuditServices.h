#pragma once
// The host components approval works with, made anew for each use: the approval flow and the
// budget. Tests put doubles in their place.

#include <functional>
#include <memory>

#include "host/ApprovalFlow.h"
#include "host/BudgetChecker.h"

namespace corvane {

struct AuditServices {
  std::function<std::unique_ptr<ApprovalFlowServer>()> createFlow = CreateApprovalFlowServer;
  BudgetFactory budget = EmbeddedBudgetChecker;
};

}  // namespace corvane
