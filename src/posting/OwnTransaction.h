#pragma once
// A transaction a posting step opens for itself on the request's connection: committed by
// commit(), rolled back when left any other way (an error included), so that a failed step leaves
// no transaction open and nothing of its work behind.

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"

namespace corvane {

class OwnTransaction {
 public:
  explicit OwnTransaction(db::Connection& CN) : CN_(CN) { CN_.beginTrans(); }
  OwnTransaction(const OwnTransaction&) = delete;
  OwnTransaction& operator=(const OwnTransaction&) = delete;
  ~OwnTransaction() {
    if (done_) return;
    try {
      CN_.rollbackTrans();
    } catch (const RuntimeError&) {
      // The connection failed under the transaction: nothing of it was committed.
    }
  }

  void commit() {
    CN_.commitTrans();
    done_ = true;
  }

 private:
  db::Connection& CN_;
  bool done_ = false;
};

}  // namespace corvane
