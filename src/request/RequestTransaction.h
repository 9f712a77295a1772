#pragma once
// The transaction around a request's writes, the frame's or a member's own. It joins the
// transaction already open on the connection, whose owner then ends it, or begins one; commit()
// ends one it began, and leaving it any other way (an exception, an early return) rolls it back.

#include "platform/db/Transaction.h"

namespace corvane {

// Command timeouts of a transaction begun briefly: short for the begin, so that a busy account
// answers quickly, then the one the work runs under.
inline constexpr int kTransactionBeginTimeout = 5;
inline constexpr int kTransactionWorkTimeout = 20;

// How long beginning waits for an account that another connection is writing.
enum class BeginWait {
  CommandTimeout,  // the connection's command timeout, left as it is
  Briefly,         // kTransactionBeginTimeout; the connection is then left with kTransactionWorkTimeout,
                   // also when the begin failed
};

class RequestTransaction {
 public:
  explicit RequestTransaction(db::Connection& CN, BeginWait wait = BeginWait::CommandTimeout,
                              db::TransactionMode mode = db::TransactionMode::Write);

  // Commits a transaction this guard began; a joined one is left to its owner.
  void commit() { transaction_.commit(); }

 private:
  db::Transaction transaction_;
};

}  // namespace corvane
