#pragma once
// Deletion of a voucher still in entry ("delvouch"), shared by the loan and the claim class: the
// card in the request (`in/type` "KX01" loans, "KX02"/"KX03" claims) chooses the tables, the
// voucher is named by `in/strAutoID` and the row version `in/ts` the form read. The voucher
// leaves its approval flow, then its lines and its head are deleted, all in the request's
// transaction. A voucher outside the user's data rights answers as one that does not exist
// (0370). Answers true with an empty reply, or false after loading its error reply.

#include <string>
#include <string_view>

#include "vouchers/VoucherNavigation.h"

namespace corvane {

struct FuncCall;
class RuntimeError;
namespace db {
class Recordset;
class Connection;
}  // namespace db

struct DeletionKind {
  std::string_view className;
  std::string_view member;
  // Refuses (raising 9000) a voucher that has left the entry state; `head` is its row.
  void (*stateGuards)(const db::Recordset& head);
  // Refuses a voucher that other rows hang on; `guid` is its GUID.
  void (*dependentGuards)(db::Connection& CN, const std::string_view guid);
  // The text of the error reply for a failure.
  std::string (*failureText)(const RuntimeError& error);
};

extern const DeletionKind kLoanDeletion;
extern const DeletionKind kClaimDeletion;

// Deletes the voucher; where `next` is given (the claim class, which needs a card), the voucher
// after it in the same head table and within the user's rights becomes current, or none on card
// "KX02" when there is none.
bool DeleteVoucher(const DeletionKind& kind, FuncCall& call, CurrentVoucher* next = nullptr);

}  // namespace corvane
