#pragma once
// The host's budget component, as far as the module asks it: whether its budget system can serve
// a module of the account the module is connected to.
//
// Contract the module relies on:
// - InitConnection hands the component the module's open connection and answers whether it can
//   work over it; OpenSystem is asked only after InitConnection answered true.
// - OpenSystem answers true when the budget system can serve the module of that code.
// - Failures raise RuntimeError.

#include <memory>
#include <string>

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
};

// The embedded component: InitConnection answers whether the connection is open; OpenSystem
// answers the module's flag in the account's table BudgetSystemState (false without a row, or
// before InitConnection succeeded).
std::unique_ptr<BudgetChecker> EmbeddedBudgetChecker();

}  // namespace corvane
