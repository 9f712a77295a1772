#include "platform/db/Transaction.h"

#include <exception>

namespace corvane::db {

Transaction::Transaction(Connection& connection, TransactionMode mode) : connection_(&connection), owned_(false) {
  connection.beginTrans(mode);
  owned_ = true;
}

Transaction Transaction::joinOrBegin(Connection& connection, TransactionMode mode) {
  if (connection.inTransaction()) return Transaction(connection, false);
  return Transaction(connection, mode);
}

Transaction::Transaction(Transaction&& other) noexcept : connection_(other.connection_), owned_(other.owned_) {
  other.owned_ = false;
}

Transaction::~Transaction() {
  if (!owned_ || !connection_->inTransaction()) return;
  try {
    connection_->rollbackTrans();
  } catch (const std::exception&) {
    // The error that left the scope is the one to report; closing the connection rolls back.
  }
}

void Transaction::commit() {
  if (!owned_) return;
  connection_->commitTrans();
  owned_ = false;
}

void Transaction::rollback() {
  if (!owned_) return;
  owned_ = false;
  if (connection_->inTransaction()) connection_->rollbackTrans();
}

}  // namespace corvane::db
