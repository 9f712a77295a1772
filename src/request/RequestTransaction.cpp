#include "request/RequestTransaction.h"

namespace corvane {

namespace {

// Leaves the connection with the work timeout when the begin is over, whether it succeeded or not.
class WorkTimeoutAfterBegin {
 public:
  explicit WorkTimeoutAfterBegin(db::Connection& CN) : CN_(CN) { CN_.setCommandTimeout(kTransactionBeginTimeout); }
  WorkTimeoutAfterBegin(const WorkTimeoutAfterBegin&) = delete;
  WorkTimeoutAfterBegin& operator=(const WorkTimeoutAfterBegin&) = delete;
  ~WorkTimeoutAfterBegin() { CN_.setCommandTimeout(kTransactionWorkTimeout); }

 private:
  db::Connection& CN_;
};

db::Transaction joinOrBegin(db::Connection& CN, BeginWait wait, db::TransactionMode mode) {
  if (wait == BeginWait::CommandTimeout || CN.inTransaction()) return db::Transaction::joinOrBegin(CN, mode);
  const WorkTimeoutAfterBegin timeouts(CN);
  return db::Transaction(CN, mode);
}

}  // namespace

RequestTransaction::RequestTransaction(db::Connection& CN, BeginWait wait, db::TransactionMode mode)
    : transaction_(joinOrBegin(CN, wait, mode)) {}

}  // namespace corvane
