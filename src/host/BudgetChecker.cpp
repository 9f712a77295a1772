#include "host/BudgetChecker.h"

#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/SqlLiteral.h"

namespace corvane {

namespace {

class EmbeddedBudget final : public BudgetChecker {
 public:
  bool InitConnection(db::Connection& connection) override {
    connection_ = connection.isOpen() ? &connection : nullptr;
    return connection_ != nullptr;
  }

  bool OpenSystem(const std::string& sysId) override {
    if (connection_ == nullptr) return false;
    db::Recordset rs;
    rs.open("Select blnUsable From BudgetSystemState Where cSysID = " + db::quoteLiteral(sysId),
            *connection_);
    return !rs.eof() && CBool(rs.field(0).value());
  }

 private:
  db::Connection* connection_ = nullptr;
};

}  // namespace

std::unique_ptr<BudgetChecker> EmbeddedBudgetChecker() { return std::make_unique<EmbeddedBudget>(); }

}  // namespace corvane
