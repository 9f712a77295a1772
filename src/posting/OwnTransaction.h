#pragma once
// A transaction of the posting members' own: begun unless one is open already, rolled back when
// left without a commit, so that no path out of a failed step keeps what it wrote.

#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"

namespace corvane {

class OwnTransaction {
 public:
  explicit OwnTransaction(db::Connection& connection)
      : connection_(connection), owned_(!connection.inTransaction()) {
    if (owned_) connection_.beginTrans();
  }
  ~OwnTransaction() {
    if (!owned_ || !connection_.inTransaction()) return;
    try {
      connection_.rollbackTrans();
    } catch (const RuntimeError&) {
      // The error that left the transaction is the one to report.
    }
  }
  OwnTransaction(const OwnTransaction&) = delete;
  OwnTransaction& operator=(const OwnTransaction&) = delete;

  void commit() {
    if (owned_) connection_.commitTrans();
  }

 private:
  db::Connection& connection_;
  bool owned_;
};

}  // namespace corvane
