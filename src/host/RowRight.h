#pragma once
// The host's row-authorisation service: which rows of a business object a user may see.
//
// Contract the module relies on:
// - The caller creates a service, calls init once with the account's connection string and the
//   user's id, then GetAuthString for each question (one service per request, or per question),
//   and releases it. A service answers from the grants as they stood at init.
// - GetAuthString(object, a2, a3) answers the ids the user may see of `object` ("department",
//   "person", "fitem", "user", "djmb"; any case): the empty text when nothing restricts the
//   user; "1=2" when the user may see none; otherwise a list that fits inside `IN (...)`, its
//   texts between apostrophes with every apostrophe in them doubled ('02','0301'). For "fitem"
//   the list is a SELECT (Select '01' Union Select '02'), since callers place it after
//   "Select N'' Union". `a2` narrows the question where the object needs a key (the item class
//   for "fitem", the card number for "djmb"); the module passes no `a3`.
// - Any failure (no account, init not called, a database error) raises RuntimeError.
//
// Every func that takes a voucher applies the user's data rights, not only the lists and the
// navigation: a func given a voucher's id, GUID or AutoID answers a voucher outside them as one
// that does not exist, and a new voucher for a department, person or item outside them is
// refused. For loans and claims one place decides it (VoucherRights in src/vouchers).

#include <functional>
#include <memory>
#include <string>

namespace corvane {

class RowRight {
 public:
  virtual ~RowRight() = default;
  virtual void init(const std::string& connectString, const std::string& userId) = 0;
  virtual std::string GetAuthString(const std::string& businessObject, const std::string& a2 = "",
                                    const std::string& a3 = "") = 0;
};

// Creates a new service, as the module does for every question.
using RowRightFactory = std::function<std::unique_ptr<RowRight>()>;

// The embedded service, over the account's tables RowRightObject and RowRightGrant and the
// groups of vqsystem..UA_Role. init reads the user's grants at once on a pooled connection (never
// a connection of its own) and gives it back; every question is then answered from them. It
// answers a "user" grant with the user's name, which is what the vouchers record; it ignores `a3`.
std::unique_ptr<RowRight> CreateRowRight();

}  // namespace corvane
