#pragma once
// A voucher's own transaction in approval: begun with a short command timeout, so that a busy
// account answers quickly, then the normal one; ended by end(), and rolled back when left any
// other way (the error that leaves it is the one reported).

namespace corvane {

namespace db {
class Connection;
}

class VoucherTransaction {
 public:
  explicit VoucherTransaction(db::Connection& CN);
  VoucherTransaction(const VoucherTransaction&) = delete;
  VoucherTransaction& operator=(const VoucherTransaction&) = delete;
  ~VoucherTransaction();

  // Commits (`commit`) or rolls back; nothing more happens at the end of the scope.
  void end(bool commit);

 private:
  db::Connection& CN_;
};

}  // namespace corvane
