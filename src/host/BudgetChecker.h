#pragma once
// The host's budget component: whether its budget system can serve a module, the dimensions of a
// budget item, and the check of a voucher against its budget, which charges the budget when a
// voucher is approved and releases the charge when the approval is cancelled.
//
// Contract the module relies on:
// - InitConnection hands the component the module's open connection and answers whether it can
//   work over it; every other member is asked only after InitConnection answered true, and
//   GetItem and Check only after OpenSystem answered true.
// - The component reads and writes through that connection, inside the caller's transaction: a
//   charge or release stands or falls with the caller's commit or rollback.
// - OpenSystem answers true when the budget system can serve the module of that code; after a
//   false answer LastErrorText may tell why ("" when it has nothing to say).
// - GetItem answers the item's dimensions (all empty for an unknown item).
// - Check answers the voucher with Status and Message set (see BudgetVoucher) and, for an
//   over-budget line, its ControlType. Only status 2 changes the budget. Charging a voucher that
//   holds a charge already, or releasing more than it holds, changes nothing and answers 2.
// - Failures raise RuntimeError.

#include <functional>
#include <memory>
#include <string>

#include "host/BudgetVoucher.h"

namespace corvane {

namespace db {
class Connection;
}

class BudgetChecker {
 public:
  virtual ~BudgetChecker() = default;
  // `connection` stays in use until the component is released.
  virtual bool InitConnection(db::Connection& connection) = 0;
  virtual bool OpenSystem(const std::string& sysId) = 0;
  // A component that serves only the usability question answers "" and raises on the rest.
  virtual std::string LastErrorText() const { return {}; }
  virtual BudgetItem GetItem(const std::string& itemCode);
  virtual BudgetVoucher Check(const BudgetVoucher& voucher);
};

using BudgetFactory = std::function<std::unique_ptr<BudgetChecker>()>;

// The embedded component, keeping its budget in the account's tables: BudgetSystemState (whether
// a module may use it), BudgetItems, BudgetAmounts, BudgetPeriods and BudgetLedger.
std::unique_ptr<BudgetChecker> EmbeddedBudgetChecker();

}  // namespace corvane
