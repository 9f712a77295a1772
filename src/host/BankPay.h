#pragma once
// The host's net-bank component: payment rows of the module (loan lines and claims' receipt and
// payment rows) handed to the bank as bills, withdrawn while the bank has not confirmed them, and
// marked as belonging to a ledger voucher once posted.
//
// Contract callers rely on:
// - Every member works through the caller's connection, inside the caller's transaction: what it
//   writes commits or rolls back with the caller's work, and it sees the caller's own writes.
// - `source` names the calling module's kind of payment; the module always passes 4.
// - A member answers true when done; false when refused, with the reason in `errorText` (in the
//   request's language). A true answer leaves `errorText` empty.
// - The bank side confirms a bill by setting the payment row's blnNetOK to 1; the component never
//   sets it on the caller's behalf.
// - Database failures raise RuntimeError.
// Each operation that needs the component creates its own instance and lets it go at its end.

#include <memory>
#include <string>

namespace corvane {

namespace db {
class Connection;
}
class XmlDocument;

class BankPay {
 public:
  virtual ~BankPay() = default;

  // Takes one bill: `bill` is the record-set XML persistence of one bank-bill record, keyed by
  // its column iID (the payment row's GUID). Refused when the document holds no record or no
  // iID, or when the payment row has a bill already.
  virtual bool ImportBill(int source, db::Connection& connection, const XmlDocument& bill, std::string& errorText) = 0;
  // Withdraws the bill of the payment row `payRowGuid`. Refused once the bank has confirmed it;
  // true when the row has no bill.
  virtual bool DeleteBill(int source, db::Connection& connection, const std::string& payRowGuid,
                          std::string& errorText) = 0;
  // Records that the paid row belongs to a ledger voucher of `module`. Refused when the row has
  // no bill.
  virtual bool WritePZID(int source, db::Connection& connection, const std::string& payRowGuid,
                         const std::string& module, std::string& errorText) = 0;
  // Withdraws that record; true also when there is none (rows never paid included).
  virtual bool DeletePZID(int source, db::Connection& connection, const std::string& payRowGuid,
                          std::string& errorText) = 0;
};

// The embedded component: it keeps one bill per payment row in the account table NetBankBills.
std::unique_ptr<BankPay> CreateBankPay();

enum class BankAnswer { Confirm, Reject };

// The bank's side of the embedded component, never called by the module: answers the waiting
// bill of the payment row `payRowGuid` through `connection`, inside the caller's transaction. A
// confirmed bill sets its payment row's blnNetOK to 1 and can no longer be withdrawn; a rejected
// one leaves it 0, so that the row can be withdrawn and sent again. Raises RuntimeError 9000 when
// the row has no bill, its bill was answered already or the payment row is gone.
void AnswerBill(db::Connection& connection, const std::string& payRowGuid, BankAnswer answer);

}  // namespace corvane
