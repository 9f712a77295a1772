#pragma once
// A transaction as a scope: begun when the object is made, rolled back when the object goes
// without a commit (an exception, an early return), so that nothing is committed after a failure.

#include "platform/db/Connection.h"

namespace corvane::db {

class Transaction {
 public:
  // Begins a transaction on `connection` (see Connection::beginTrans for the modes and errors).
  explicit Transaction(Connection& connection, TransactionMode mode = TransactionMode::Write);
  // A scope that joins the transaction already open on `connection`, if there is one: commit
  // and rollback then leave it to its owner. Otherwise as the constructor.
  static Transaction joinOrBegin(Connection& connection, TransactionMode mode = TransactionMode::Write);
  // Rolls back unless committed or rolled back; never raises.
  ~Transaction();
  Transaction(Transaction&& other) noexcept;
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  Transaction& operator=(Transaction&&) = delete;

  // Ends the transaction; a failed commit leaves it to the destructor to roll back.
  void commit();
  void rollback();

 private:
  Transaction(Connection& connection, bool owned) : connection_(&connection), owned_(owned) {}

  Connection* connection_;
  bool owned_;  // false once ended, and for a joined transaction
};

}  // namespace corvane::db
