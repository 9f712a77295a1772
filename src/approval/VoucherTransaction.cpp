#include "approval/VoucherTransaction.h"

#include <exception>

#include "platform/db/Connection.h"

namespace corvane {

namespace {
constexpr int kBeginTimeout = 5;
constexpr int kWorkTimeout = 20;
}  // namespace

VoucherTransaction::VoucherTransaction(db::Connection& CN) : CN_(CN) {
  CN_.setCommandTimeout(kBeginTimeout);
  CN_.beginTrans();
  CN_.setCommandTimeout(kWorkTimeout);
}

VoucherTransaction::~VoucherTransaction() {
  if (!CN_.inTransaction()) return;
  try {
    CN_.rollbackTrans();
  } catch (const std::exception&) {
    // Leaving on an error already: that error is the one to report.
  }
}

void VoucherTransaction::end(bool commit) {
  if (!CN_.inTransaction()) return;
  if (commit) {
    CN_.commitTrans();
  } else {
    CN_.rollbackTrans();
  }
}

}  // namespace corvane
