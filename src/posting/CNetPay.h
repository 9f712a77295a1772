#pragma once
// Net-bank payment: the payment rows of approved vouchers (loan lines and claims' receipt and
// payment rows) handed to the host's net bank as bank bills, and bills the bank has not confirmed
// taken back. Each func takes its own right after the module lock check; each row is checked,
// handed over or withdrawn and marked (strPayID) inside a transaction of its own.

#include <span>
#include <string>

#include "request/RequestFrame.h"

namespace corvane {

class CNetPay : public FramedClass<CNetPay> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CNetPay>> kFuncs;

  // "netpay": hands every row under `in` (attributes guid and strtypecode, as the payable-line
  // list answers them) to the net bank and marks it sent by the user. A row of a voucher that is
  // not approved, already posted, outside the user's data rights, already sent or confirmed, or
  // whose bill record is empty, is refused, and so is a claim's row that would bring the claim's
  // rows at the bank beyond what the claim settles (ClaimPayout.h). Rows before a refused one
  // stay paid; the rest are not served. Answers nothing under `out` on success.
  bool netpay(FuncCall& call);
  // "netunpay": withdraws the bill of every row under `in` and marks the row not sent; a row
  // never sent or confirmed by the bank is refused, as in "netpay".
  bool netunpay(FuncCall& call);

  // "T" followed by the first 19 hexadecimal digits (upper case) of a new GUID of the database:
  // the name of the tempdb table through which a bill record is handed over. Database errors
  // reach the caller.
  static std::string GetRndName(db::Connection& CN);

 private:
  bool KXtoNB(FuncCall& call, bool blnPay);
};

}  // namespace corvane
